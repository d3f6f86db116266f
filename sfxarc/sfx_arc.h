#pragma once
// SfxArc: the reader of the archive a package carries in its own file
// (layout in archive_format.h). Load checks the file's signature, finds the
// trailer and the map, and keeps the file open for extraction.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sfxarc/archive_map.h"
#include "sfxarc/file_block.h"
#include "sfxarc/sfx_entry.h"
#include "sfxarc/u_file.h"

namespace krv::progress {
class ProgressCallback;
}  // namespace krv::progress

namespace krv::sfxarc {

class MemoryBudget;

// Load's codes besides the map parser's (archive_map.h).
constexpr uint32_t kArchiveCannotOpen = 2;
constexpr uint32_t kArchiveDamaged = 1006;

// The most bytes the entries being extracted at once may hold in memory,
// each its stored bytes plus, when it is unpacked, its declared unpacked
// size. Sized for the 32-bit stub, whose 2 GiB of address space also holds
// the program, the heap's fragments and the threads' stacks; an entry larger
// than this still runs, alone.
constexpr uint64_t kExtractionMemoryBudget = 256u << 20;

// The most entries ExtractAllFiles extracts at once (the job pool's limit).
constexpr uint32_t kMaxExtractionWorkers = 50;

// Tests only: while alive, Load calls `hook` with its path right after it
// has opened the archive file and before it reads anything from it, so that a
// test can replace or rewrite the file there. Restores the previous hook on
// destruction. Not thread-safe.
class ScopedArchiveOpenedHook {
 public:
  explicit ScopedArchiveOpenedHook(std::function<void(const std::wstring&)> hook);
  ~ScopedArchiveOpenedHook();
  ScopedArchiveOpenedHook(const ScopedArchiveOpenedHook&) = delete;
  ScopedArchiveOpenedHook& operator=(const ScopedArchiveOpenedHook&) = delete;

 private:
  std::function<void(const std::wstring&)> previous_;
};

class SfxArc {
 public:
  SfxArc() = default;
  SfxArc(const SfxArc&) = delete;
  SfxArc& operator=(const SfxArc&) = delete;
  // Closes the archive file.
  ~SfxArc() = default;

  // Loads the archive in the file at `path` (the package's own path): opens
  // the file once, checks its signature through that one open file
  // (CheckArchiveSignature, under BuiltInArchiveFormPolicy) and keeps it
  // open for extraction. Writes one line in category "sfxarc" per outcome
  // (none for step 9, below) and returns:
  //   0      loaded: "SFX archive '<path>' sucessfully loaded." (info)
  //   1006   the file cannot be opened or has no signature block of any
  //          form; a form the policy does not take as keyed (the checksum
  //          form always), or a block that does not verify; a text DSA
  //          form; a file shorter than the content end E; E below 20; a
  //          bad trailer magic; a map offset M above the trailer (no line);
  //          a map block that does not unpack, or unpacks to nothing
  //   2      this object already has its file open
  //   87, 1006, 0xFFFFFFFF  the map parser's code
  // On failure the object keeps what it reached (the file may be open, the
  // map partly read) and must not be extracted; it cannot be loaded again.
  // A map beyond the limits of archive_format.h fails with 1006 as well: a
  // map block larger than kMaxMapPackedSize packed or kMaxMapUnpackedSize
  // unpacked ("Cannot load map block of archive '<path>'"), more than
  // kMaxMapEntries entries (the parser's 1006), or entries that would write
  // more than kMaxPackageExtractedSize in all ("Entries of archive '<path>'
  // would write more than 8192 MiB"). Memory failures are codes, not
  // exceptions.
  uint32_t Load(const std::wstring& path);

  // The map's CMDL: the installer's command-line template. Empty until Load.
  const std::wstring& CommandLineTemplate() const { return map_.command_line; }
  // The map's SFXN: the package's short name.
  const std::wstring& Name() const { return map_.name; }
  // The map's CMDP: offset and stored size of the parameter block.
  const SfxEntry& ParameterEntry() const { return map_.parameters; }
  // One per FILE of the map, in map order.
  const std::vector<SfxEntry>& Entries() const { return map_.entries; }
  // E: where the file signature block starts, 0 before Load.
  uint32_t ContentEnd() const { return content_end_; }
  // N + 8 when an extra-data block lies in front of the trailer, else 0.
  uint32_t ExtraDataLength() const { return extra_data_length_; }

