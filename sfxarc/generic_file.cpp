#include "sfxarc/generic_file.h"

#include <cstring>
#include <new>

#include "sfxarc/generic_file_os.h"

namespace krv::root {
namespace {

bool g_fail_mapping = false;

// Mapped windows are this many allocation granules long, copied ones 2.
constexpr uint32_t kMappedWindowGranules = 60;
constexpr uint32_t kCopiedWindowGranules = 2;

}  // namespace

CGenericFile::CGenericFile(std::wstring path) : path_(std::move(path)), handle_(os::kNoHandle) {}

CGenericFile::~CGenericFile() { Close(); }

bool CGenericFile::is_open() const { return handle_ != os::kNoHandle; }

bool CGenericFile::Fail(uint32_t code) {
  last_error_ = code;
  return false;
}

bool CGenericFile::Open() {
  Close();
  os::OpenedFile opened;
  const uint32_t error = os::OpenForReading(path_, &opened);
  if (error != 0) return Fail(error);
  handle_ = opened.handle;
  attributes_ = opened.attributes;
  size_ = opened.size;
  position_ = 0;
  granularity_ = os::AllocationGranularity();
  window_size_ = kMappedWindowGranules * granularity_;
  copy_mode_ = false;
  last_error_ = 0;
  return true;
}

void CGenericFile::Close() {
  ReleaseWindow();
  window_.map_count = 0;
  window_.copy.reset();
  if (handle_ != os::kNoHandle) os::Close(handle_, mapping_);
  handle_ = os::kNoHandle;
  mapping_ = 0;
  attributes_ = 0;
  size_ = 0;
  position_ = 0;
  copy_mode_ = false;
}

bool CGenericFile::WindowCovers(uint64_t offset, uint32_t n) const {
  return window_.map_count != 0 && window_.view && offset >= window_.start &&
         offset - window_.start <= window_.length && n <= window_.length - (offset - window_.start);
}

bool CGenericFile::ReadFromFile(uint64_t offset, void* buffer, uint32_t n, uint32_t* done) {
  *done = 0;
  uint8_t* out = static_cast<uint8_t*>(buffer);
  while (*done < n) {
    uint32_t got = 0;
    const uint32_t error = os::ReadAt(handle_, offset + *done, out + *done, n - *done, &got);
    if (error != 0) return Fail(error);
    if (got == 0) break;
    *done += got;
  }
  return true;
}

bool CGenericFile::ReadAt(uint64_t offset, void* buffer, uint32_t n) {
  if (!is_open()) return Fail(kErrorInvalidHandle);
  if (WindowCovers(offset, n)) {
    std::memcpy(buffer, window_.view + (offset - window_.start), n);
    return true;
  }
  uint32_t done = 0;
  if (!ReadFromFile(offset, buffer, n, &done)) return false;
  if (done != n) return Fail(kErrorReadFault);
  return true;
}

bool CGenericFile::Read(void* buffer, uint32_t* n) {
  const uint32_t wanted = *n;
  *n = 0;
  if (!is_open()) return Fail(kErrorInvalidHandle);
  if (position_ >= size_) {
    if (window_.map_count != 0) return Fail(kErrorHandleEof);
    return true;
  }
  const uint64_t left = size_ - position_;
  const uint32_t count = left < wanted ? uint32_t(left) : wanted;
  if (WindowCovers(position_, count)) {
    std::memcpy(buffer, window_.view + (position_ - window_.start), count);
    *n = count;
  } else if (!ReadFromFile(position_, buffer, count, n)) {
    return false;
  }
  position_ += *n;
  return true;
}

bool CGenericFile::ReadExact(void* buffer, uint32_t n) {
  uint32_t got = n;
  if (!Read(buffer, &got)) return false;
  if (got != n) return Fail(kErrorReadFault);
  return true;
}

bool CGenericFile::Seek(uint64_t position) {
  if (!is_open()) return Fail(kErrorInvalidHandle);
  if (position > uint64_t(INT64_MAX)) return Fail(kErrorNegativeSeek);
  position_ = position;
  return true;
}

void CGenericFile::ReleaseWindow() {
  if (window_.view && window_.system_view) os::UnmapView(window_.view, window_.length);
  window_.view = nullptr;
  window_.system_view = false;
  window_.start = 0;
  window_.length = 0;
}

bool CGenericFile::TryMapView(uint64_t start, uint32_t length) {
  ReleaseWindow();
  if (copy_mode_) return false;
  const uint8_t* view = nullptr;
  if (!g_fail_mapping && os::MapView(handle_, &mapping_, start, length, &view) == 0) {
    window_.copy.reset();
    window_.view = view;
    window_.system_view = true;
    window_.start = start;
    window_.length = length;
    return true;
  }
  // The system could not map the file (a network share, an exhausted address
  // space...): read windows into private memory from now on.
  copy_mode_ = true;
  window_size_ = kCopiedWindowGranules * granularity_;
  return false;
}

bool CGenericFile::CopyWindow(uint64_t start, uint32_t length) {
  ReleaseWindow();
  window_.copy.reset(new (std::nothrow) uint8_t[length]);
  if (!window_.copy) return Fail(kErrorNotEnoughMemory);
  uint32_t done = 0;
  const bool read = ReadFromFile(start, window_.copy.get(), length, &done);
  if (!read || done != length) {
    window_.copy.reset();
    return read ? Fail(kErrorReadFault) : false;
  }
  window_.view = window_.copy.get();
  window_.start = start;
  window_.length = length;
  return true;
}

uint32_t CGenericFile::WindowLength(uint64_t start) const {
  return size_ - start < window_size_ ? uint32_t(size_ - start) : window_size_;
}

bool CGenericFile::Map(uint64_t position) {
  if (!is_open()) return Fail(kErrorInvalidHandle);
  if (size_ == 0) return Fail(kErrorOpenFailed);
  if (position >= size_) position = 0;
  const uint64_t start = position - position % granularity_;
  // A failed TryMapView switches to copy mode, which has its own window size.
  if (!TryMapView(start, WindowLength(start)) && !CopyWindow(start, WindowLength(start))) return false;
  ++window_.map_count;
  return true;
}

const uint8_t* CGenericFile::WholeView(uint64_t n) {
  if (!is_open()) return Fail(kErrorInvalidHandle), nullptr;
  if (n == 0) return Fail(kErrorBadArguments), nullptr;
  if (size_ == 0) return Fail(kErrorSeekOnDevice), nullptr;
  if (n > size_) return Fail(kErrorHandleEof), nullptr;
  if (window_.map_count != 0 && window_.view && window_.start == 0 && window_.length >= n) return window_.view;
  if (n >= (uint64_t(1) << 32)) return Fail(kErrorWindowTooLarge), nullptr;
  if (!TryMapView(0, uint32_t(n)) && !CopyWindow(0, uint32_t(n))) return nullptr;
  if (window_.map_count == 0) window_.map_count = 1;
  return window_.view;
}

void CGenericFile::Unmap() {
  if (window_.map_count == 0) return;
  if (--window_.map_count == 0) {
    ReleaseWindow();
    window_.copy.reset();
  }
}

ScopedMappingFailure::ScopedMappingFailure() : previous_(g_fail_mapping) { g_fail_mapping = true; }

ScopedMappingFailure::~ScopedMappingFailure() { g_fail_mapping = previous_; }

}  // namespace krv::root
