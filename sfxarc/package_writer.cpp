#include "sfxarc/package_writer.h"

#include <algorithm>
#include <mutex>
#include <new>

#include "sfxarc/archive_format.h"
#include "sfxarc/jobpool/job.h"
#include "sfxarc/jobpool/jobpool.h"
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

// One stored piece: a packed block, followed by its own form 5 block when
// the package's description names entry keys.
struct StoredPiece {
  std::vector<uint8_t> bytes;
  PackageStatus status = PackageStatus::kPackFailed;
  SignStatus sign_status = SignStatus::kOk;
};

// Packs `content` (and signs it) into `*piece`.
void MakeStored(const PackageSpec& spec, PackerId packer, const std::vector<uint8_t>& content, StoredPiece* piece) {
  piece->bytes.clear();
  if (PackBlock(packer, content, &piece->bytes) != 0) {
    piece->status = PackageStatus::kPackFailed;
    return;
  }
  if (spec.entry_keys != nullptr) {
    std::vector<uint8_t> block;
    piece->sign_status = krv::signature::MakeSignatureBlock(SignatureForm::kRawV2, piece->bytes.data(),
                                                            piece->bytes.size(), *spec.entry_keys,
                                                            spec.entry_key_number, &block);
    if (piece->sign_status != SignStatus::kOk) {
      piece->status = PackageStatus::kSignFailed;
      return;
    }
    piece->bytes.insert(piece->bytes.end(), block.begin(), block.end());
  }
  piece->status = PackageStatus::kOk;
}

// Appends `piece` to the image; `*offset` and `*size` get where it went.
PackageStatus AppendStored(StoredPiece&& piece, std::vector<uint8_t>* image, uint32_t* offset, uint32_t* size,
                           SignStatus* sign_status) {
  SetStatus(sign_status, piece.sign_status);
  if (piece.status != PackageStatus::kOk) return piece.status;
  if (image->size() + piece.bytes.size() > kMaxPackageSize) return PackageStatus::kTooLarge;
  *offset = static_cast<uint32_t>(image->size());
  *size = static_cast<uint32_t>(piece.bytes.size());
  image->insert(image->end(), piece.bytes.begin(), piece.bytes.end());
  std::vector<uint8_t>().swap(piece.bytes);
  return PackageStatus::kOk;
}

// What the packing jobs of one BuildPackage call share.
struct PackingState {
  const PackageSpec& spec;
  std::vector<StoredPiece>& pieces;  // one per entry, in the order the package lists them
  std::mutex report_lock;
  uint64_t packed_bytes = 0;  // under report_lock
};

// Packs one entry into its own piece, so that the order in which the jobs
// finish cannot change the image. The state outlives the job: BuildPackage
// waits for every worker before it goes on.
class PackJob final : public krv::job {
 public:
  PackJob(PackingState& state, size_t index) : state_(state), index_(index) {}

  uint32_t Run() override {
    const PackageEntry& entry = state_.spec.entries[index_];
    try {
      MakeStored(state_.spec, entry.packer, entry.content, &state_.pieces[index_]);
    } catch (const std::bad_alloc&) {
      state_.pieces[index_].status = PackageStatus::kPackFailed;
    }
    if (state_.spec.progress != nullptr) {
      std::lock_guard<std::mutex> guard(state_.report_lock);
      state_.packed_bytes += entry.content.size();
      state_.spec.progress->SetOverallDone(state_.packed_bytes);
    }
    return 0;
  }

 private:
  ~PackJob() override = default;

  PackingState& state_;
  size_t index_;
};

// The indexes of `entries`, largest content first (equal sizes in the order
// given): the workers start on the long jobs, so that none is left alone
// with a large entry at the end while the others have finished.
std::vector<size_t> LargestFirst(const std::vector<PackageEntry>& entries) {
  std::vector<size_t> order(entries.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return entries[a].content.size() > entries[b].content.size(); });
  return order;
}

// Packs every entry of `spec` into `*pieces`, up to spec.pack_jobs at once.
// A piece whose job never ran keeps the status kPackFailed.
void PackEntries(const PackageSpec& spec, std::vector<StoredPiece>* pieces) {
  pieces->assign(spec.entries.size(), StoredPiece());
  PackingState state{spec, *pieces};
  if (spec.progress != nullptr) {
    uint64_t total = 0;
    for (const PackageEntry& entry : spec.entries) total += entry.content.size();
    spec.progress->SetOverallTotal(total);
    spec.progress->SetOverallDone(0);
  }
  const uint32_t jobs = std::clamp<uint32_t>(spec.pack_jobs, 1, kMaxPackJobs);
  jobpool pool(jobs);
  for (size_t i : LargestFirst(spec.entries)) {
    PackJob* job = new PackJob(state, i);
    // One job at a time, or a pool that cannot take the job (no worker could
    // start): the entry is packed here and now.
    if (jobs == 1 || !pool.add(job)) job->Run();
    job->release();
  }
  pool.wait();
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
  std::vector<StoredPiece> pieces;
  PackEntries(spec, &pieces);
  for (size_t i = 0; i < spec.entries.size(); ++i) {
    const PackageEntry& entry = spec.entries[i];
    MapFile file;
    file.name = entry.name;
    file.time = entry.time;
    file.extra_name = entry.extra_name;
    const PackageStatus status =
        AppendStored(std::move(pieces[i]), image, &file.offset, &file.stored_size, sign_status);
    if (status != PackageStatus::kOk) return status;
    map.files.push_back(file);
  }
  if (spec.parameters) {
    StoredPiece piece;
    MakeStored(spec, spec.parameters_packer, *spec.parameters, &piece);
    const PackageStatus status = AppendStored(std::move(piece), image, &placed.parameters_offset,
                                              &placed.parameters_size, sign_status);
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
