#pragma once
// The NIST/RFC vector files of Debian's python3-cryptography-vectors, read
// where the package installs them (never copied), and hexadecimal helpers.
// Kept apart from signature_test_support so that hash tests need no signer.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace krv::signature::testing {

// One group of "Name = value" lines of a vector file, with the "[...]"
// section it stands in.
struct VectorRecord {
  std::string section;
  std::map<std::string, std::string> fields;
  bool Has(const std::string& name) const { return fields.count(name) != 0; }
  const std::string& Get(const std::string& name) const { return fields.at(name); }
};

// The records of the vector file at `relative` below the package's folder
// (e.g. "hashes/MD5/rfc-1321.txt"). Fails the calling test and returns none
// when the file is missing.
std::vector<VectorRecord> ReadVectorFile(const std::string& relative);

// Bytes from hexadecimal digits; an odd count or a non-digit fails the test.
std::vector<uint8_t> FromHex(const std::string& digits);

// FromHex, left-padded with zeros to `width` bytes.
std::vector<uint8_t> FromHexPadded(const std::string& digits, size_t width);

std::string ToHex(const std::vector<uint8_t>& bytes);

}  // namespace krv::signature::testing
