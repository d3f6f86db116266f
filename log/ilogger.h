#pragma once
// The logger's interface, as handed between modules.

#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "log/log_stream.h"
#include "log/write_log.h"
#include "runtime/module.h"

namespace krv::log {

// One history record as text: UTC time "YYYY-MM-DD hh:mm:ss.mmm", level
// name, category, process id and thread id in decimal, message.
using HistoryRow = std::array<std::wstring, 6>;

// Levels are LogLevel values; a record reaches a sink when its level is at
// least the sink's threshold. The message operations never throw.
class ILogger : public mi::IExportable {
 public:
  // Slot 0: a stream that logs its text as one record when destroyed.
  virtual LogStream make_stream(int32_t level, const LogCategory& category) = 0;

  // Slot 1: formats the wide text and logs it with the description of
  // `exception` (slot 2).
  virtual void log_exception_w(int32_t level, const LogCategory& category, const std::exception& exception,
                               const wchar_t* format, va_list args) = 0;

  // Slot 2: the formatted text, a line end when it is not empty, and
  // describe_exception(exception), as one record (slot 4).
  virtual void log_exception(int32_t level, const LogCategory& category, const std::exception& exception,
                             const char* format, va_list args) = 0;

  // Slot 3: formats the wide text and logs it (slot 4).
  virtual void log_w(int32_t level, const LogCategory& category, const wchar_t* format, va_list args) = 0;

  // Slot 4: formats the text as UTF-8 (see log_format.h) and logs it. Below
  // every threshold nothing is formatted.
  virtual void log(int32_t level, const LogCategory& category, const char* format, va_list args) = 0;

  // Slots 5, 6, 8, 9: thresholds 0..6 (file 0..5; 6 switches a sink off).
  // A value out of range throws krv::exceptions::error code 87 and changes
  // nothing.
  virtual void set_history_level(int32_t level) = 0;
  virtual void set_debug_output_level(int32_t level) = 0;
  // Slot 7.
  virtual int32_t get_file_level() = 0;
  virtual void set_file_level(int32_t level) = 0;
  virtual void set_flush_level(int32_t level) = 0;

  // Slot 10: opens or creates the log file at `path` (see open_log_file)
  // and makes it the file sink with the size limit (rotation above it) and
  // the file threshold 0..5. A null or empty path, a negative size or a
  // threshold out of range throws krv::exceptions::error code 87. A file
  // that cannot be opened leaves the logger as it was and is not reported.
  // Records waiting for the file reach it with the next record logged.
  virtual void open_file(const wchar_t* path, int64_t max_size, int32_t file_level) = 0;

  // Slot 11: replaces the stream sink (null: none; the caller keeps the
  // stream open while it is set) and its threshold 0..6 (else error 87).
  virtual void set_stream(std::FILE* stream, int32_t level) = 0;

  // Slot 12: the history records, oldest first.
  virtual std::vector<HistoryRow> get_history() = 0;

  // Slot 13: from now on a background thread writes the records to the
  // sinks. Started at most once; later calls do nothing.
  virtual void start_writer() = 0;
};

// Variadic forms of slots 4 and 2.
void log_message(ILogger& logger, int32_t level, const LogCategory& category, const char* format, ...);
void log_exception_message(ILogger& logger, int32_t level, const LogCategory& category,
                           const std::exception& exception, const char* format, ...);

}  // namespace krv::log
