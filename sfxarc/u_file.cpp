#include "sfxarc/u_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "sfxarc/crt_file.h"
#include "sfxarc/errno_code.h"

namespace krv::sfxarc {

namespace {

// Largest transfer per runtime call.
constexpr uint32_t kPieceSize = 0x400000;
// Positions are signed 32-bit: the last byte of a file must lie below 2 GiB.
constexpr int64_t kMaxFileSize = 0x7FFFFFFF;

constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorHandleEof = 38;
constexpr uint32_t kErrorDiskFull = 112;
constexpr uint32_t kErrorFileTooLarge = 223;

}  // namespace

CUFile::~CUFile() { Close(); }

bool CUFile::OpenRead(const std::wstring& path) { return Open(path, false); }

bool CUFile::OpenWrite(const std::wstring& path) { return Open(path, true); }

bool CUFile::Open(const std::wstring& path, bool for_writing) {
  if (open_) {
    last_error_ = kErrorInvalidHandle;
    return false;
  }
  const int fd = for_writing ? crt::OpenForWriting(path) : crt::OpenForReading(path);
  if (fd < 0) {
    last_error_ = Win32CodeFromErrno(errno);
    return false;
  }
  const int64_t length = crt::SeekTo(fd, 0, kSeekFromEnd);
  if (length < 0 || length > kMaxFileSize || crt::SeekTo(fd, 0, kSeekFromStart) != 0) {
    last_error_ = length < 0 ? Win32CodeFromErrno(errno) : kErrorFileTooLarge;
    crt::CloseDescriptor(fd);
    return false;
  }
  fd_ = fd;
  open_ = true;
  path_ = path;
  size_ = static_cast<uint32_t>(length);
  position_ = 0;
  return true;
}

bool CUFile::Read(void* buffer, uint32_t n, uint32_t* count_read) {
  if (count_read != nullptr) *count_read = 0;
  if (!open_) {
    last_error_ = kErrorInvalidHandle;
    return false;
  }
  uint8_t* out = static_cast<uint8_t*>(buffer);
  uint32_t done = 0;
  int32_t got = 0;
  while (done < n) {
    got = crt::ReadSome(fd_, out + done, std::min(n - done, kPieceSize));
    if (got <= 0) break;
    done += static_cast<uint32_t>(got);
  }
  if (count_read != nullptr) *count_read = done;
  if (done < n) {
    last_error_ = got < 0 ? Win32CodeFromErrno(errno) : kErrorHandleEof;
    return false;
  }
  position_ = static_cast<uint32_t>(crt::SeekTo(fd_, 0, kSeekFromCurrent));
  return true;
}

bool CUFile::Write(const void* buffer, uint32_t n, uint32_t* count_written) {
  if (count_written != nullptr) *count_written = 0;
  if (!open_) {
    last_error_ = kErrorInvalidHandle;
    return false;
  }
  const uint8_t* in = static_cast<const uint8_t*>(buffer);
  uint32_t done = 0;
  uint32_t error = kErrorDiskFull;
  while (done < n) {
    const int32_t put = crt::WriteSome(fd_, in + done, std::min(n - done, kPieceSize));
    if (put <= 0) {
      if (put < 0) error = Win32CodeFromErrno(errno);
      break;
    }
    done += static_cast<uint32_t>(put);
  }
  if (count_written != nullptr) *count_written = done;
  const int64_t end_of_write = crt::SeekTo(fd_, 0, kSeekFromCurrent);
  if (end_of_write > size_ && end_of_write <= kMaxFileSize) size_ = static_cast<uint32_t>(end_of_write);
  if (done < n) {
    last_error_ = error;
    return false;
  }
  position_ = static_cast<uint32_t>(end_of_write);
  return true;
}

uint8_t* CUFile::ReadBlock(uint32_t n) {
  if (static_cast<int64_t>(position_) + n > kMaxFileSize) return nullptr;
  // calloc: one allocation of the whole block, zeroed, so a short read
  // leaves a zero tail; at least one byte, so that n = 0 is not "none".
  uint8_t* block = static_cast<uint8_t*>(std::calloc(std::max<uint32_t>(n, 1), 1));
  if (block == nullptr) return nullptr;
  Read(block, n, nullptr);
  return block;
}

void CUFile::FreeBlock(uint8_t* block) { std::free(block); }

uint32_t CUFile::Seek(uint32_t offset, int origin) {
  if (!open_) {
    last_error_ = kErrorInvalidHandle;
    position_ = 0xFFFFFFFFu;
    return position_;
  }
  const int64_t result = crt::SeekTo(fd_, static_cast<int32_t>(offset), origin);
  if (result < 0 || result > kMaxFileSize) {
    if (result < 0) last_error_ = Win32CodeFromErrno(errno);
    position_ = 0xFFFFFFFFu;
  } else {
    position_ = static_cast<uint32_t>(result);
  }
  return position_;
}

void CUFile::Close() {
  if (fd_ >= 0) crt::CloseDescriptor(fd_);
  fd_ = -1;
  open_ = false;
  path_.clear();
  path_.shrink_to_fit();
}

}  // namespace krv::sfxarc
