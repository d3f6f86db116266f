// SfxArc::CheckDeclaredSizes: what the entries say they will write, before
// anything is written.

#include "log/write_log.h"
#include "sfxarc/archive_format.h"
#include "sfxarc/keep_packed.h"
#include "sfxarc/m_file.h"
#include "sfxarc/sfx_arc.h"
#include "sfxarc/sfxarc_log.h"
#include "sfxarc/unpack_block.h"

namespace krv::sfxarc {

uint32_t SfxArc::CheckDeclaredSizes(const std::wstring& path) {
  uint64_t total = 0;
  for (SfxEntry& entry : map_.entries) {
    // Entries outside the content fail when extracted and write nothing.
    if (!InContent(entry.offset, entry.stored_size)) continue;
    if (entry.stored_size >= kPackedBlockHeaderSize) {
      const std::unique_ptr<FileBlock> header_bytes = ReadStored(entry.offset, kPackedBlockHeaderSize);
      CMFile view;
      PackedBlockHeader header;
      if (header_bytes && view.Attach(header_bytes->data(), header_bytes->size()) &&
          ReadPackedBlockHeader(view, &header))
        entry.unpacked_size = header.unpacked_size;
    }
    if (!entry.name.empty()) total += IsKeptPacked(entry.name) ? entry.stored_size : entry.unpacked_size;
    if (!entry.extra_name.empty()) total += entry.unpacked_size;
  }
  // At most kMaxMapEntries * 2 * 4 GiB: the sum cannot wrap.
  if (total <= kMaxPackageExtractedSize) return 0;
  krv::log::write_log(krv::log::kError, ArchiveLogCategory(), L"Entries of archive '%ls' would write more than %u MiB",
                      path.c_str(), static_cast<uint32_t>(kMaxPackageExtractedSize >> 20));
  return kArchiveDamaged;
}

}  // namespace krv::sfxarc
