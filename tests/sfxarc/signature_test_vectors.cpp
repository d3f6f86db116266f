#include "tests/sfxarc/signature_test_vectors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "sfxarc/signature/hex.h"

namespace krv::signature::testing {
namespace {

std::string Trim(const std::string& s) {
  const size_t begin = s.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return std::string();
  return s.substr(begin, s.find_last_not_of(" \t\r") - begin + 1);
}

}  // namespace

std::vector<VectorRecord> ReadVectorFile(const std::string& relative) {
  const std::string path = std::string(KRV_VECTORS_DIR) + "/" + relative;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "vector file missing: " << path << " (install python3-cryptography-vectors)";
  std::vector<VectorRecord> records;
  std::string section;
  VectorRecord current;
  auto flush = [&] {
    if (!current.fields.empty()) records.push_back(current);
    current = VectorRecord();
    current.section = section;
  };
  std::string raw;
  while (std::getline(in, raw)) {
    const std::string line = Trim(raw);
    if (line.empty()) {
      flush();
    } else if (line[0] == '#') {
      continue;
    } else if (line[0] == '[') {
      flush();
      section = line;
      current.section = section;
    } else {
      const size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      current.fields[Trim(line.substr(0, eq))] = Trim(line.substr(eq + 1));
    }
  }
  flush();
  return records;
}

std::vector<uint8_t> FromHex(const std::string& digits) {
  std::vector<uint8_t> bytes(digits.size() / 2);
  EXPECT_EQ(digits.size() % 2, 0u) << digits;
  EXPECT_TRUE(DecodeHex(digits.data(), bytes.size(), bytes.data())) << digits;
  return bytes;
}

std::vector<uint8_t> FromHexPadded(const std::string& digits, size_t width) {
  std::vector<uint8_t> bytes = FromHex(digits.size() % 2 ? "0" + digits : digits);
  EXPECT_LE(bytes.size(), width);
  bytes.insert(bytes.begin(), width - std::min(width, bytes.size()), 0);
  return bytes;
}

std::string ToHex(const std::vector<uint8_t>& bytes) { return EncodeHex(bytes.data(), bytes.size()); }

}  // namespace krv::signature::testing
