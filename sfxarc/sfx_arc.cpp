#include "sfxarc/sfx_arc.h"

#include <cstring>
#include <new>

#include "log/write_log.h"
#include "sfxarc/archive_format.h"
#include "sfxarc/m_file.h"
#include "sfxarc/sfxarc_log.h"
#include "sfxarc/signature.h"
#include "sfxarc/unpack_block.h"

namespace krv::sfxarc {

namespace {

using krv::log::kError;
using krv::log::kInfo;
using krv::signature::SignatureForm;
using krv::signature::VerifyMode;

// The mode the found form is verified in: a checksum stays a checksum, a
// second-generation block must verify as one, anything else as first
// generation.
VerifyMode ModeForForm(SignatureForm form) {
  switch (form) {
    case SignatureForm::kChecksum:
      return VerifyMode::kChecksum;
    case SignatureForm::kTextV2:
    case SignatureForm::kRawV2:
      return VerifyMode::kSecondGeneration;
    default:
      return VerifyMode::kFirstGeneration;
  }
}

// The size of the file signature block as the archive counts it; 0 for a
// form the archive does not take (the text DSA forms).
uint32_t ArchiveBlockSize(SignatureForm form) {
  switch (form) {
    case SignatureForm::kRawV2:
      return 72;
    case SignatureForm::kRawV1:
      return 48;
    case SignatureForm::kChecksum:
      return 42;
    default:
      return 0;
  }
}

// Two bytes lie between the content and a checksum block.
constexpr uint32_t kChecksumGap = 2;

}  // namespace

uint32_t SfxArc::Load(const std::wstring& path) {
  const krv::log::LogCategory& category = ArchiveLogCategory();
  const wchar_t* name = path.c_str();

  // The file is opened before its signature is checked and held from then
  // on. Its handle does not share deletion, so on Windows the file cannot be
  // renamed or deleted meanwhile and the path keeps naming the file whose
  // signature is checked; a copy put in its place between the check and the
  // opening would otherwise be what gets extracted. A failure to open is
  // reported where the opening used to come, after the signature checks.
  const bool opened = archive_file_.OpenRead(path);
  const uint32_t checked = CheckSignature(path);
  if (checked != 0) {
    if (opened) archive_file_.Close();
    return checked;
  }
  if (!opened) {
    krv::log::write_log(kError, category, L"Error opening archive '%ls'", name);
    return kArchiveCannotOpen;
  }
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

uint32_t SfxArc::CheckSignature(const std::wstring& path) {
  const krv::log::LogCategory& category = ArchiveLogCategory();
  const wchar_t* name = path.c_str();

  krv::signature::SignatureLocation location;
  if (!krv::signature::LocateSignature(path, VerifyMode::kAny, &location)) {
    krv::log::write_log(kError, category, L"Cannot get signature of archive '%ls' (code 0x%x)", name, 0u);
    return kArchiveDamaged;
  }
  // Beyond 4 GiB nothing can be an archive; the size check of Load refuses it.
  content_end_ = location.position > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(location.position);
  extra_data_length_ = 0;

  if (!krv::signature::VerifySignature(path, ModeForForm(location.form))) {
    krv::log::write_log(kError, category, L"Error in signature of archive '%ls' (code 0x%x)", name, 0u);
    return kArchiveDamaged;
  }

  const uint32_t block_size = ArchiveBlockSize(location.form);
  if (block_size == 0) {
    krv::log::write_log(kError, category, L"Unknown signature type of archive '%ls'", name);
    return kArchiveDamaged;
  }
  if (location.form == SignatureForm::kChecksum) content_end_ -= kChecksumGap;
  return 0;
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
