#pragma once
// A file on disk read and written through a C runtime descriptor.

#include <cstdint>
#include <string>

#include "sfxarc/gen_file.h"

namespace krv::sfxarc {

// A file of at most 2 GiB - 1 bytes (positions are signed 32-bit, as the
// runtime's seek takes them). Failures leave a Win32 error code in
// last_error(): the runtime's errno through Win32CodeFromErrno, or the codes
// named below. Not thread-safe; SfxArc serialises its users.
class CUFile : public CGenFile {
 public:
  CUFile() = default;
  // Closes the file.
  ~CUFile() override;

  // Opens an existing file read-only (untranslated; on Windows others may
  // only read it while it is open, see crt_file.h).
  // On success size = the file's length, position = 0, the path is kept.
  // Fails with 6 when already open, 223 when the file is 2 GiB or longer,
  // else with the translated errno; the object stays closed then.
  bool OpenRead(const std::wstring& path);

  // Creates a file for reading and writing, readable and writable by its
  // owner, in place of any file at the path (on POSIX without writing
  // through a link that stands there: crt_file.h). Failures as OpenRead.
  bool OpenWrite(const std::wstring& path);

  // Reads in pieces of at most 4 MiB until `n` bytes are read or a read
  // returns nothing; `*count_read` (may be null) gets the count. True only
  // when all n bytes were read (the position then follows the descriptor).
  // False with 6 when not open, 38 when the file ended first, else errno's
  // code.
  bool Read(void* buffer, uint32_t n, uint32_t* count_read) override;

  // The same for writing; a write that writes nothing ends the loop (112).
  // The size follows what was written.
  bool Write(const void* buffer, uint32_t n, uint32_t* count_written) override;

  // A new zero-filled block of `n` bytes, filled by Read from the position.
  // The read's outcome is not reported: a short read leaves zeros at the
  // end. Null when the allocation fails, and, before anything is allocated,
  // when the block would reach 2 GiB or beyond (no file this object opens
  // has bytes there; a failed seek's position 0xFFFFFFFF counts as such).
  // Release with FreeBlock.
  uint8_t* ReadBlock(uint32_t n) override;
  void FreeBlock(uint8_t* block) override;

  // The runtime's seek with the same origin, `offset` taken as signed 32-bit.
  // Returns the new position, 0xFFFFFFFF on failure or when it would lie at
  // 2 GiB or beyond.
  uint32_t Seek(uint32_t offset, int origin) override;

  // Closes the descriptor if open and forgets the path. Keeps last_error().
  void Close() override;

  bool is_open() const { return open_; }
  const std::wstring& path() const { return path_; }
  uint32_t last_error() const { return last_error_; }

 private:
  bool Open(const std::wstring& path, bool for_writing);

  bool open_ = false;
  std::wstring path_;
  int fd_ = -1;
  uint32_t last_error_ = 0;
};

}  // namespace krv::sfxarc
