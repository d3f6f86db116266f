#pragma once
// The archive's own file object as the signature check's byte source, so
// that the signature is located and verified through the very object that
// extraction reads afterwards.

#include <cstdint>

#include "sfxarc/signature.h"
#include "sfxarc/u_file.h"

namespace krv::sfxarc {

// Reads the open `file` by seek and read; the file must outlive the source
// and be used by nobody else meanwhile (the reads move its position). The
// size is the file's as it was opened.
class ArchiveFileSource : public krv::signature::ByteSource {
 public:
  explicit ArchiveFileSource(CUFile& file) : file_(file), size_(file.GetSize()) {}

  uint64_t Size() const override { return size_; }

  // Exactly n bytes at offset, or false: an offset the file object cannot
  // reach, a failed read, or fewer bytes than asked for (the file shrank).
  bool ReadAt(uint64_t offset, void* buffer, uint32_t n) override;

 private:
  CUFile& file_;
  uint32_t size_;
};

}  // namespace krv::sfxarc
