#include "tests/handoff/recording_log.h"

#include <cstdarg>
#include <mutex>

#include "log/write_log.h"
#include "runtime/wide_format.h"

namespace krv::handoff::testing {
namespace {

std::mutex g_mutex;
std::vector<LoggedLine>* g_lines = nullptr;

}  // namespace

RecordingLog::RecordingLog() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_lines = new std::vector<LoggedLine>;
}

RecordingLog::~RecordingLog() {
  std::lock_guard<std::mutex> lock(g_mutex);
  delete g_lines;
  g_lines = nullptr;
}

std::vector<LoggedLine> RecordingLog::Lines() const {
  std::lock_guard<std::mutex> lock(g_mutex);
  return *g_lines;
}

std::vector<std::wstring> RecordingLog::TextsIn(const std::string& category) const {
  std::vector<std::wstring> texts;
  for (const LoggedLine& line : Lines())
    if (line.category == category) texts.push_back(line.text);
  return texts;
}

}  // namespace krv::handoff::testing

namespace krv::log {

LogCategory make_category(const wchar_t* name) {
  LogCategory category{};
  for (size_t i = 0; i + 1 < sizeof category.name && name[i]; ++i) category.name[i] = static_cast<char>(name[i]);
  return category;
}

void write_log(int32_t level, const LogCategory& category, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = vformat_wide(format, args);
  va_end(args);
  std::lock_guard<std::mutex> lock(handoff::testing::g_mutex);
  if (handoff::testing::g_lines) handoff::testing::g_lines->push_back({level, category.name, std::move(text)});
}

}  // namespace krv::log
