#include "log/log_module.h"

#include "log/logger.h"
#include "log/private_logger.h"
#include "runtime/lifetime_object.h"

namespace krv::log {

namespace {

lifetime::lifetime_object<detail::LogModule> g_log_module(lifetime::priority::runtime_singletons);

}  // namespace

namespace detail {

LogModule::LogModule() : default_logger_(Logger::create()) {}

std::shared_ptr<ILogger> LogModule::create_logger() { return Logger::create(); }

std::shared_ptr<ILogger> LogModule::default_logger() { return default_logger_; }

std::shared_ptr<ILogger> LogModule::create_private_logger() { return PrivateLogger::create(); }

}  // namespace detail

std::shared_ptr<ILogger> get_default_logger() noexcept {
  // The common case first: the module exists. find() skips the checks of a
  // first use, which cost more than a record below every threshold.
  if (std::shared_ptr<detail::LogModule> module = g_log_module.find()) return module->default_logger();
  try {
    return g_log_module.get()->default_logger();
  } catch (...) {
    // Not created, failed to be created, or already destroyed.
    return nullptr;
  }
}

}  // namespace krv::log
