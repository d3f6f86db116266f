#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

#include "log/log_file.h"
#include "log/random_uuid.h"
#include "log/utf8_text.h"
#include "runtime/exceptions.h"

// The POSIX log file, for the host tools: the same file format and the same
// creation and rotation rules, with rename by path (guarded by an identity
// check) standing in for rename by handle.

namespace krv::log {

namespace {

using exceptions::error;

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr int kOpenAttempts = 16;

[[noreturn]] void throw_errno() { exceptions::throw_at(KRV_HERE, error(errno)); }

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_;
};


bool is_file_at(int fd, const std::string& path) {
  struct stat mine, theirs;
  return fstat(fd, &mine) == 0 && stat(path.c_str(), &theirs) == 0 && mine.st_dev == theirs.st_dev &&
         mine.st_ino == theirs.st_ino;
}

// Returns an invalid descriptor when another creator won.
FileDescriptor create_with_mark(const std::string& path) {
  std::string temporary;
  FileDescriptor file;
  // A name already taken (the same value drawn by another process from an
  // unseeded random source) is followed by the next one.
  for (int attempt = 0; attempt < kOpenAttempts && !file.valid(); ++attempt) {
    temporary = path + ".tmp." + random_uuid();
    file = FileDescriptor(::open(temporary.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!file.valid() && errno != EEXIST) break;
  }
  if (!file.valid()) throw_errno();
  bool written = write(file.get(), kByteOrderMark, 3) == 3;
  int saved = errno;
  // link() fails on an existing name, unlike rename().
  bool linked = written && link(temporary.c_str(), path.c_str()) == 0;
  if (written && !linked) saved = errno;
  unlink(temporary.c_str());
  if (linked) return file;
  if (written && saved == EEXIST) return FileDescriptor();
  errno = saved;
  throw_errno();
}

bool has_mark(int fd) {
  char head[3] = {};
  ssize_t got = pread(fd, head, 3, 0);
  if (got < 0) throw_errno();
  return got == 3 && head[0] == kByteOrderMark[0] && head[1] == kByteOrderMark[1] && head[2] == kByteOrderMark[2];
}

void move_to_old(int fd, const std::string& path) {
  if (is_file_at(fd, path)) rename(path.c_str(), (path + ".old").c_str());
}

FileDescriptor open_or_create(const std::string& path) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    FileDescriptor file(::open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC));
    if (!file.valid()) {
      if (errno != ENOENT) throw_errno();
      file = create_with_mark(path);
      if (!file.valid()) continue;
    }
    if (has_mark(file.get())) return file;
    move_to_old(file.get(), path);
  }
  exceptions::throw_at(KRV_HERE, error(EAGAIN));
}

std::string full_path_name(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (getcwd(cwd, sizeof cwd) == nullptr) throw_errno();
  return std::string(cwd) + "/" + path;
}

class PosixLogFile : public LogFile {
 public:
  PosixLogFile(std::string path, FileDescriptor fd)
      : path_(std::move(path)), wide_path_(wide_from_utf8(path_)), fd_(std::move(fd)) {}

  const std::wstring& path() const override { return wide_path_; }

  void append(const std::string& bytes) override {
    if (write(fd_.get(), bytes.data(), bytes.size()) < 0) throw_errno();
  }

  uint64_t size() override {
    struct stat st;
    if (fstat(fd_.get(), &st) != 0) throw_errno();
    return static_cast<uint64_t>(st.st_size);
  }

  void flush() override {
    if (fsync(fd_.get()) != 0) throw_errno();
  }

  std::unique_ptr<LogFile> rotate() override {
    move_to_old(fd_.get(), path_);
    return std::make_unique<PosixLogFile>(path_, open_or_create(path_));
  }

 private:
  std::string path_;
  std::wstring wide_path_;
  FileDescriptor fd_;
};

}  // namespace

std::unique_ptr<LogFile> open_log_file(const std::wstring& path) {
  std::string full_path = full_path_name(utf8_from_wide(path.c_str()));
  return std::make_unique<PosixLogFile>(full_path, open_or_create(full_path));
}

}  // namespace krv::log
