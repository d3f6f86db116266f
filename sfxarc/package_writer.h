#pragma once
// Making packages: the stub image with the archive behind it (layout in
// archive_format.h). Host side: sfxtool, the tests and the demo make their
// packages with it. Two stages, so that tests can damage an image before it
// is signed: BuildPackage writes everything up to the trailer,
// AppendFileSignature adds the file signature block.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "progress/progress_callback.h"
#include "sfxarc/data_packer.h"
#include "sfxarc/map_writer.h"
#include "sfxarc/signature/forms.h"
#include "sfxarc/signature/key_file.h"
#include "sfxarc/signature/sign.h"

namespace krv::sfxarc {

// One file to store. Strings are the 8-bit bytes the map keeps.
struct PackageEntry {
  std::string name;
  std::vector<uint8_t> content;  // unpacked
  uint32_t time = 0;             // seconds since 1970 (UTC)
  PackerId packer = kPackerLzma;
  std::string extra_name;  // XNAM when not empty
};

struct PackageSpec {
  std::vector<uint8_t> stub;  // the PE image the archive follows
  std::vector<PackageEntry> entries;
  std::string name;          // SFXN
  std::string command_line;  // CMDL
  // Stored as a packed block behind the entries; CMDP points at it.
  std::optional<std::vector<uint8_t>> parameters;
  PackerId parameters_packer = kPackerLzma;
  // The data of the extra-data block, when one is written.
  std::optional<std::vector<uint8_t>> extra_data;
  PackerId map_packer = kPackerLzma;
  // Unpacked map bytes to store instead of the map made from the fields
  // above (for damaged maps in tests); entry offsets are then not in it.
  std::optional<std::vector<uint8_t>> raw_map;
  // With a key set, every entry's packed block is followed by its own
  // form 5 signature block made with key `entry_key_number` (0: default).
  const krv::signature::DsaKeySet* entry_keys = nullptr;
  int entry_key_number = 0;
  // How many entries are packed at once (taken into 1..kMaxPackJobs). The
  // bytes do not depend on it: every entry is packed on its own and the
  // entries are written in the order given.
  uint32_t pack_jobs = 1;
  // Told the entries' unpacked bytes as the overall total, and the bytes of
  // the entries packed so far as they finish (not owned; may be null).
  progress::ProgressCallback* progress = nullptr;
};

// The most entries packed at once (the job pool's limit).
constexpr uint32_t kMaxPackJobs = 50;

// Where BuildPackage put things (absolute offsets in the image).
struct PackageLayout {
  std::vector<MapFile> files;  // offset and stored size of each entry
  uint32_t parameters_offset = 0;
  uint32_t parameters_size = 0;
  uint32_t map_offset = 0;      // M
  uint32_t map_size = 0;        // the packed map block
  uint32_t trailer_offset = 0;  // T
  uint32_t content_end = 0;     // E: where the file signature goes (its CR LF, for the checksum form)
};

enum class PackageStatus {
  kOk,
  kPackFailed,    // a packer failed
  kTooLarge,      // the archive would reach 2 GiB, beyond what the reader opens
  kSignFailed,    // a signature block could not be made (see the SignStatus)
};

// A short English description, for sfxtool's messages.
const char* PackageStatusText(PackageStatus status);

// Writes into `*image` the stub, the stored entries back to back (each a
// packed block, followed by its signature block when entry_keys is set),
// the parameter block, the map block, the trailer and the extra-data block.
// Fills `*layout` (may be null). `*sign_status` (may be null) gets the
// entry signer's status. The same spec gives the same bytes. On failure the
// image is unspecified.
PackageStatus BuildPackage(const PackageSpec& spec, std::vector<uint8_t>* image, PackageLayout* layout,
                           krv::signature::SignStatus* sign_status);

// Appends the file signature block of `form` over the whole image, signed
// with key `key_number` of `keys` (0: the form's default key; the checksum
// form takes no key). For the checksum form a CR LF goes first, so the
// content end lies 2 bytes before the block. On failure the image is as it
// was and `*sign_status` (may be null) holds the signer's reason.
PackageStatus AppendFileSignature(std::vector<uint8_t>* image, krv::signature::SignatureForm form,
                                  const krv::signature::DsaKeySet& keys, int key_number,
                                  krv::signature::SignStatus* sign_status);

// AppendFileSignature for a package that gets an Authenticode signature
// afterwards: the block is signed for a certificate table of table_size bytes
// and the reservation is recorded in the stub's DOS header
// (krv::signature::ReserveForAuthenticode). The package verifies only once
// the Authenticode tool has added a table of exactly that size.
PackageStatus AppendFileSignatureForAuthenticode(std::vector<uint8_t>* image, krv::signature::SignatureForm form,
                                                 const krv::signature::DsaKeySet& keys, int key_number,
                                                 uint32_t table_size, krv::signature::SignStatus* sign_status);

}  // namespace krv::sfxarc
