#include "sfxarc/sfx_arc.h"

#include <cstring>
#include <new>

#include "log/write_log.h"
#include "sfxarc/archive_format.h"
#include "sfxarc/archive_signature.h"
#include "sfxarc/m_file.h"
#include "sfxarc/sfxarc_log.h"
#include "sfxarc/unpack_block.h"

namespace krv::sfxarc {

namespace {

using krv::log::kError;
using krv::log::kInfo;

std::function<void(const std::wstring&)>& ArchiveOpenedHook() {
  static std::function<void(const std::wstring&)> hook;
  return hook;
}

}  // namespace

ScopedArchiveOpenedHook::ScopedArchiveOpenedHook(std::function<void(const std::wstring&)> hook)
    : previous_(std::move(ArchiveOpenedHook())) {
  ArchiveOpenedHook() = std::move(hook);
}

ScopedArchiveOpenedHook::~ScopedArchiveOpenedHook() { ArchiveOpenedHook() = std::move(previous_); }

uint32_t SfxArc::Load(const std::wstring& path) {
  const krv::log::LogCategory& category = ArchiveLogCategory();
  const wchar_t* name = path.c_str();

  if (archive_file_.is_open()) {
    krv::log::write_log(kError, category, L"Error opening archive '%ls'", name);
    return kArchiveCannotOpen;
  }
  // The file is opened once and held until destruction: its signature is
  // checked through this object and extraction reads through it, so what is
  // extracted is what was verified. On Windows the descriptor shares reading
  // only, so nobody can write, rename or delete the file meanwhile; on POSIX
  // a file renamed over the path is never looked at, since the path is not
  // opened again. A file that cannot be opened has no signature to get.
  if (!archive_file_.OpenRead(path)) {
    krv::log::write_log(kError, category, L"Cannot get signature of archive '%ls' (code 0x%x)", name, 0u);
    return kArchiveDamaged;
  }
  if (ArchiveOpenedHook()) ArchiveOpenedHook()(path);
  ArchiveSignature signature;
  const uint32_t checked = CheckArchiveSignature(archive_file_, BuiltInArchiveFormPolicy(), &signature);
  if (checked != 0) {
    archive_file_.Close();
    return checked;
  }
  content_end_ = signature.content_end;
  extra_data_length_ = 0;
  if (archive_file_.GetSize() < content_end_) {
    krv::log::write_log(kError, category, L"Incorrect content length of archive '%ls'", name);
    return kArchiveDamaged;
  }
  if (content_end_ < kTrailerSize) {
    krv::log::write_log(kError, category, L"Archive '%ls' is too small", name);
    return kArchiveDamaged;
  }
  uint32_t result = LoadMap(path);
  if (result == 0) result = CheckDeclaredSizes(path);
  if (result == 0) krv::log::write_log(kInfo, category, L"SFX archive '%ls' sucessfully loaded.", name);
  return result;
}

uint32_t SfxArc::LoadMap(const std::wstring& path) {
  const krv::log::LogCategory& category = ArchiveLogCategory();
  const wchar_t* name = path.c_str();

  // Extra data: [data N][N][EDAT] right below E. E >= 20, so E - 8 exists.
  uint32_t footer_length = 0;
  uint32_t footer_tag = 0;
  if (archive_file_.Seek(content_end_ - kExtraDataFooterSize, kSeekFromStart) ==
          content_end_ - kExtraDataFooterSize &&
      ReadU32(archive_file_, &footer_length) && ReadU32(archive_file_, &footer_tag) && footer_tag == kTagExtraData) {
    extra_data_length_ = footer_length + kExtraDataFooterSize;
  }

  // Trailer: [M]["KRVsetupSelfExt2"] right below the extra data. An extra-data
  // length reaching below the file's start leaves no trailer to read.
  const uint64_t below_end = static_cast<uint64_t>(extra_data_length_) + kTrailerSize;
  const uint32_t trailer = below_end <= content_end_ ? content_end_ - static_cast<uint32_t>(below_end) : 0;
  uint32_t map_offset = 0;
  char magic[kTrailerMagicSize + 1] = {};
  uint32_t count = 0;
  if (below_end > content_end_ || archive_file_.Seek(trailer, kSeekFromStart) != trailer ||
      !ReadU32(archive_file_, &map_offset) || !archive_file_.Read(magic, kTrailerMagicSize, &count) ||
      std::strcmp(magic, kTrailerMagic) != 0) {
    krv::log::write_log(kError, category, L"Incorrect magic of archive '%ls'", name);
    return kArchiveDamaged;
  }

  // The map block spans [M, T). M above T has no block: checked here rather
  // than left to an allocation of nearly 4 GiB failing, which on a 64-bit
  // host it need not.
  if (map_offset > trailer || archive_file_.Seek(map_offset, kSeekFromStart) != map_offset) return kArchiveDamaged;
  // A map larger than the limits is refused before it is read or unpacked.
  std::vector<uint8_t> map_bytes;
  if (trailer - map_offset > kMaxMapPackedSize) {
    krv::log::write_log(kError, category, L"Cannot load map block of archive '%ls'", name);
    return kArchiveDamaged;
  }
  {
    FileBlock block(archive_file_, trailer - map_offset);
    if (!block) return kArchiveDamaged;
    CMFile block_view;
    block_view.Attach(block.data(), block.size());
    if (UnpackBlock(block_view, map_bytes, kMaxMapUnpackedSize) != 0) {
      krv::log::write_log(kError, category, L"Cannot load map block of archive '%ls'", name);
      return kArchiveDamaged;
    }
  }

  CMFile map_view;
  if (map_bytes.empty() || !map_view.Attach(map_bytes.data(), static_cast<uint32_t>(map_bytes.size()))) {
    krv::log::write_log(kError, category, L"Error in unpacked map data of archive '%ls'", name);
    return kArchiveDamaged;
  }
  const uint32_t result = ParseMap(map_view, &map_);
  if (result != 0) {
    krv::log::write_log(kError, category, L"Error loading map of archive '%ls' (code 0x%x)", name, result);
  }
  return result;
}

std::unique_ptr<FileBlock> SfxArc::ReadStored(uint32_t offset, uint32_t size) {
  std::lock_guard<std::mutex> lock(archive_lock_);
  if (!archive_file_.is_open() || !InContent(offset, size) || archive_file_.Seek(offset, kSeekFromStart) != offset)
    return nullptr;
  std::unique_ptr<FileBlock> block(new (std::nothrow) FileBlock(archive_file_, size));
  if (!block || !*block) return nullptr;
  return block;
}

}  // namespace krv::sfxarc
