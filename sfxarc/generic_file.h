#pragma once
// krv::root::CGenericFile: the signature module's reader of whole files, with
// 64-bit positions and read-only memory mapping, so that a file of hundreds of
// megabytes is hashed through one mapped view instead of a copy. Windows: a
// file handle and section views; POSIX: a descriptor and mmap.
//
// Every operation reports failure by its return value and keeps the reason in
// last_error(): a Win32 error code (the POSIX build translates errno), or one
// of the codes below. Nothing throws. Not thread-safe: one reader per thread.

#include <cstdint>
#include <memory>
#include <string>

namespace krv::root {

class CGenericFile {
 public:
  // Codes of this reader besides the system's.
  static constexpr uint32_t kErrorDevicePath = 42006;     // the path names a device
  static constexpr uint32_t kErrorWindowTooLarge = 42057;  // a view of 4 GiB or more
  // System codes it sets itself.
  static constexpr uint32_t kErrorInvalidHandle = 6;     // not open
  static constexpr uint32_t kErrorNotEnoughMemory = 8;   // copy buffer not allocated
  static constexpr uint32_t kErrorReadFault = 30;        // fewer bytes than asked for
  static constexpr uint32_t kErrorHandleEof = 38;        // at or past the end
  static constexpr uint32_t kErrorOpenFailed = 110;      // mapping an empty file
  static constexpr uint32_t kErrorNegativeSeek = 131;
  static constexpr uint32_t kErrorSeekOnDevice = 132;    // whole view of an empty file
  static constexpr uint32_t kErrorBadArguments = 160;    // whole view of 0 bytes

  // Stores the path; nothing is opened.
  explicit CGenericFile(std::wstring path);
  // Closes.
  virtual ~CGenericFile();
  CGenericFile(const CGenericFile&) = delete;
  CGenericFile& operator=(const CGenericFile&) = delete;

  // Opens the existing file for reading, sharing reading and writing with
  // others, without changing its last-access time where the system allows.
  // Refuses a device (kErrorDevicePath). Windows: an absolute drive or network
  // path is opened in its extended-length form (ToExtendedLengthPath) with
  // 32-bit file-system redirection off. On success size() is the file's length
  // (0 for a directory) and the position is 0. An open object is closed first;
  // any failure leaves it closed.
  bool Open();

  // Unmaps every window, closes the file and frees buffers. Idempotent.
  void Close();

  // Reads exactly n bytes at offset into buffer, from the mapped window when it
  // covers them, else from the file. Does not move the position. A short read
  // sets kErrorReadFault; on failure buffer may be partly written.
  bool ReadAt(uint64_t offset, void* buffer, uint32_t n);

  // Reads up to *n bytes at the position, sets *n to the count read and
  // advances. Past the end it reads 0 bytes, except while a window is mapped,
  // when a position at or past the end fails with kErrorHandleEof (*n = 0).
  bool Read(void* buffer, uint32_t* n);

  // Read of exactly n bytes: kErrorReadFault when fewer came (the position has
  // still advanced by what was read).
  bool ReadExact(void* buffer, uint32_t n);

  // Sets the position; one at 2^63 or above (negative as a signed offset)
  // fails with kErrorNegativeSeek. Positions past the end are allowed.
  bool Seek(uint64_t position);

  // Maps a read-only window of window_size() bytes around position: it starts
  // at the position rounded down to the allocation granularity (a position at
  // or past the end counts as 0) and is shortened at the end of the file. An
  // empty file fails with kErrorOpenFailed. When the system cannot map the
  // file the reader switches to copy mode for good: windows of 2 x the
  // granularity are read into private memory instead. Calls nest: each
  // successful Map needs one Unmap; a nested Map moves the window.
  bool Map(uint64_t position);

  // A pointer to bytes [0, n) of the file, or null. Grows the window to cover
  // them (mapping, or reading n bytes in copy mode). Fails with
  // kErrorBadArguments for n = 0, kErrorSeekOnDevice for an empty file,
  // kErrorHandleEof for n beyond the size, kErrorWindowTooLarge for n of 4 GiB
  // or more. Counts as a Map when no window was mapped. The bytes stay valid
  // until the window is moved, Unmap releases it, or Close.
  const uint8_t* WholeView(uint64_t n);

  // Gives back one Map (or a WholeView that counted as one); the last one
  // releases the window.
  void Unmap();

  bool is_open() const;
  uint64_t size() const { return size_; }
  uint64_t position() const { return position_; }
  uint32_t last_error() const { return last_error_; }
  uint32_t window_size() const { return window_size_; }
  bool copy_mode() const { return copy_mode_; }
  const std::wstring& path() const { return path_; }

 private:
  struct Window {
    uint64_t start = 0;
    uint32_t length = 0;
    const uint8_t* view = nullptr;  // into a system view or into copy
    bool system_view = false;
    uint32_t map_count = 0;
    std::unique_ptr<uint8_t[]> copy;
  };

  bool Fail(uint32_t code);
  // Both put the window over [start, start + length) and keep map_count.
  // TryMapView maps it; when the system cannot, it switches to copy mode and
  // returns false. CopyWindow reads it into private memory.
  bool TryMapView(uint64_t start, uint32_t length);
  bool CopyWindow(uint64_t start, uint32_t length);
  // The window size, shortened at the end of the file.
  uint32_t WindowLength(uint64_t start) const;
  void ReleaseWindow();
  bool WindowCovers(uint64_t offset, uint32_t n) const;
  // Reads from the file itself; *done = bytes read.
  bool ReadFromFile(uint64_t offset, void* buffer, uint32_t n, uint32_t* done);

  std::wstring path_;
  intptr_t handle_;       // the system's file handle or descriptor
  intptr_t mapping_ = 0;  // Windows: the section made on first Map
  uint32_t attributes_ = 0;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
  uint32_t last_error_ = 0;
  Window window_;
  uint32_t granularity_ = 0;
  uint32_t window_size_ = 0;
  bool copy_mode_ = false;
};

// Makes every system mapping call of every CGenericFile fail while alive, to
// exercise copy mode. Tests only; not thread-safe.
class ScopedMappingFailure {
 public:
  ScopedMappingFailure();
  ~ScopedMappingFailure();
  ScopedMappingFailure(const ScopedMappingFailure&) = delete;
  ScopedMappingFailure& operator=(const ScopedMappingFailure&) = delete;

 private:
  bool previous_;
};

}  // namespace krv::root
