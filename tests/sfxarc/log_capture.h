#pragma once
// Collects the lines the default logger writes while a test runs, through
// its stream sink.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "log/ilogger.h"
#include "log/log_module.h"
#include "log/utf8_text.h"

namespace krv::sfxarc::testing {

struct LogLine {
  std::string level;
  std::string category;
  std::wstring message;
};

class LogCapture {
 public:
  LogCapture() : logger_(krv::log::get_default_logger()), stream_(std::tmpfile()) {
    EXPECT_TRUE(logger_ != nullptr);
    EXPECT_TRUE(stream_ != nullptr);
    if (logger_ && stream_) logger_->set_stream(stream_, krv::log::kDebug);
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  ~LogCapture() {
    if (logger_) logger_->set_stream(nullptr, krv::log::kOff);
    if (stream_) std::fclose(stream_);
  }

  // The lines of `category` logged so far, in order.
  std::vector<LogLine> Lines(const std::string& category) const {
    std::vector<LogLine> lines;
    if (!stream_) return lines;
    std::rewind(stream_);
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, stream_)) > 0) text.append(buffer, n);
    std::fseek(stream_, 0, SEEK_END);
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      LogLine line;
      if (Parse(text.substr(start, end - start), &line) && line.category == category) lines.push_back(line);
      start = end + 1;
    }
    return lines;
  }

 private:
  // "[time] [level  ] [category   ] [  pid:  tid] message": four bracketed
  // fields, the level and category padded with blanks.
  static bool Parse(const std::string& text, LogLine* line) {
    std::string fields[4];
    size_t at = 0;
    for (std::string& field : fields) {
      if (at >= text.size() || text[at] != '[') return false;
      const size_t close = text.find(']', at);
      if (close == std::string::npos) return false;
      field = text.substr(at + 1, close - at - 1);
      field.erase(field.find_last_not_of(' ') + 1);
      at = close + 2;
    }
    line->level = fields[1];
    line->category = fields[2];
    line->message = krv::log::wide_from_utf8(at <= text.size() ? text.substr(at) : std::string());
    return true;
  }

  std::shared_ptr<krv::log::ILogger> logger_;
  std::FILE* stream_;
};

}  // namespace krv::sfxarc::testing
