#include "tests/sfxarc/signature_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "sfxarc/signature/sign.h"

namespace krv::signature::testing {
namespace {

DsaKeySet LoadKeys(const char* path) {
  DsaKeySet keys;
  int line = 0;
  const KeyFileStatus status = ReadKeyFile(std::filesystem::path(path).wstring(), &keys, &line);
  EXPECT_EQ(status, KeyFileStatus::kOk) << path << ":" << line << ": " << KeyFileStatusText(status);
  return keys;
}

}  // namespace

const DsaKeySet& DevKeys() {
  static const DsaKeySet keys = LoadKeys(KRV_DEV_PRIVATE_KEYS);
  return keys;
}

const DsaKeySet& EmbeddedKeys() {
  static const DsaKeySet keys = LoadKeys(KRV_EMBEDDED_KEYS);
  return keys;
}

bool EmbeddedKeysAreDevKeys() {
  for (int number = 1; number <= 14; ++number) {
    const DsaKey* embedded = EmbeddedKeys().Find(number);
    const DsaKey* dev = DevKeys().Find(number);
    if (!embedded || !dev || embedded->p != dev->p || embedded->q != dev->q || embedded->g != dev->g ||
        embedded->y != dev->y) {
      return false;
    }
  }
  return true;
}

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<uint8_t> Signed(const std::vector<uint8_t>& content, SignatureForm form, int key_number) {
  std::vector<uint8_t> block;
  const SignStatus status = MakeSignatureBlock(form, content.data(), content.size(), DevKeys(), key_number, &block);
  EXPECT_EQ(status, SignStatus::kOk) << SignStatusText(status);
  std::vector<uint8_t> file = content;
  file.insert(file.end(), block.begin(), block.end());
  return file;
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
}

namespace {

void PutU16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
  bytes[at] = uint8_t(value);
  bytes[at + 1] = uint8_t(value >> 8);
}

}  // namespace

std::vector<uint8_t> MakePe(uint16_t machine, size_t size) {
  const bool wide = machine == 0x8664 || machine == 0x0200 || machine == 0x0284;
  const size_t optional_size = wide ? 240 : 224;
  const size_t headers = 0x200;
  std::vector<uint8_t> pe(size, 0);
  pe[0] = 'M';
  pe[1] = 'Z';
  PutU32(pe, 60, kPeOffset);
  std::memcpy(&pe[kPeOffset], "PE\0\0", 4);
  const size_t file_header = kPeOffset + 4;
  PutU16(pe, file_header, machine);
  PutU16(pe, file_header + 2, 1);  // one section
  PutU16(pe, file_header + 16, uint16_t(optional_size));
  PutU16(pe, file_header + 18, wide ? 0x0022 : 0x0102);  // executable (32-bit machine / large-address aware)
  const size_t opt = file_header + 20;
  PutU16(pe, opt, wide ? 0x20b : 0x10b);
  PutU32(pe, opt + 16, 0x1000);  // entry point
  PutU32(pe, opt + 32, 0x1000);  // section alignment
  PutU32(pe, opt + 36, 0x200);   // file alignment
  PutU16(pe, opt + 40, 6);       // OS version
  PutU16(pe, opt + 48, 6);       // subsystem version
  const uint32_t body = uint32_t(size - headers);
  PutU32(pe, opt + 56, 0x1000 + ((body + 0xFFF) & ~0xFFFu));  // size of image
  PutU32(pe, opt + 60, uint32_t(headers));
  PutU16(pe, opt + 68, 2);  // GUI subsystem
  PutU32(pe, opt + (wide ? 108 : 92), 16);  // number of data directories
  const size_t section = opt + optional_size;
  std::memcpy(&pe[section], ".text\0\0\0", 8);
  PutU32(pe, section + 8, body);
  PutU32(pe, section + 12, 0x1000);
  PutU32(pe, section + 16, body);
  PutU32(pe, section + 20, uint32_t(headers));
  PutU32(pe, section + 36, 0x60000020);  // code, readable, executable
  for (size_t i = headers; i < size; ++i) pe[i] = uint8_t(0x90 + i % 7);
  return pe;
}

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
         uint32_t(bytes[at + 3]) << 24;
}

#ifndef _WIN32
int AuthenticodeSign(const std::string& folder, const std::string& in, const std::string& out,
                     const std::string& options) {
  const std::string quiet = " >/dev/null 2>&1";
  if (!std::filesystem::exists(folder + "/cert.pem")) {
    const int made = std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=krv-test -keyout '" +
                                  folder + "/key.pem' -out '" + folder + "/cert.pem'" + quiet)
                                     .c_str());
    if (made != 0) return made;
  }
  return std::system(("osslsigncode sign -certs '" + folder + "/cert.pem' -key '" + folder + "/key.pem' " + options +
                      " -in '" + folder + "/" + in + "' -out '" + folder + "/" + out + "'" + quiet)
                         .c_str());
}
#endif

}  // namespace krv::signature::testing
