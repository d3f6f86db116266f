#include "sfxarc/m_file.h"

#include <algorithm>
#include <cstring>

namespace krv::sfxarc {

bool CMFile::Attach(uint8_t* data, uint32_t n) {
  if (attached_ || data == nullptr) return false;
  attached_ = true;
  data_ = data;
  size_ = n;
  position_ = 0;
  return true;
}

uint32_t CMFile::Available() const { return position_ < size_ ? size_ - position_ : 0; }

bool CMFile::Read(void* buffer, uint32_t n, uint32_t* count_read) {
  if (count_read != nullptr) *count_read = 0;
  if (!attached_ || position_ >= size_) return false;
  const uint32_t count = std::min(n, Available());
  std::memcpy(buffer, data_ + position_, count);
  position_ += count;
  if (count_read != nullptr) *count_read = count;
  return true;
}

bool CMFile::Write(const void* buffer, uint32_t n, uint32_t* count_written) {
  if (count_written != nullptr) *count_written = 0;
  if (!attached_ || position_ >= size_) return false;
  const uint32_t count = std::min(n, Available());
  std::memcpy(data_ + position_, buffer, count);
  position_ += count;
  if (count_written != nullptr) *count_written = count;
  return true;
}

uint8_t* CMFile::ReadBlock(uint32_t n) {
  // position_ may lie past the end after a Seek; Available() is 0 then.
  if (!attached_ || n > Available() || position_ > size_) return nullptr;
  uint8_t* block = data_ + position_;
  position_ += n;
  return block;
}

void CMFile::FreeBlock(uint8_t*) {}

uint32_t CMFile::Seek(uint32_t offset, int origin) {
  switch (origin) {
    case kSeekFromStart:
      position_ = offset;
      break;
    case kSeekFromCurrent:
      position_ += offset;
      break;
    case kSeekFromEnd:
      position_ = size_ + offset;
      break;
    default:
      return 0xFFFFFFFFu;
  }
  return position_;
}

void CMFile::Close() {
  attached_ = false;
  data_ = nullptr;
}

}  // namespace krv::sfxarc
