// Fuzz target: the archive map parser over bytes as an unpacked map block
// would hold them.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sfxarc/archive_map.h"
#include "sfxarc/m_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input, so that any read behind its end is seen by
  // AddressSanitizer rather than landing in libFuzzer's own buffer.
  std::vector<uint8_t> bytes(data, data + size);
  krv::sfxarc::CMFile view;
  if (!bytes.empty()) view.Attach(bytes.data(), static_cast<uint32_t>(bytes.size()));
  krv::sfxarc::ArchiveMap map;
  krv::sfxarc::ParseMap(view, &map);
  return 0;
}
