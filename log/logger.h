#pragma once
// The process-wide logger: thresholds, the three sinks (debugger output, a C
// runtime stream, the log file), the pending queue that keeps records until
// the file is open, the history and the optional background writer.

#include <atomic>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "log/ilogger.h"
#include "log/log_file.h"
#include "log/log_queue.h"

namespace krv::log {

class Logger : public mi::Exportable<ILogger>, public std::enable_shared_from_this<Logger> {
 public:
  // Always held by a shared reference (make_stream hands one out).
  static std::shared_ptr<Logger> create();

  // Stops the writer (it drains the queue first), closes the file and frees
  // the records still waiting (records that never found a file are lost).
  ~Logger() override;

  // The logger supports no query: throws krv::exceptions::error code 120.
  int32_t query() override;

  LogStream make_stream(int32_t level, const LogCategory& category) override;
  void log_exception_w(int32_t level, const LogCategory& category, const std::exception& exception,
                       const wchar_t* format, va_list args) override;
  void log_exception(int32_t level, const LogCategory& category, const std::exception& exception,
                     const char* format, va_list args) override;
  void log_w(int32_t level, const LogCategory& category, const wchar_t* format, va_list args) override;
  void log(int32_t level, const LogCategory& category, const char* format, va_list args) override;
  void set_history_level(int32_t level) override;
  void set_debug_output_level(int32_t level) override;
  int32_t get_file_level() override;
  void set_file_level(int32_t level) override;
  void set_flush_level(int32_t level) override;
  void open_file(const wchar_t* path, int64_t max_size, int32_t file_level) override;
  void set_stream(std::FILE* stream, int32_t level) override;
  std::vector<HistoryRow> get_history() override;
  void start_writer() override;

 protected:
  Logger();

  // Whether a record of `level` reaches any sink (the file sink counts while
  // the file is still closed: its records wait for it).
  bool accepts(int32_t level) const;

  // Makes the record (time, process and thread ids taken now) and sends it
  // on. Throws on failure (out of memory, a failed file write).
  void submit(int32_t level, const LogCategory& category, std::string message);

 private:
  static constexpr unsigned kImmediateSinks = 1 | 2;
  static constexpr unsigned kFileSink = 4;

  void write_to_sinks(const LogRecord& record, unsigned mask);
  void write_to_file(const LogRecord& record);
  // Writes every waiting record to the sinks of `mask`, oldest first; a
  // record that fails is dropped and the rest go on.
  void drain(unsigned mask);
  std::shared_ptr<LogFile> current_file();
  // Rotates `measured` unless another thread already replaced it; returns
  // the file to write to.
  std::shared_ptr<LogFile> rotate(const std::shared_ptr<LogFile>& measured);
  void wake_writer();
  void run_writer();

  LogQueue queue_;

  std::mutex history_lock_;
  std::list<LogRecord> history_;

  std::mutex file_lock_;
  std::shared_ptr<LogFile> file_;
  std::atomic<bool> file_open_{false};
  std::atomic<int64_t> max_size_{0x400000};

  std::atomic<int32_t> history_level_{kOff};
  std::atomic<int32_t> debug_output_level_{kError};
  std::atomic<std::FILE*> stream_{nullptr};
  std::atomic<int32_t> stream_level_{kInfo};
  std::atomic<int32_t> file_level_{kInfo};
  std::atomic<int32_t> flush_level_{kOff};

  std::atomic<bool> writer_running_{false};
  std::mutex writer_lock_;
  std::condition_variable writer_wake_;
  bool writer_pending_ = false;
  bool writer_stop_ = false;
  std::thread writer_;
};

}  // namespace krv::log
