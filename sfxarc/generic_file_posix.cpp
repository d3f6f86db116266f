// CGenericFile's system calls on POSIX: open, pread and mmap. Paths are
// converted to UTF-8; errno values become Win32 codes.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "log/utf8_text.h"
#include "sfxarc/errno_code.h"
#include "sfxarc/generic_file.h"
#include "sfxarc/generic_file_os.h"

namespace krv::root::os {
namespace {

uint32_t LastErrno() { return krv::sfxarc::Win32CodeFromErrno(errno); }

}  // namespace

uint32_t OpenForReading(const std::wstring& path, OpenedFile* out) {
  const std::string name = krv::log::utf8_from_wide(path.c_str());
  struct stat st;
  if (::stat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
    return CGenericFile::kErrorDevicePath;
  }
  // O_NOATIME keeps the last-access time, but only the file's owner may ask.
  int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOATIME);
  if (fd < 0 && errno == EPERM) fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return LastErrno();
  if (::fstat(fd, &st) != 0) {
    const uint32_t error = LastErrno();
    ::close(fd);
    return error;
  }
  out->handle = fd;
  out->attributes = uint32_t(st.st_mode);
  out->size = S_ISREG(st.st_mode) ? uint64_t(st.st_size) : 0;
  return 0;
}

uint32_t ReadAt(intptr_t handle, uint64_t offset, void* buffer, uint32_t n, uint32_t* done) {
  *done = 0;
  for (;;) {
    const ssize_t got = ::pread(int(handle), buffer, n, off_t(offset));
    if (got >= 0) {
      *done = uint32_t(got);
      return 0;
    }
    if (errno != EINTR) return LastErrno();
  }
}

uint32_t AllocationGranularity() { return uint32_t(::sysconf(_SC_PAGESIZE)); }

uint32_t MapView(intptr_t handle, intptr_t*, uint64_t start, uint32_t length, const uint8_t** view) {
  void* p = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, int(handle), off_t(start));
  if (p == MAP_FAILED) return LastErrno();
  *view = static_cast<const uint8_t*>(p);
  return 0;
}

void UnmapView(const uint8_t* view, uint32_t length) { ::munmap(const_cast<uint8_t*>(view), length); }

void Close(intptr_t handle, intptr_t) { ::close(int(handle)); }

}  // namespace krv::root::os
