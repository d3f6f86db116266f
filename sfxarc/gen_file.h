#pragma once
// The common interface of the archive's file objects: a file on disk
// (CUFile) and a view of bytes in memory (CMFile). Parsing code takes a
// CGenFile, so the same code runs over either.

#include <cstdint>

namespace krv::sfxarc {

// Seek origins, as the C runtime numbers them.
enum SeekOrigin : int {
  kSeekFromStart = 0,
  kSeekFromCurrent = 1,
  kSeekFromEnd = 2,
};

// Abstract file object with a 32-bit position and size. Not thread-safe.
// Failures are reported by the return value; the subclasses keep the reason
// where they say so.
class CGenFile {
 public:
  CGenFile() = default;
  CGenFile(const CGenFile&) = delete;
  CGenFile& operator=(const CGenFile&) = delete;
  virtual ~CGenFile() = default;

  // Reads up to `n` bytes into `buffer`; `count_read` (may be null) gets the
  // number read. The base object has nothing to read and returns false.
  virtual bool Read(void* buffer, uint32_t n, uint32_t* count_read);

  // Writes up to `n` bytes from `buffer`; `count_written` (may be null) gets
  // the number written.
  virtual bool Write(const void* buffer, uint32_t n, uint32_t* count_written) = 0;

  // Returns `n` bytes from the current position as one block, or null. The
  // block belongs to this object: give it back with FreeBlock (FileBlock
  // does that).
  virtual uint8_t* ReadBlock(uint32_t n) = 0;

  // Releases a block returned by ReadBlock; null is ignored.
  virtual void FreeBlock(uint8_t* block) = 0;

  // Moves the position; returns the new position, 0xFFFFFFFF on failure.
  virtual uint32_t Seek(uint32_t offset, int origin) = 0;

  // Releases what the object refers to; it may be opened or attached again.
  virtual void Close() = 0;

  // The size in bytes.
  virtual uint32_t GetSize();

 protected:
  uint32_t position_ = 0;
  uint32_t size_ = 0;
};

// Reads a little-endian u32 as four one-byte Reads, least significant byte
// first. Returns true when all four bytes were read. A byte that could not be
// read counts as 0 in `value`; all four Reads are attempted either way.
bool ReadU32(CGenFile& file, uint32_t* value);

}  // namespace krv::sfxarc
