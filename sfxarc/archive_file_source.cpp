#include "sfxarc/archive_file_source.h"

namespace krv::sfxarc {

bool ArchiveFileSource::ReadAt(uint64_t offset, void* buffer, uint32_t n) {
  if (offset > size_) return false;
  const uint32_t at = static_cast<uint32_t>(offset);
  return file_.Seek(at, kSeekFromStart) == at && file_.Read(buffer, n, nullptr);
}

}  // namespace krv::sfxarc
