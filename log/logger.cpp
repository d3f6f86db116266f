#include "log/logger.h"

#include <algorithm>
#include <iterator>

#include "log/describe_exception.h"
#include "log/log_format.h"
#include "log/log_line.h"
#include "log/log_system.h"
#include "log/utf8_text.h"
#include "runtime/exceptions.h"

namespace krv::log {

namespace {

using exceptions::error;

constexpr int32_t kInvalidParameter = 87;
constexpr int32_t kNotSupported = 120;

void check_level(int32_t level, int32_t highest) {
  if (level < kDebug || level > highest) exceptions::throw_at(KRV_HERE, error(kInvalidParameter));
}

}  // namespace

void log_message(ILogger& logger, int32_t level, const LogCategory& category, const char* format, ...) {
  va_list args;
  va_start(args, format);
  logger.log(level, category, format, args);
  va_end(args);
}

void log_exception_message(ILogger& logger, int32_t level, const LogCategory& category,
                           const std::exception& exception, const char* format, ...) {
  va_list args;
  va_start(args, format);
  logger.log_exception(level, category, exception, format, args);
  va_end(args);
}

std::shared_ptr<Logger> Logger::create() { return std::shared_ptr<Logger>(new Logger()); }

Logger::Logger() = default;

Logger::~Logger() {
  if (writer_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(writer_lock_);
      writer_stop_ = true;
      writer_pending_ = true;
    }
    writer_wake_.notify_one();
    writer_.join();
  }
}

int32_t Logger::query() { exceptions::throw_at(KRV_HERE, error(kNotSupported)); }

LogStream Logger::make_stream(int32_t level, const LogCategory& category) {
  return LogStream(shared_from_this(), level, category);
}

bool Logger::accepts(int32_t level) const {
  if (level >= debug_output_level_.load() || level >= file_level_.load()) return true;
  return stream_.load() != nullptr && level >= stream_level_.load();
}

void Logger::log(int32_t level, const LogCategory& category, const char* format, va_list args) {
  try {
    if (!accepts(level)) return;
    submit(level, category, format_message(format, args));
  } catch (...) {
    // Logging never fails its caller; the record is lost.
  }
}

void Logger::log_w(int32_t level, const LogCategory& category, const wchar_t* format, va_list args) {
  try {
    if (!accepts(level)) return;
    std::string message = format_message(format, args);
    log_message(*this, level, category, "%s", message.c_str());
  } catch (...) {
  }
}

void Logger::log_exception(int32_t level, const LogCategory& category, const std::exception& exception,
                           const char* format, va_list args) {
  try {
    if (!accepts(level)) return;
    std::string message = format_message(format, args);
    if (!message.empty()) message += "\n";
    message += describe_exception(exception);
    log_message(*this, level, category, "%s", message.c_str());
  } catch (...) {
  }
}

void Logger::log_exception_w(int32_t level, const LogCategory& category, const std::exception& exception,
                             const wchar_t* format, va_list args) {
  try {
    if (!accepts(level)) return;
    std::string message = format_message(format, args);
    log_exception_message(*this, level, category, exception, "%s", message.c_str());
  } catch (...) {
  }
}

void Logger::submit(int32_t level, const LogCategory& category, std::string message) {
  auto record = std::make_unique<LogRecord>();
  record->level = level;
  record->category = category;
  record->message = std::move(message);
  normalize_line_ends(record->message);
  record->time = log_time_now();
  record->process_id = log_process_id();
  record->thread_id = log_thread_id();

  if (writer_running_.load()) {
    queue_.push_dropping_oldest(std::move(record));
    wake_writer();
    return;
  }
  write_to_sinks(*record, kImmediateSinks);
  if (!file_open_.load()) {
    // Kept for the file; the newest 1024 survive until it opens.
    queue_.push_dropping_oldest(std::move(record));
    return;
  }
  drain(kFileSink);
  write_to_sinks(*record, kFileSink);
}

void Logger::write_to_sinks(const LogRecord& record, unsigned mask) {
  if (mask & kImmediateSinks) {
    bool to_debug_output = record.level >= debug_output_level_.load();
    std::FILE* stream = stream_.load();
    bool to_stream = stream != nullptr && record.level >= stream_level_.load();
    if (to_debug_output || to_stream) {
      std::string line = format_line(record);
      if (to_debug_output) write_debug_output(line);
      if (to_stream) {
        std::fwrite(line.data(), 1, line.size(), stream);
        std::fflush(stream);
      }
    }
  }
  if (mask & kFileSink) write_to_file(record);
}