  // Whether the `size` bytes at `offset` lie wholly below the content end E,
  // the bytes the signature covers. False for all before Load.
  bool InContent(uint32_t offset, uint32_t size) const {
    return size <= content_end_ && offset <= content_end_ - size;
  }

  // Reads `size` bytes at `offset` of the archive file as one block, under
  // the archive lock, so that any thread may call it while others do. Null
  // when the file is not open, the bytes do not lie wholly below the content
  // end (InContent), or memory runs out. The block must be released before
  // this object is destroyed.
  std::unique_ptr<FileBlock> ReadStored(uint32_t offset, uint32_t size);

  // Extracts every entry into `folder`, one job per entry on a pool of up to
  // 50 worker threads, and returns when all have ended (extract_all.cpp).
  // The entries in work at once hold at most `memory_budget` bytes (stored
  // plus declared unpacked size each; one larger runs alone): a job waits
  // for its share before it reads its stored bytes, in map order.
  // With `progress`: SetOverallTotal(number of entries), SetOverallDone(0),
  // then SetOverallDone(entries finished so far) after each entry, from the
  // worker that finished it; cancellation is not acted on. Every entry is
  // attempted; a failed one logs "Error extracting file '<name>' (code
  // 0x<code>)" (error, "sfxarc"). Returns 0 when all succeeded, else the
  // code of the failed entry that stored its code last (see ExtractEntry).
  // At most `max_workers` (1 to kMaxExtractionWorkers) run at once. Only
  // after a successful Load. Memory failures are codes, not exceptions.
  uint32_t ExtractAllFiles(const std::wstring& folder, progress::ProgressCallback* progress,
                           uint32_t max_workers = kMaxExtractionWorkers,
                           uint64_t memory_budget = kExtractionMemoryBudget);

  // Writes one entry below `folder` (extract_entry.cpp): under its name, the
  // stored bytes as they are (packed, with the entry's own signature block)
  // or, with `unpack`, the unpacked content; under its extra name, when it
  // has one, always the unpacked content. The file under the name gets the
  // entry's time as its last-access and last-write times. With `budget`,
  // holds its stored and (when it unpacks) declared unpacked size of it
  // while it works, waiting for them before it reads. Returns 0, or:
  //   1006  a name or extra name that could leave the folder or names a
  //         device (entry_name_check.h), stored bytes that do not lie wholly
  //         below the content end, or a declared unpacked size beyond
  //         kMaxEntryUnpackedSize when the entry is unpacked: nothing is
  //         read or written; or the unpacked content is empty
  //   8     the stored bytes cannot be read into memory
  //   0xA002, 8  UnpackBlock's code (0xA002 also for a block that declares
  //         more than it did at Load: the file changed)
  //   82    an output file cannot be created or written whole, or a folder
  //         on its way below `folder` is a link (nothing is written or
  //         removed then)
  // On failure the entry's output files are removed again. Any thread may
  // call it while others do.
  uint32_t ExtractEntry(const std::wstring& folder, const SfxEntry& entry, bool unpack,
                        MemoryBudget* budget = nullptr);

 private:
  // Steps 7 to 12 of Load, once the file is open and E is known.
  uint32_t LoadMap(const std::wstring& path);
  // After the map: reads the header of each entry's block into its
  // unpacked_size and sums what extraction would write
  // (declared_sizes.cpp); 0, or kArchiveDamaged after its line when the sum
  // exceeds kMaxPackageExtractedSize.
  uint32_t CheckDeclaredSizes(const std::wstring& path);

  ArchiveMap map_;
  CUFile archive_file_;
  uint32_t content_end_ = 0;
  uint32_t extra_data_length_ = 0;
  // Serialises seek-and-read on archive_file_ between extraction workers.
  std::mutex archive_lock_;
};

}  // namespace krv::sfxarc
