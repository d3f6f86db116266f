#pragma once
// A file object over bytes in memory that it does not own.

#include <cstdint>

#include "sfxarc/gen_file.h"

namespace krv::sfxarc {

// A view of a caller's buffer. The buffer is never grown or freed here and
// must outlive the attachment. Reads past the end fail; nothing is copied by
// ReadBlock, so parsing runs over the buffer in place.
class CMFile : public CGenFile {
 public:
  CMFile() = default;
  ~CMFile() override = default;

  // Views `n` bytes at `data`; size = n, position = 0. False, with nothing
  // changed, when already attached or when `data` is null.
  bool Attach(uint8_t* data, uint32_t n);

  // Copies min(n, size - position) bytes out and advances by that many.
  // False, with `*count_read` 0, when not attached or at or past the end.
  bool Read(void* buffer, uint32_t n, uint32_t* count_read) override;

  // The same, copying into the viewed buffer.
  bool Write(const void* buffer, uint32_t n, uint32_t* count_written) override;

  // A pointer to the `n` bytes at the position, which advances by n. Null,
  // with the position unchanged, when fewer than n bytes remain or when not
  // attached.
  uint8_t* ReadBlock(uint32_t n) override;

  // Blocks point into the viewed buffer: nothing to release.
  void FreeBlock(uint8_t* block) override;

  // From the start: position = offset. From the current position or from the
  // end: that position plus `offset` taken as signed. No range check: a later
  // Read or ReadBlock fails instead. Returns the new position.
  uint32_t Seek(uint32_t offset, int origin) override;

  // Detaches; size and position stay until the next Attach.
  void Close() override;

  bool attached() const { return attached_; }
  uint32_t position() const { return position_; }

 private:
  uint32_t Available() const;

  bool attached_ = false;
  uint8_t* data_ = nullptr;
};

}  // namespace krv::sfxarc
