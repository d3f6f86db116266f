#include "sfxarc/signature/pe_end.h"

#include <cstring>

namespace krv::signature {
namespace {

uint32_t LoadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool ReadU32At(ByteSource& source, uint64_t offset, uint32_t* value) {
  uint8_t bytes[4];
  if (!source.ReadAt(offset, bytes, 4)) return false;
  *value = LoadLe32(bytes);
  return true;
}

// Offsets from e_lfanew.
constexpr uint32_t kMachineOffset = 4;  // the file header follows the 4-byte signature
constexpr uint32_t kFileHeaderEnd = 24;
constexpr uint32_t kSecurityEntry32 = 152;  // data directory 4 behind a PE32 optional header
constexpr uint32_t kSecurityEntry64 = 168;  // the same behind a PE32+ one
// Signing tools pad the data in front of the certificate table to 8 bytes.
constexpr uint32_t kMaxPadding = 7;

}  // namespace

bool SecurityEntryOffset(ByteSource& source, uint64_t* offset) {
  uint8_t mz[2];
  if (!source.ReadAt(0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') return false;
  uint32_t pe = 0, signature = 0;
  if (!ReadU32At(source, 60, &pe) || !ReadU32At(source, pe, &signature) || signature != 0x00004550) return false;
  uint8_t file_header[kFileHeaderEnd - kMachineOffset];
  if (!source.ReadAt(uint64_t(pe) + kMachineOffset, file_header, sizeof file_header)) return false;
  const uint16_t machine = uint16_t(file_header[0] | file_header[1] << 8);
  const bool wide = machine == 0x8664 || machine == 0x0200 || machine == 0x0284;
  *offset = uint64_t(pe) + (wide ? kSecurityEntry64 : kSecurityEntry32);
  return true;
}

bool CertificateTable(ByteSource& source, uint32_t* offset, uint32_t* size) {
  uint64_t entry = 0;
  return SecurityEntryOffset(source, &entry) && ReadU32At(source, entry, offset) && ReadU32At(source, entry + 4, size);
}

bool AuthenticodeReservation(ByteSource& source, uint32_t* table_size) {
  uint64_t entry = 0;
  uint8_t record[kReservationRecordSize];
  if (!SecurityEntryOffset(source, &entry) || !source.ReadAt(kReservationRecordAt, record, sizeof record) ||
      std::memcmp(record, kReservationTag, 8) != 0) {
    return false;
  }
  *table_size = LoadLe32(record + 8);
  return true;
}

uint64_t PeEnd(ByteSource& source) {
  const uint64_t size = source.Size();
  uint64_t entry = 0;
  uint32_t table = 0;
  if (!SecurityEntryOffset(source, &entry) || !ReadU32At(source, entry, &table) || table == 0) return size;
  if (table <= kMaxPadding) return table;
  uint8_t padding[kMaxPadding];
  if (!source.ReadAt(table - kMaxPadding, padding, kMaxPadding)) return table;
  uint64_t end = table;
  for (int i = kMaxPadding - 1; i >= 0 && padding[i] == 0; --i) --end;
  return end;
}

}  // namespace krv::signature
