#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include "sfxarc/crt_file.h"

namespace krv::sfxarc::crt {

int OpenForReading(const std::wstring& path) {
  // Others may read but neither write, delete nor rename while it is open:
  // the archive is verified and extracted through this one descriptor.
  return ::_wsopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYWR);
}

int OpenForWriting(const std::wstring& path) {
  return ::_wsopen(path.c_str(), _O_RDWR | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                   _S_IREAD | _S_IWRITE);
}

int32_t ReadSome(int fd, void* buffer, uint32_t n) { return ::_read(fd, buffer, n); }

int32_t WriteSome(int fd, const void* buffer, uint32_t n) { return ::_write(fd, buffer, n); }

int64_t SeekTo(int fd, int64_t offset, int origin) { return ::_lseeki64(fd, offset, origin); }

void CloseDescriptor(int fd) { ::_close(fd); }

}  // namespace krv::sfxarc::crt
