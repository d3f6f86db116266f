#pragma once
// Where the signature code reads a signed file from: a file on disk through
// CGenericFile, an image already in memory (tests, fuzzing, callers that hold
// the bytes), or a file a caller already holds open and reads through its own
// object, so that what is checked is what that caller reads afterwards.

#include <cstddef>
#include <cstdint>

#include "sfxarc/generic_file.h"

namespace krv::signature {

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  virtual uint64_t Size() const = 0;

  // Reads exactly n bytes at offset; false on a short or failed read (buffer
  // then undefined). A file that has shrunk since it was opened gives a short
  // read, never a fault.
  virtual bool ReadAt(uint64_t offset, void* buffer, uint32_t n) = 0;
};

// A view of bytes the caller owns; they must outlive the source.
class MemoryByteSource : public ByteSource {
 public:
  MemoryByteSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buffer, uint32_t n) override;

 private:
  const uint8_t* data_;
  size_t size_;
};

// A file read through CGenericFile with the system's read call (no mapping:
// a mapped file cut short by someone else faults when read).
class FileByteSource : public ByteSource {
 public:
  explicit FileByteSource(const std::wstring& path) : file_(path) {}

  // Opens the file; false (with file().last_error()) when it cannot be opened.
  bool Open() { return file_.Open(); }

  uint64_t Size() const override { return file_.size(); }
  bool ReadAt(uint64_t offset, void* buffer, uint32_t n) override { return file_.ReadAt(offset, buffer, n); }

  const krv::root::CGenericFile& file() const { return file_; }

 private:
  krv::root::CGenericFile file_;
};

}  // namespace krv::signature
