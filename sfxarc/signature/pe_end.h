#pragma once
// The end of the signed data of a PE file: where an Authenticode certificate
// table (and the zero padding the signing tool puts in front of it) begins.

#include <cstdint>

#include "sfxarc/signature/byte_source.h"

namespace krv::signature {

// For a file that starts with "MZ" and whose e_lfanew (u32 at 60) points at a
// "PE\0\0" signature with a readable 20-byte file header: the certificate
// table's offset C from the security directory entry (at e_lfanew + 168 for
// the 64-bit machines 0x8664, 0x0200, 0x0284, else at e_lfanew + 152). When C
// is not 0 the result is C if C <= 7, else C minus the zero bytes in front of
// it, at most 7. In every other case it is the file's size.
uint64_t PeEnd(ByteSource& source);

// Where the security directory entry (certificate table offset, then size,
// two u32) of a PE file lies, by the rules above. False for anything that is
// not a PE file with a readable file header.
bool SecurityEntryOffset(ByteSource& source, uint64_t* offset);

// The certificate table the security directory entry names: its offset and
// size (two u32). False when the file is not a PE file or the entry cannot be
// read; offset 0 means there is none.
bool CertificateTable(ByteSource& source, uint32_t* offset, uint32_t* size);

// The record of an Authenticode reservation (SignFileForAuthenticode): the
// 8 bytes "KRVAcRsv" and the reserved table size (u32) in the DOS header's
// reserved words e_res2 (offset 40, 20 bytes), which loaders ignore. It lies
// in the signed content, so the signature covers it and a verifier can tell
// which size the signature expects.
constexpr uint64_t kReservationRecordAt = 40;
constexpr size_t kReservationRecordSize = 12;
constexpr size_t kReservedWordsSize = 20;
constexpr char kReservationTag[] = "KRVAcRsv";

// The reserved table size of a PE file that carries the record. False when
// the file is not a PE file or its reserved words hold no record.
bool AuthenticodeReservation(ByteSource& source, uint32_t* table_size);

}  // namespace krv::signature
