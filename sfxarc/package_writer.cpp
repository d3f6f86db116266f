#include "sfxarc/package_writer.h"

#include "sfxarc/archive_format.h"
#include "sfxarc/pack_block.h"

namespace krv::sfxarc {

namespace {

using krv::signature::SignatureForm;
using krv::signature::SignStatus;

// The reader opens files below 2 GiB only (positions are signed 32-bit).
constexpr size_t kMaxPackageSize = 0x7FFFFFFF;

void AppendU32(std::vector<uint8_t>* out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(value >> shift));
}

void SetStatus(SignStatus* out, SignStatus status) {
  if (out != nullptr) *out = status;
}

// Appends a packed block of `content`, followed by its own form 5 block when
// keys are given. `*offset` and `*size` get where it went.
PackageStatus AppendStored(const PackageSpec& spec, PackerId packer, const std::vector<uint8_t>& content,
                           std::vector<uint8_t>* image, uint32_t* offset, uint32_t* size, SignStatus* sign_status) {
  const size_t start = image->size();
  if (PackBlock(packer, content, image) != 0) return PackageStatus::kPackFailed;
  if (spec.entry_keys != nullptr) {
    std::vector<uint8_t> block;
    const SignStatus status = krv::signature::MakeSignatureBlock(
        SignatureForm::kRawV2, image->data() + start, image->size() - start, *spec.entry_keys, spec.entry_key_number,
        &block);
    SetStatus(sign_status, status);
    if (status != SignStatus::kOk) return PackageStatus::kSignFailed;
    image->insert(image->end(), block.begin(), block.end());
  }
  if (image->size() > kMaxPackageSize) return PackageStatus::kTooLarge;
  *offset = static_cast<uint32_t>(start);
  *size = static_cast<uint32_t>(image->size() - start);
  return PackageStatus::kOk;
}

}  // namespace

const char* PackageStatusText(PackageStatus status) {
  switch (status) {
    case PackageStatus::kOk:
      return "ok";
    case PackageStatus::kPackFailed:
      return "packing failed";
    case PackageStatus::kTooLarge:
      return "the package would reach 2 GiB";
    case PackageStatus::kSignFailed:
      return "signing failed";
  }
  return "unknown status";
}

PackageStatus BuildPackage(const PackageSpec& spec, std::vector<uint8_t>* image, PackageLayout* layout,
                           SignStatus* sign_status) {
  SetStatus(sign_status, SignStatus::kOk);
  PackageLayout placed;
  *image = spec.stub;
  if (image->size() > kMaxPackageSize) return PackageStatus::kTooLarge;

  MapContent map;
  map.name = spec.name;
  map.command_line = spec.command_line;
  for (const PackageEntry& entry : spec.entries) {
    MapFile file;
    file.name = entry.name;
    file.time = entry.time;
    file.extra_name = entry.extra_name;
    const PackageStatus status =
        AppendStored(spec, entry.packer, entry.content, image, &file.offset, &file.stored_size, sign_status);
    if (status != PackageStatus::kOk) return status;
    map.files.push_back(file);
  }
  if (spec.parameters) {
    const PackageStatus status = AppendStored(spec, spec.parameters_packer, *spec.parameters, image,
                                              &placed.parameters_offset, &placed.parameters_size, sign_status);
    if (status != PackageStatus::kOk) return status;
    map.parameters = std::make_pair(placed.parameters_offset, placed.parameters_size);
  }
  placed.files = map.files;

  placed.map_offset = static_cast<uint32_t>(image->size());
  if (PackBlock(spec.map_packer, spec.raw_map ? *spec.raw_map : EncodeMap(map), image) != 0) {
    return PackageStatus::kPackFailed;
  }
  placed.map_size = static_cast<uint32_t>(image->size()) - placed.map_offset;
  placed.trailer_offset = static_cast<uint32_t>(image->size());
  AppendU32(image, placed.map_offset);
  image->insert(image->end(), kTrailerMagic, kTrailerMagic + kTrailerMagicSize);
  // The reader finds the extra data first, right below the content end, and
  // the trailer right below it.
  if (spec.extra_data) {
    image->insert(image->end(), spec.extra_data->begin(), spec.extra_data->end());
    AppendU32(image, static_cast<uint32_t>(spec.extra_data->size()));
    AppendU32(image, kTagExtraData);
  }
  if (image->size() > kMaxPackageSize) return PackageStatus::kTooLarge;
  placed.content_end = static_cast<uint32_t>(image->size());
  if (layout != nullptr) *layout = std::move(placed);
  return PackageStatus::kOk;
}

namespace {

// AppendFileSignature, and with table_size not 0 its Authenticode variant.
PackageStatus AppendSignature(std::vector<uint8_t>* image, SignatureForm form, const krv::signature::DsaKeySet& keys,
                              int key_number, uint32_t table_size, SignStatus* sign_status) {
  std::vector<uint8_t> signed_image = *image;
  if (form == SignatureForm::kChecksum) {
    signed_image.push_back('\r');
    signed_image.push_back('\n');
  }
  std::vector<uint8_t> block;
  const SignStatus status =
      table_size == 0
          ? krv::signature::MakeSignatureBlock(form, signed_image.data(), signed_image.size(), keys, key_number, &block)
          : krv::signature::ReserveForAuthenticode(form, &signed_image, keys, key_number, table_size, &block);
  SetStatus(sign_status, status);
  if (status != SignStatus::kOk) return PackageStatus::kSignFailed;
  signed_image.insert(signed_image.end(), block.begin(), block.end());
  if (signed_image.size() > kMaxPackageSize) return PackageStatus::kTooLarge;
  image->swap(signed_image);
  return PackageStatus::kOk;
}

}  // namespace

PackageStatus AppendFileSignature(std::vector<uint8_t>* image, SignatureForm form,
                                  const krv::signature::DsaKeySet& keys, int key_number, SignStatus* sign_status) {
  return AppendSignature(image, form, keys, key_number, 0, sign_status);
}

PackageStatus AppendFileSignatureForAuthenticode(std::vector<uint8_t>* image, SignatureForm form,
                                                 const krv::signature::DsaKeySet& keys, int key_number,
                                                 uint32_t table_size, SignStatus* sign_status) {
  return AppendSignature(image, form, keys, key_number, table_size, sign_status);
}

}  // namespace krv::sfxarc