void Logger::write_to_file(const LogRecord& record) {
  std::shared_ptr<LogFile> file = current_file();
  if (!file) return;
  if (record.level >= history_level_.load()) {
    std::lock_guard<std::mutex> lock(history_lock_);
    history_.push_back(record);
  }
  if (record.level < file_level_.load()) return;
  // Strictly greater: a file of exactly the limit is kept, and a file grows
  // by at most about one line per writer past it.
  if (file->size() > static_cast<uint64_t>(max_size_.load())) file = rotate(file);
  std::string line = to_crlf(format_line(record));
  if (line.empty()) return;
  file->append(line);
  if (record.level >= flush_level_.load()) file->flush();
}

void Logger::drain(unsigned mask) {
  while (std::unique_ptr<LogRecord> record = queue_.pop()) {
    try {
      write_to_sinks(*record, mask);
    } catch (...) {
      // This record is lost; the next ones still try.
    }
  }
}

std::shared_ptr<LogFile> Logger::current_file() {
  std::lock_guard<std::mutex> lock(file_lock_);
  return file_;
}

std::shared_ptr<LogFile> Logger::rotate(const std::shared_ptr<LogFile>& measured) {
  std::lock_guard<std::mutex> lock(file_lock_);
  if (file_ != measured) return file_;
  // Writers still holding the old file finish their line in it.
  file_ = measured->rotate();
  return file_;
}

void Logger::set_history_level(int32_t level) {
  check_level(level, kOff);
  history_level_.store(level);
}

void Logger::set_debug_output_level(int32_t level) {
  check_level(level, kOff);
  debug_output_level_.store(level);
}

int32_t Logger::get_file_level() { return file_level_.load(); }

void Logger::set_file_level(int32_t level) {
  check_level(level, kFatal);
  file_level_.store(level);
}

void Logger::set_flush_level(int32_t level) {
  check_level(level, kOff);
  flush_level_.store(level);
}

void Logger::open_file(const wchar_t* path, int64_t max_size, int32_t file_level) {
  if (path == nullptr || *path == 0 || max_size < 0) exceptions::throw_at(KRV_HERE, error(kInvalidParameter));
  check_level(file_level, kFatal);
  try {
    std::shared_ptr<LogFile> file = open_log_file(path);
    std::lock_guard<std::mutex> lock(file_lock_);
    // The previous file closes once the last writer holding it is done.
    file_ = std::move(file);
    max_size_.store(max_size);
    file_level_.store(file_level);
    file_open_.store(true);
  } catch (...) {
    // The logger stays as it was.
  }
}

void Logger::set_stream(std::FILE* stream, int32_t level) {
  check_level(level, kOff);
  stream_.store(stream);
  stream_level_.store(level);
}

std::vector<HistoryRow> Logger::get_history() {
  std::vector<HistoryRow> rows;
  std::lock_guard<std::mutex> lock(history_lock_);
  rows.reserve(history_.size());
  for (const LogRecord& record : history_) {
    std::string time = format_log_time(record.time);
    rows.push_back({std::wstring(time.begin(), time.end()), wide_from_utf8(level_name(record.level)),
                    wide_from_utf8(std::string(std::begin(record.category.name),
                                               std::find(std::begin(record.category.name),
                                                         std::end(record.category.name), '\0'))),
                    std::to_wstring(record.process_id), std::to_wstring(record.thread_id),
                    wide_from_utf8(record.message)});
  }
  return rows;
}

void Logger::start_writer() {
  bool expected = false;
  if (!writer_running_.compare_exchange_strong(expected, true)) return;
  try {
    writer_ = std::thread([this] { run_writer(); });
  } catch (...) {
    // No thread to be had: the callers keep writing for themselves.
    writer_running_.store(false);
  }
}

void Logger::wake_writer() {
  {
    std::lock_guard<std::mutex> lock(writer_lock_);
    if (writer_pending_) return;
    writer_pending_ = true;
  }
  writer_wake_.notify_one();
}

void Logger::run_writer() {
  std::unique_lock<std::mutex> lock(writer_lock_);
  for (;;) {
    writer_wake_.wait(lock, [this] { return writer_pending_; });
    bool stop = writer_stop_;
    writer_pending_ = false;
    lock.unlock();
    drain(kImmediateSinks | kFileSink);
    lock.lock();
    if (stop) return;
  }
}

}  // namespace krv::log
