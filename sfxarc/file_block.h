#pragma once
// Ownership of one block returned by CGenFile::ReadBlock.

#include <cstdint>

#include "sfxarc/gen_file.h"

namespace krv::sfxarc {

// Reads `n` bytes from the file's current position as one block and gives it
// back to the file on destruction. The file must outlive the holder.
class FileBlock {
 public:
  FileBlock(CGenFile& file, uint32_t n) : file_(file), data_(file.ReadBlock(n)), size_(n) {}
  FileBlock(const FileBlock&) = delete;
  FileBlock& operator=(const FileBlock&) = delete;
  ~FileBlock() { file_.FreeBlock(data_); }

  // Null when the file returned no block.
  uint8_t* data() const { return data_; }
  uint32_t size() const { return size_; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  CGenFile& file_;
  uint8_t* data_;
  uint32_t size_;
};

}  // namespace krv::sfxarc
