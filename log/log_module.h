#pragma once
// The log module: the process-wide object that owns the default logger, a
// lifetime object destroyed with the runtime singletons at exit (priority
// 100001), and the functions through which the program reaches it.

#include <memory>

#include "log/ilogger.h"
#include "runtime/module.h"

namespace krv::log {

class Logger;

namespace detail {

class ILogModule : public mi::IModule {
 public:
  // A new logger with the default settings.
  virtual std::shared_ptr<ILogger> create_logger() = 0;
  // The logger made when the module was constructed.
  virtual std::shared_ptr<ILogger> default_logger() = 0;
  // A new PrivateLogger.
  virtual std::shared_ptr<ILogger> create_private_logger() = 0;
};

class LogModule : public mi::Module<ILogModule> {
 public:
  // Creates the default logger; throws std::bad_alloc.
  LogModule();

  std::shared_ptr<ILogger> create_logger() override;
  std::shared_ptr<ILogger> default_logger() override;
  std::shared_ptr<ILogger> create_private_logger() override;

 private:
  std::shared_ptr<Logger> default_logger_;
};

}  // namespace detail

// The default logger, creating the log module on first use. Empty, never an
// exception, when the module could not be created or is already destroyed.
std::shared_ptr<ILogger> get_default_logger() noexcept;

}  // namespace krv::log
