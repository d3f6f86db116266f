#pragma once
// One entry of the archive, as its map describes it.

#include <cstdint>
#include <string>

namespace krv::sfxarc {

struct SfxEntry {
  // File name relative to the extraction folder (NAME); empty if absent.
  std::wstring name;
  // Absolute file offset and size of the stored bytes (PTRL): the packed
  // block, as a rule followed by the entry's own signature block.
  uint32_t offset = 0;
  uint32_t stored_size = 0;
  // Seconds since 1970-01-01 00:00 UTC (PTRL's u32, high half 0).
  int64_t time = 0;
  // A second name for the unpacked content (XNAM); empty if absent.
  std::wstring extra_name;
  // The unpacked size U that the header of the entry's block declared when
  // the archive was loaded; 0 when the stored bytes lie outside the content
  // or hold no block header.
  uint32_t unpacked_size = 0;
};

}  // namespace krv::sfxarc
