#include "log/log_module.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "log/write_log.h"
#include "runtime/exit_actions.h"

namespace krv::log {
namespace {

const LogCategory kBranding = make_category(L"branding");

std::string stream_text(std::FILE* stream) {
  std::fflush(stream);
  std::rewind(stream);
  char text[512] = {};
  return std::string(text, std::fread(text, 1, sizeof text - 1, stream));
}

// One sequence, since the module is process-wide: first use creates it, the
// exit actions of the runtime singletons destroy it, and logging then does
// nothing.
TEST(LogModule, WriteLogReachesTheDefaultLoggerUntilTheModuleIsDestroyed) {
  std::shared_ptr<ILogger> logger = get_default_logger();
  ASSERT_NE(logger, nullptr);
  EXPECT_EQ(get_default_logger(), logger);

  std::FILE* stream = std::tmpfile();
  logger->set_stream(stream, kInfo);
  write_log(kDebug, kBranding, L"below the thresholds");
  write_log(kInfo, kBranding, L"%ls is %d", L"\u00e9t\u00e9", 2026);
  std::string text = stream_text(stream);
  EXPECT_EQ(text.find("below"), std::string::npos);
  EXPECT_NE(text.find("[info   ] [branding   ] "), std::string::npos);
  EXPECT_NE(text.find("\xc3\xa9t\xc3\xa9 is 2026\n"), std::string::npos);
  logger->set_stream(nullptr, kInfo);
  logger.reset();

  EXPECT_EQ(lifetime::run_exit_actions(lifetime::priority::dll_unload_minimum), 0u);
  EXPECT_EQ(get_default_logger(), nullptr);
  write_log(kFatal, kBranding, L"after the end %ls", L"x");
  std::fclose(stream);
}

}  // namespace
}  // namespace krv::log
