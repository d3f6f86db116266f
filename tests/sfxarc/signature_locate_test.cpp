// LocateSignature and the PE end: where blocks are found, and where not.

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "sfxarc/signature.h"
#include "sfxarc/signature/pe_end.h"
#include "tests/sfxarc/signature_test_support.h"
#include "tests/sfxarc/temp_folder.h"

namespace krv::signature {
namespace {

using testing::Bytes;
using testing::MakePe;
using testing::PutU32;

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<uint8_t> Content(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = uint8_t('a' + i % 26);
  return bytes;
}

// Signature bytes 1, 2, 3 ... so that a test sees which bytes were read.
std::vector<uint8_t> Counting(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = uint8_t(i + 1);
  return bytes;
}

std::vector<uint8_t> RawBlock(SignatureForm form) {
  return Counting(SignatureSize(form)) + Bytes(form == SignatureForm::kRawV2 ? kTagRawV2 : kTagRawV1);
}

std::vector<uint8_t> TextBlock(SignatureForm form, bool upper_case = false) {
  const char* tag = form == SignatureForm::kTextV2 ? kTagTextV2
                    : form == SignatureForm::kTextV1 ? kTagTextV1
                                                     : kTagChecksum;
  std::string digits = testing::ToHex(Counting(SignatureSize(form)));
  if (upper_case) {
    for (char& c : digits) c = char(std::toupper(c));
  }
  return Bytes(tag) + Bytes(digits) + Bytes(tag);
}

struct Expect {
  bool found;
  SignatureForm form;
  uint64_t position;
};

void ExpectLocated(const std::vector<uint8_t>& image, VerifyMode mode, Expect expect) {
  SignatureLocation location;
  const bool found = LocateSignatureInImage(image.data(), image.size(), mode, &location);
  ASSERT_EQ(found, expect.found);
  if (!found) return;
  EXPECT_EQ(location.form, expect.form);
  EXPECT_EQ(location.position, expect.position);
  ASSERT_EQ(location.signature_size, SignatureSize(expect.form));
  EXPECT_EQ(std::vector<uint8_t>(location.signature, location.signature + location.signature_size),
            Counting(location.signature_size));
}

constexpr Expect kNone{false, SignatureForm::kRawV2, 0};

struct LocateCase {
  const char* what;
  std::vector<uint8_t> image;
  VerifyMode mode;
  Expect expect;
};

TEST(LocateSignature, FindsEachFormWhereItMayStand) {
  const std::vector<uint8_t> c = Content(200);
  const std::string spaces120(120, ' ');
  const LocateCase cases[] = {
      {"form 5 at the end", c + RawBlock(SignatureForm::kRawV2), VerifyMode::kAny,
       {true, SignatureForm::kRawV2, 200}},
      {"form 1 at the end", c + RawBlock(SignatureForm::kRawV1), VerifyMode::kAny,
       {true, SignatureForm::kRawV1, 200}},
      {"form 5 followed by a form 1 block: found through size - 56",
       c + RawBlock(SignatureForm::kRawV2) + RawBlock(SignatureForm::kRawV1), VerifyMode::kSecondGeneration,
       {true, SignatureForm::kRawV2, 200}},
      {"form 4", c + TextBlock(SignatureForm::kTextV2), VerifyMode::kAny, {true, SignatureForm::kTextV2, 200}},
      {"form 4, upper-case digits", c + TextBlock(SignatureForm::kTextV2, true), VerifyMode::kAny,
       {true, SignatureForm::kTextV2, 200}},
      {"form 0", c + TextBlock(SignatureForm::kTextV1), VerifyMode::kFirstGeneration,
       {true, SignatureForm::kTextV1, 200}},
      {"form 0 then CR LF", c + TextBlock(SignatureForm::kTextV1) + Bytes("\r\n"), VerifyMode::kAny,
       {true, SignatureForm::kTextV1, 200}},
      {"form 4 in a comment: \" -->\" and a line break", c + TextBlock(SignatureForm::kTextV2) + Bytes(" -->\n"),
       VerifyMode::kAny, {true, SignatureForm::kTextV2, 200}},
      {"comment closers are skipped whatever their number",
       c + TextBlock(SignatureForm::kTextV1) + Bytes(" --> --> --> -->\t\r\n"), VerifyMode::kAny,
       {true, SignatureForm::kTextV1, 200}},
      {"120 bytes of white space after the block", c + TextBlock(SignatureForm::kTextV2) + Bytes(spaces120),
       VerifyMode::kAny, {true, SignatureForm::kTextV2, 200}},
      {"121 bytes of white space are too many", c + TextBlock(SignatureForm::kTextV2) + Bytes(spaces120 + " "),
       VerifyMode::kAny, kNone},
      {"\" -->\" followed by a printable character", c + TextBlock(SignatureForm::kTextV2) + Bytes(" -->x\n"),
       VerifyMode::kAny, kNone},
      {"\"-->\" without its space", c + TextBlock(SignatureForm::kTextV2) + Bytes("-->\n"), VerifyMode::kAny,
       kNone},
      {"a high byte after the block", c + TextBlock(SignatureForm::kTextV1) + std::vector<uint8_t>{0xA0},
       VerifyMode::kAny, kNone},
      {"checksum in mode 1", c + TextBlock(SignatureForm::kChecksum), VerifyMode::kAny,
       {true, SignatureForm::kChecksum, 200}},
      {"checksum in mode 3, 99 bytes of anything after it",
       c + TextBlock(SignatureForm::kChecksum) + Bytes(std::string(99, 'z')), VerifyMode::kChecksum,
       {true, SignatureForm::kChecksum, 200}},
      {"checksum 100 bytes before the end is out of reach",
       c + TextBlock(SignatureForm::kChecksum) + Bytes(std::string(100, 'z')), VerifyMode::kChecksum, kNone},
      {"checksum is not looked for in mode 2", c + TextBlock(SignatureForm::kChecksum),
       VerifyMode::kFirstGeneration, kNone},
      {"checksum is not looked for in mode 4", c + TextBlock(SignatureForm::kChecksum),
       VerifyMode::kSecondGeneration, kNone},
      {"mode 3 ignores a raw block", c + RawBlock(SignatureForm::kRawV2), VerifyMode::kChecksum, kNone},
      {"mode 3 ignores a text block", c + TextBlock(SignatureForm::kTextV2), VerifyMode::kChecksum, kNone},
      {"mode 2 locates form 5 as well", c + RawBlock(SignatureForm::kRawV2), VerifyMode::kFirstGeneration,
       {true, SignatureForm::kRawV2, 200}},
      {"mode 4 locates form 1 as well", c + RawBlock(SignatureForm::kRawV1), VerifyMode::kSecondGeneration,
       {true, SignatureForm::kRawV1, 200}},
      {"a raw block 1 byte before the end", c + RawBlock(SignatureForm::kRawV2) + Bytes("\n"), VerifyMode::kAny,
       kNone},
      {"nothing but text", c, VerifyMode::kAny, kNone},
      {"empty file", {}, VerifyMode::kAny, kNone},
      {"mode 0 is no mode", c + RawBlock(SignatureForm::kRawV2), VerifyMode(0), kNone},
      {"mode 5 is no mode", c + RawBlock(SignatureForm::kRawV2), VerifyMode(5), kNone},
  };
  for (const LocateCase& lc : cases) {
    SCOPED_TRACE(lc.what);
    ExpectLocated(lc.image, lc.mode, lc.expect);
  }
}

// Blocks whose opening tag is missing or whose digits are no digits, and
// blocks too close to the start of the file to have their full length.
TEST(LocateSignature, RefusesBrokenAndTruncatedBlocks) {
  const std::vector<uint8_t> c = Content(200);
  std::vector<uint8_t> no_opening = TextBlock(SignatureForm::kTextV2);
  no_opening[0] = 'X';
  std::vector<uint8_t> bad_digit = TextBlock(SignatureForm::kTextV1);
  bad_digit[20] = 'g';
  std::vector<uint8_t> no_checksum_opening = TextBlock(SignatureForm::kChecksum);
  no_checksum_opening[3] = '-';
  const std::vector<uint8_t> v2 = RawBlock(SignatureForm::kRawV2);
  const LocateCase cases[] = {
      {"form 4 without its opening tag", c + no_opening, VerifyMode::kAny, kNone},
      {"form 0 with a non-digit", c + bad_digit, VerifyMode::kAny, kNone},
      {"checksum without its opening tag ends the search", c + TextBlock(SignatureForm::kChecksum) +
                                                              no_checksum_opening,
       VerifyMode::kChecksum, kNone},
      {"form 5 block alone: 72 bytes, P = 0", v2, VerifyMode::kAny, {true, SignatureForm::kRawV2, 0}},
      {"71 bytes ending in the form 5 tag", std::vector<uint8_t>(v2.begin() + 1, v2.end()), VerifyMode::kAny,
       kNone},
      {"47 bytes ending in the form 1 tag", Counting(39) + Bytes(kTagRawV1), VerifyMode::kAny, kNone},
      {"a closing text tag with no room for its block", Bytes("KRVSignA"), VerifyMode::kAny, kNone},
      {"a closing checksum tag 39 bytes from the start", Counting(39) + Bytes(kTagChecksum),
       VerifyMode::kChecksum, kNone},
  };
  for (const LocateCase& lc : cases) {
    SCOPED_TRACE(lc.what);
    ExpectLocated(lc.image, lc.mode, lc.expect);
  }
}

// A PE file signed with form 5 and then given a certificate table: the block
// is found in front of the table's zero padding.
TEST(LocateSignature, FindsTheBlockAtThePeEnd) {
  for (uint16_t machine : {uint16_t(0x014c), uint16_t(0x8664), uint16_t(0x0200), uint16_t(0x0284)}) {
    for (size_t padding : {0, 1, 7}) {
      SCOPED_TRACE(::testing::Message() << "machine " << machine << " padding " << padding);
      std::vector<uint8_t> pe = MakePe(machine, 1000) + RawBlock(SignatureForm::kRawV2);
      const size_t table = pe.size() + padding;
      const bool wide = machine != 0x014c;
      PutU32(pe, wide ? testing::kSecurityEntry64At : testing::kSecurityEntry32At, uint32_t(table));
      pe.resize(table, 0);
      pe = pe + Bytes(std::string(600, 'C'));  // the certificate table
      ExpectLocated(pe, VerifyMode::kAny, {true, SignatureForm::kRawV2, 1000});
      MemoryByteSource source(pe.data(), pe.size());
      EXPECT_EQ(PeEnd(source), 1072u);
    }
  }
}

TEST(PeEnd, IsTheFileSizeUnlessACertificateTableIsNamed) {
  const std::vector<uint8_t> pe = MakePe(0x014c, 1000);
  struct Case {
    const char* what;
    std::vector<uint8_t> image;
    uint64_t end;
  };
  std::vector<Case> cases;
  cases.push_back({"no certificate table", pe, 1000});
  std::vector<uint8_t> image = pe;
  PutU32(image, testing::kSecurityEntry32At, 5);
  cases.push_back({"a table offset up to 7 is the end itself", image, 5});
  image = pe;
  PutU32(image, testing::kSecurityEntry32At, 900);
  std::fill(image.begin() + 880, image.begin() + 900, 0);
  cases.push_back({"at most 7 zero bytes are stepped over", image, 893});
  image = pe;
  PutU32(image, testing::kSecurityEntry32At, 5000);
  cases.push_back({"a table beyond the file", image, 5000});
  image = pe;
  PutU32(image, testing::kSecurityEntry64At, 900);
  cases.push_back({"a 32-bit machine's entry is at +152, not +168", image, 1000});
  image = pe;
  image[0] = 'N';
  PutU32(image, testing::kSecurityEntry32At, 900);
  cases.push_back({"no MZ", image, 1000});
  image = pe;
  image[testing::kPeOffset + 1] = 'X';
  PutU32(image, testing::kSecurityEntry32At, 900);
  cases.push_back({"no PE signature", image, 1000});
  image = pe;
  PutU32(image, 60, 990);
  std::memcpy(&image[990], "PE\0\0", 4);
  cases.push_back({"e_lfanew near the end: no whole file header", image, 1000});
  image = pe;
  PutU32(image, 60, 0xFFFFFFF0u);
  cases.push_back({"e_lfanew far beyond the file", image, 1000});
  cases.push_back({"two bytes", Bytes("MZ"), 2});
  for (const Case& c : cases) {
    MemoryByteSource source(c.image.data(), c.image.size());
    EXPECT_EQ(PeEnd(source), c.end) << c.what;
  }
}

// A certificate table offset of up to 7 leaves no room for a block before the
// PE end; the probes must not wrap below offset 0.
TEST(LocateSignature, SmallPeEndIsNoBlock) {
  std::vector<uint8_t> pe = MakePe(0x014c, 1000) + Bytes("tail");
  PutU32(pe, testing::kSecurityEntry32At, 7);
  ExpectLocated(pe, VerifyMode::kAny, kNone);
}

TEST(LocateSignature, ReadsFilesFromDisk) {
  krv::sfxarc::testing::TempFolder folder;
  const std::wstring path = folder.Write(L"signed.bin", Content(300) + RawBlock(SignatureForm::kRawV1));
  SignatureLocation location;
  ASSERT_TRUE(LocateSignature(path, VerifyMode::kAny, &location));
  EXPECT_EQ(location.form, SignatureForm::kRawV1);
  EXPECT_EQ(location.position, 300u);
  EXPECT_FALSE(LocateSignature(folder.File(L"missing.bin"), VerifyMode::kAny, &location));
}

}  // namespace
}  // namespace krv::signature
