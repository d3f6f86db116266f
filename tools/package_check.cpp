#include "tools/package_check.h"

#include "sfxarc/sfx_arc.h"
#include "sfxarc/signature.h"
#include "sfxarc/signature/byte_source.h"
#include "sfxarc/signature/pe_end.h"
#include "tools/tool_files.h"

namespace krv::tools {
namespace {

void PutU32(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[at + i] = uint8_t(value >> (8 * i));
}

// The image as an Authenticode tool leaves it: zero padding to a multiple of
// 8, a certificate table of table_size bytes (a WIN_CERTIFICATE header, the
// rest zero) and the security directory entry pointing at it. The CheckSum
// the tool rewrites is outside the signed digest.
bool WithCertificateTable(const std::vector<uint8_t>& image, uint32_t table_size, std::vector<uint8_t>* out) {
  krv::signature::MemoryByteSource source(image.data(), image.size());
  uint64_t entry = 0;
  if (!krv::signature::SecurityEntryOffset(source, &entry) || entry + 8 > image.size()) return false;
  *out = image;
  out->resize((out->size() + 7) & ~size_t(7), 0);
  const size_t table = out->size();
  out->resize(table + table_size, 0);
  PutU32(out, table, table_size);
  (*out)[table + 4] = 0x00;  // revision 2.0
  (*out)[table + 5] = 0x02;
  (*out)[table + 6] = 0x02;  // PKCS #7 signed data
  PutU32(out, size_t(entry), uint32_t(table));
  PutU32(out, size_t(entry) + 4, table_size);
  return true;
}

PackageCheck LoadAsTheStub(const std::string& path, uint32_t* load_code) {
  *load_code = 0;
  if (!krv::signature::VerifySignature(WidePath(path), krv::signature::VerifyMode::kAny)) {
    return PackageCheck::kOtherKeys;
  }
  krv::sfxarc::SfxArc archive;
  *load_code = archive.Load(WidePath(path));
  return *load_code == 0 ? PackageCheck::kLoads : PackageCheck::kRefused;
}

}  // namespace

PackageCheck CheckPackageLoads(const std::string& path, const std::vector<uint8_t>& image, uint32_t table_size,
                               uint32_t* load_code) {
  if (table_size == 0) return LoadAsTheStub(path, load_code);
  std::vector<uint8_t> with_table;
  std::string ignored;
  const std::string scratch = path + ".check~";
  if (!WithCertificateTable(image, table_size, &with_table) || !WriteOutputFile(scratch, with_table, &ignored)) {
    *load_code = krv::sfxarc::kArchiveCannotOpen;
    return PackageCheck::kRefused;
  }
  const PackageCheck result = LoadAsTheStub(scratch, load_code);
  RemoveOutputFile(scratch);
  return result;
}

}  // namespace krv::tools
