#include "tools/authenticode_check.h"

#include "sfxarc/signature/byte_source.h"
#include "sfxarc/signature/pe_end.h"
#include "tools/tool_files.h"

namespace krv::tools {

std::string AuthenticodeMismatch(const std::string& path) {
  krv::signature::FileByteSource source(WidePath(path));
  if (!source.Open()) return std::string();
  uint32_t offset = 0, size = 0, reserved = 0;
  if (!krv::signature::CertificateTable(source, &offset, &size)) return std::string();
  const bool has_reservation = krv::signature::AuthenticodeReservation(source, &reserved);
  if (offset == 0) {
    if (!has_reservation) return std::string();
    return "the signature expects an Authenticode certificate table of " + std::to_string(reserved) +
           " bytes and the file has none yet: add the Authenticode signature (osslsigncode sign)";
  }
  if (!has_reservation) {
    return "an Authenticode certificate table of " + std::to_string(size) +
           " bytes follows, but the signature was made without a reservation for it: sign the unsigned file "
           "with --authenticode-reserve " + std::to_string(size) + ", then add the Authenticode signature";
  }
  if (reserved == size) return std::string();
  return "the Authenticode certificate table does not have the reserved size: expected " + std::to_string(reserved) +
         " bytes, found " + std::to_string(size) + " bytes; sign the unsigned file again with "
         "--authenticode-reserve " + std::to_string(size) + " (or add the Authenticode signature with the "
         "certificate and options the size was taken from)";
}

}  // namespace krv::tools
