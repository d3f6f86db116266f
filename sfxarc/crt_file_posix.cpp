#include <fcntl.h>

#include <cerrno>
#include <unistd.h>

#include "log/utf8_text.h"
#include "sfxarc/crt_file.h"

namespace krv::sfxarc::crt {

int OpenForReading(const std::wstring& path) {
  return ::open(krv::log::utf8_from_wide(path.c_str()).c_str(), O_RDONLY | O_CLOEXEC);
}

int OpenForWriting(const std::wstring& path) {
  const std::string name = krv::log::utf8_from_wide(path.c_str());
  if (::unlink(name.c_str()) != 0 && errno != ENOENT) return -1;
  return ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

int32_t ReadSome(int fd, void* buffer, uint32_t n) {
  return static_cast<int32_t>(::read(fd, buffer, n));
}

int32_t WriteSome(int fd, const void* buffer, uint32_t n) {
  return static_cast<int32_t>(::write(fd, buffer, n));
}

int64_t SeekTo(int fd, int64_t offset, int origin) {
  return ::lseek(fd, static_cast<off_t>(offset), origin);
}

void CloseDescriptor(int fd) { ::close(fd); }

}  // namespace krv::sfxarc::crt
