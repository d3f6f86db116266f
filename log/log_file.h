#pragma once
// The log file sink: a file shared by this and other processes, appended to
// one line per write, created atomically with a UTF-8 byte order mark and
// rotated to one older generation ("<name>.old").

#include <cstdint>
#include <memory>
#include <string>

namespace krv::log {

class LogFile {
 public:
  virtual ~LogFile() = default;

  // The full path the file was opened by.
  virtual const std::wstring& path() const = 0;

  // Appends `bytes` with one write call; concurrent appends from any thread
  // or process never interleave. Throws krv::exceptions::error with the
  // system's code when the write fails.
  virtual void append(const std::string& bytes) = 0;

  // The file's current size in bytes. Throws krv::exceptions::error.
  virtual uint64_t size() = 0;

  // Flushes the system's buffers of the file. Throws krv::exceptions::error.
  virtual void flush() = 0;

  // Moves this file to path() + ".old" (replacing the older generation),
  // unless another process has already moved it, and returns the file now at
  // path(), opened or created as by open_log_file. This object stays usable
  // for writers that still hold it. Throws krv::exceptions::error when the
  // new file cannot be opened.
  virtual std::unique_ptr<LogFile> rotate() = 0;
};

// Opens the log file at `path` (made a full path) for appending with full
// sharing. A missing file is created with exactly EF BB BF in it: written
// under a temporary name and renamed into place without replacing, so that
// of several processes creating it at once one wins and the others open the
// winner's file. An existing file that does not begin with EF BB BF (or is
// empty) is moved to ".old" and a fresh file takes its place. Throws
// krv::exceptions::error with the system's code on failure.
std::unique_ptr<LogFile> open_log_file(const std::wstring& path);

}  // namespace krv::log
