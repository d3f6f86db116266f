#include "sfxarc/sfx_arc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "log/utf8_text.h"
#include "sfxarc/archive_form_policy.h"
#include "sfxarc/archive_format.h"
#include "sfxarc/m_file.h"
#include "sfxarc/map_writer.h"
#include "sfxarc/pack_block.h"
#include "sfxarc/package_writer.h"
#include "sfxarc/unpack_block.h"
#include "tests/sfxarc/log_capture.h"
#include "tests/sfxarc/signature_test_support.h"
#include "tests/sfxarc/temp_folder.h"

namespace krv::sfxarc {
namespace {

using krv::signature::SignatureForm;
using krv::signature::testing::DevKeys;
using testing::LogCapture;
using testing::LogLine;
using testing::TempFolder;

using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A stand-in stub: an MZ header whose e_lfanew points into it, so the
// second-generation digest skips the CheckSum field as for a real stub.
Bytes Stub() {
  Bytes stub(2048, 0xCC);
  stub[0] = 'M';
  stub[1] = 'Z';
  stub[60] = 0x80;
  stub[61] = stub[62] = stub[63] = 0;
  return stub;
}

PackageSpec Spec() {
  PackageSpec spec;
  spec.stub = Stub();
  spec.name = "vps-test";
  spec.command_line = "/is_kestil_product /vps_upd:\"%TMPPATH%\"";
  spec.entries.push_back({"vps_win32-215b.vpx", Text(std::string(5000, 'v')), 1700000000u, kPackerLzma, ""});
  spec.entries.push_back({"part-0001.vpx", Text("stored as it is"), 0, kPackerZlib, ""});
  spec.entries.push_back({"Config.def", Text("[config]\n"), 12345, kPackerLzma, "config-copy.def"});
  spec.entry_keys = &DevKeys();
  return spec;
}

void PutU32(Bytes& image, uint32_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) image[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::wstring WithPath(const std::wstring& format, const std::wstring& path) {
  std::wstring text = format;
  const size_t at = text.find(L"%ls");
  if (at != std::wstring::npos) text.replace(at, 3, path);
  return text;
}

using SpecChange = std::function<void(PackageSpec&)>;
using ImageChange = std::function<void(Bytes&, const PackageLayout&)>;

struct LoadRow {
  const char* what;
  SpecChange change_spec;         // may be null
  ImageChange change_content;     // before signing; may be null
  std::optional<SignatureForm> form;  // none: left unsigned
  std::function<void(Bytes&)> change_signed;  // may be null
  uint32_t code;
  const char* level;     // of the one line Load writes; null: no line
  const wchar_t* message;  // %ls stands for the path
};

// Writes the package a row describes and loads it.
class LoadTest : public ::testing::Test {
 protected:
  uint32_t Load(const LoadRow& row, SfxArc* archive, std::vector<LogLine>* lines) {
    PackageSpec spec = Spec();
    if (row.change_spec) row.change_spec(spec);
    Bytes image;
    EXPECT_EQ(BuildPackage(spec, &image, &layout_, nullptr), PackageStatus::kOk);
    if (row.change_content) row.change_content(image, layout_);
    if (row.form) {
      EXPECT_EQ(AppendFileSignature(&image, *row.form, DevKeys(), 0, nullptr), PackageStatus::kOk);
    }
    if (row.change_signed) row.change_signed(image);
    path_ = folder_.Write(L"package.exe", image);
    LogCapture capture;
    const uint32_t code = archive->Load(path_);
    *lines = capture.Lines("sfxarc");
    return code;
  }

  TempFolder folder_;
  PackageLayout layout_;
  std::wstring path_;
};

const wchar_t kLoaded[] = L"SFX archive '%ls' sucessfully loaded.";
const wchar_t kNoSignature[] = L"Cannot get signature of archive '%ls' (code 0x0)";
const wchar_t kBadSignature[] = L"Error in signature of archive '%ls' (code 0x0)";
const wchar_t kUnknownForm[] = L"Unknown signature type of archive '%ls'";
const wchar_t kTooSmall[] = L"Archive '%ls' is too small";
const wchar_t kBadMagic[] = L"Incorrect magic of archive '%ls'";
const wchar_t kBadMapBlock[] = L"Cannot load map block of archive '%ls'";
const wchar_t kEmptyMap[] = L"Error in unpacked map data of archive '%ls'";

Bytes RawMap(std::initializer_list<Bytes> chunks) {
  Bytes map;
  for (const Bytes& chunk : chunks) map.insert(map.end(), chunk.begin(), chunk.end());
  return map;
}

Bytes Chunk(const char (&tag)[5], const Bytes& body) {
  Bytes out;
  AppendChunk(&out, MakeTag(tag), body);
  return out;
}

Bytes U32s(std::initializer_list<uint32_t> values) {
  Bytes out;
  for (uint32_t value : values) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
  }
  return out;
}

// A map of `count` entries named `prefix` and a number, each pointing at
// the `stored` bytes at `offset`.
Bytes MapNaming(uint32_t count, const std::string& prefix, uint32_t offset, uint32_t stored) {
  Bytes list;
  for (uint32_t i = 0; i < count; ++i) {
    const Bytes file = Chunk("FILE", RawMap({Chunk("NAME", Text(prefix + std::to_string(i) + ".vpx")),
                                             Chunk("PTRL", U32s({offset, stored, 0}))}));
    list.insert(list.end(), file.begin(), file.end());
  }
  return RawMap({Chunk("MODE", Text("extract")), Chunk("LIST", list)});
}

// `count` entries to unpack, all naming one block of 32 bytes inside the
// stub that declares `unpacked` bytes of content.
void EntriesDeclaring(PackageSpec& s, uint32_t count, uint32_t unpacked) {
  constexpr uint32_t kBlockInStub = 1024;
  const Bytes block = RawMap({Text("KRVsetupFPkgFile"), U32s({unpacked, 8}), Bytes(8, 0)});
  std::copy(block.begin(), block.end(), s.stub.begin() + kBlockInStub);
  s.raw_map = MapNaming(count, "big-", kBlockInStub, static_cast<uint32_t>(block.size()));
}

// `count` entries kept packed ("part-"), each the whole stub of `stub_size`
// bytes.
void StoredEntriesOfTheStub(PackageSpec& s, uint32_t count, uint32_t stub_size) {
  s.stub.resize(stub_size, 0xCC);
  s.raw_map = MapNaming(count, "part-", 0, stub_size);
}

const wchar_t kTooMuchToExtract[] = L"Entries of archive '%ls' would write more than 8192 MiB";

TEST_F(LoadTest, EveryOutcomeWritesItsLineAndCode) {
  const SignatureForm kRawV2 = SignatureForm::kRawV2;
  const bool v1 = BuiltInArchiveFormPolicy().first_generation;
  const LoadRow rows[] = {
      {"second-generation raw signature", nullptr, nullptr, kRawV2, nullptr, 0, "info", kLoaded},
      // Unless this build takes the second generation only.
      {"first-generation raw signature", nullptr, nullptr, SignatureForm::kRawV1, nullptr, v1 ? 0 : kArchiveDamaged,
       v1 ? "info" : "error", v1 ? kLoaded : kBadSignature},
      // An MD5 anyone can compute authenticates nothing, valid or not.
      {"text checksum", nullptr, nullptr, SignatureForm::kChecksum, nullptr, kArchiveDamaged, "error", kBadSignature},
      {"zlib map block and no entry signatures",
       [](PackageSpec& s) {
         s.map_packer = kPackerZlib;
         s.entry_keys = nullptr;
       },
       nullptr, kRawV2, nullptr, 0, "info", kLoaded},
      {"extra data in front of the signature", [](PackageSpec& s) { s.extra_data = Text("extra data"); }, nullptr,
       kRawV2, nullptr, 0, "info", kLoaded},
      {"unsigned", nullptr, nullptr, std::nullopt, nullptr, kArchiveDamaged, "error", kNoSignature},
      {"signature cut off", nullptr, nullptr, kRawV2, [](Bytes& image) { image.resize(image.size() - 30); },
       kArchiveDamaged, "error", kNoSignature},
      {"a covered byte changed after signing", nullptr, nullptr, kRawV2, [](Bytes& image) { image[100] ^= 1; },
       kArchiveDamaged, "error", kBadSignature},
      {"checksum over changed content", nullptr, nullptr, SignatureForm::kChecksum,
       [](Bytes& image) { image[image.size() - 60] ^= 0x41; }, kArchiveDamaged, "error", kBadSignature},
      {"second-generation text form", nullptr, nullptr, SignatureForm::kTextV2, nullptr, kArchiveDamaged, "error",
       kUnknownForm},
      {"first-generation text form", nullptr, nullptr, SignatureForm::kTextV1, nullptr, kArchiveDamaged, "error",
       v1 ? kUnknownForm : kBadSignature},
      {"content of 19 bytes", nullptr, [](Bytes& image, const PackageLayout&) { image.assign(19, 'x'); }, kRawV2,
       nullptr, kArchiveDamaged, "error", kTooSmall},
      {"content of 20 bytes without a trailer", nullptr,
       [](Bytes& image, const PackageLayout&) { image.assign(20, 'x'); }, kRawV2, nullptr, kArchiveDamaged, "error",
       kBadMagic},
      {"truncated in the map block, then signed", nullptr,
       [](Bytes& image, const PackageLayout& l) { image.resize(l.map_offset + 10); }, kRawV2, nullptr,
       kArchiveDamaged, "error", kBadMagic},
      {"broken trailer magic", nullptr, [](Bytes& image, const PackageLayout& l) { image[l.trailer_offset + 4] = 'k'; },
       kRawV2, nullptr, kArchiveDamaged, "error", kBadMagic},
      {"trailer magic with a zero byte", nullptr,
       [](Bytes& image, const PackageLayout& l) { image[l.trailer_offset + 19] = 0; }, kRawV2, nullptr,
       kArchiveDamaged, "error", kBadMagic},
      {"a tag other than EDAT in front of the signature", [](PackageSpec& s) { s.extra_data = Text("extra data"); },
       [](Bytes& image, const PackageLayout& l) { image[l.content_end - 1] = 'X'; }, kRawV2, nullptr,
       kArchiveDamaged, "error", kBadMagic},
      {"EDAT length reaching below the file's start", [](PackageSpec& s) { s.extra_data = Text("extra data"); },
       [](Bytes& image, const PackageLayout& l) { PutU32(image, l.content_end - 8, 0xFFFFFFF0u); }, kRawV2, nullptr,
       kArchiveDamaged, "error", kBadMagic},
      {"M above T", nullptr,
       [](Bytes& image, const PackageLayout& l) { PutU32(image, l.trailer_offset, l.trailer_offset + 1); }, kRawV2,
       nullptr, kArchiveDamaged, nullptr, nullptr},
      {"M far above T", nullptr,
       [](Bytes& image, const PackageLayout& l) { PutU32(image, l.trailer_offset, 0xFFFFFFF0u); }, kRawV2, nullptr,
       kArchiveDamaged, nullptr, nullptr},
      {"M equal to T", nullptr,
       [](Bytes& image, const PackageLayout& l) { PutU32(image, l.trailer_offset, l.trailer_offset); }, kRawV2,
       nullptr, kArchiveDamaged, "error", kBadMapBlock},
      {"map block that is not a packed block", nullptr,
       [](Bytes& image, const PackageLayout& l) { image[l.map_offset + 15] = 'X'; }, kRawV2, nullptr,
       kArchiveDamaged, "error", kBadMapBlock},
      {"map block declaring 0xFFFFFFFF unpacked bytes", nullptr,
       [](Bytes& image, const PackageLayout& l) { PutU32(image, l.map_offset + 16, 0xFFFFFFFFu); }, kRawV2, nullptr,
       kArchiveDamaged, "error", kBadMapBlock},
      {"map block whose packed size runs past the trailer", nullptr,
       [](Bytes& image, const PackageLayout& l) { PutU32(image, l.map_offset + 20, l.map_size); }, kRawV2, nullptr,
       kArchiveDamaged, "error", kBadMapBlock},
      {"map that unpacks to nothing", [](PackageSpec& s) { s.raw_map = Bytes(); }, nullptr, kRawV2, nullptr,
       kArchiveDamaged, "error", kEmptyMap},
      {"MODE Extract", [](PackageSpec& s) { s.raw_map = Chunk("MODE", Text("Extract")); }, nullptr, kRawV2, nullptr,
       kMapNotExtractMode, "error", L"Error loading map of archive '%ls' (code 0x57)"},
      {"CMDP of 12 bytes",
       [](PackageSpec& s) { s.raw_map = RawMap({Chunk("MODE", Text("extract")), Chunk("CMDP", U32s({1, 2, 3}))}); },
       nullptr, kRawV2, nullptr, kMapBadParameters, "error", L"Error loading map of archive '%ls' (code 0xffffffff)"},
      {"map unpacking to more than the map limit",
       [](PackageSpec& s) {
         s.map_packer = kPackerZlib;
         s.raw_map = RawMap({Chunk("MODE", Text("extract")), Chunk("PADS", Bytes(kMaxMapUnpackedSize, 0))});
       },
       nullptr, kRawV2, nullptr, kArchiveDamaged, "error", kBadMapBlock},
      {"map block spanning more than the map limit, from a valid block at the file's start",
       [](PackageSpec& s) {
         MapContent map;
         map.files.push_back({"a.vpx", 0, 10, 0, ""});
         Bytes map_block;
         ASSERT_EQ(PackBlock(kPackerZlib, EncodeMap(map), &map_block), 0);
         map_block.resize(kMaxMapPackedSize, 0);
         s.stub = map_block;
       },
       [](Bytes& image, const PackageLayout& l) { PutU32(image, l.trailer_offset, 0); }, SignatureForm::kRawV1,
       nullptr, kArchiveDamaged, "error", kBadMapBlock},
      {"map of more entries than the limit",
       [](PackageSpec& s) {
         Bytes files;
         for (uint32_t i = 0; i <= kMaxMapEntries; ++i) AppendChunk(&files, kTagFile, Bytes());
         s.raw_map = RawMap({Chunk("MODE", Text("extract")), Chunk("LIST", files)});
       },
       nullptr, kRawV2, nullptr, kArchiveDamaged, "error", L"Error loading map of archive '%ls' (code 0x3ee)"},
      {"entries declaring as much as the package limit",
       [](PackageSpec& s) { EntriesDeclaring(s, 8, kMaxEntryUnpackedSize); }, nullptr, kRawV2, nullptr, 0, "info",
       kLoaded},
      {"entries declaring more than the package limit",
       [](PackageSpec& s) { EntriesDeclaring(s, 9, kMaxEntryUnpackedSize); }, nullptr, kRawV2, nullptr,
       kArchiveDamaged, "error", kTooMuchToExtract},
      {"entries kept packed storing more than the package limit",
       [](PackageSpec& s) { StoredEntriesOfTheStub(s, 30000, 300000); }, nullptr, kRawV2, nullptr, kArchiveDamaged,
       "error", kTooMuchToExtract},
      {"PTRL of 8 bytes",
       [](PackageSpec& s) {
         s.raw_map = RawMap({Chunk("MODE", Text("extract")),
                             Chunk("LIST", Chunk("FILE", RawMap({Chunk("NAME", Text("a")), Chunk("PTRL", U32s({1, 2}))})))});
       },
       nullptr, kRawV2, nullptr, kMapBadFile, "error", L"Error loading map of archive '%ls' (code 0x3ee)"},
  };
  for (const LoadRow& row : rows) {
    SCOPED_TRACE(row.what);
    SfxArc archive;
    std::vector<LogLine> lines;
    EXPECT_EQ(Load(row, &archive, &lines), row.code);
    if (row.level == nullptr) {
      EXPECT_TRUE(lines.empty()) << lines.size() << " lines, the first: " << krv::log::utf8_from_wide(lines[0].message.c_str());
      continue;
    }
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, row.level);
    EXPECT_EQ(lines[0].message, WithPath(row.message, path_));
  }
}

TEST_F(LoadTest, LoadedArchiveHoldsTheMap) {
  SfxArc archive;
  std::vector<LogLine> lines;
  const LoadRow row = {"", [](PackageSpec& s) { s.parameters = Text("params"); }, nullptr, SignatureForm::kRawV2};
  ASSERT_EQ(Load(row, &archive, &lines), 0u);
  EXPECT_EQ(archive.CommandLineTemplate(), L"/is_kestil_product /vps_upd:\"%TMPPATH%\"");
  EXPECT_EQ(archive.Name(), L"vps-test");
  EXPECT_EQ(archive.ParameterEntry().offset, layout_.parameters_offset);
  EXPECT_EQ(archive.ParameterEntry().stored_size, layout_.parameters_size);
  EXPECT_EQ(archive.ContentEnd(), layout_.content_end);
  EXPECT_EQ(archive.ExtraDataLength(), 0u);
  const std::vector<SfxEntry>& entries = archive.Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, L"vps_win32-215b.vpx");
  EXPECT_EQ(entries[0].time, 1700000000);
  EXPECT_EQ(entries[2].extra_name, L"config-copy.def");
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(entries[i].offset, layout_.files[i].offset);
    EXPECT_EQ(entries[i].stored_size, layout_.files[i].stored_size);
    // Each stored entry is a packed block followed by its own signature.
    std::unique_ptr<FileBlock> stored = archive.ReadStored(entries[i].offset, entries[i].stored_size);
    ASSERT_TRUE(stored);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stored->data() + stored->size() - 8), 8), "KRVSig2B");
    CMFile view;
    view.Attach(stored->data(), stored->size());
    Bytes content;
    ASSERT_EQ(UnpackBlock(view, content), 0u);
    EXPECT_EQ(content, Spec().entries[i].content);
  }
}

TEST_F(LoadTest, ExtraDataMovesTheTrailerDown) {
  SfxArc archive;
  std::vector<LogLine> lines;
  const LoadRow row = {"", [](PackageSpec& s) { s.extra_data = Bytes(300, 0xED); }, nullptr, SignatureForm::kRawV2};
  ASSERT_EQ(Load(row, &archive, &lines), 0u);
  EXPECT_EQ(archive.ExtraDataLength(), 308u);
  EXPECT_EQ(archive.ContentEnd(), layout_.content_end);
  EXPECT_EQ(layout_.trailer_offset, layout_.content_end - 308 - kTrailerSize);
  EXPECT_EQ(archive.Entries().size(), 3u);
}

TEST_F(LoadTest, ASecondLoadOnTheSameObjectFailsOpening) {
  SfxArc archive;
  std::vector<LogLine> lines;
  const LoadRow row = {"", nullptr, nullptr, SignatureForm::kRawV2};
  ASSERT_EQ(Load(row, &archive, &lines), 0u);
  LogCapture capture;
  EXPECT_EQ(archive.Load(path_), kArchiveCannotOpen);
  lines = capture.Lines("sfxarc");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].message, WithPath(L"Error opening archive '%ls'", path_));
}

TEST_F(LoadTest, AFileThatCannotBeOpenedHasNoSignature) {
  SfxArc archive;
  LogCapture capture;
  const std::wstring missing = folder_.File(L"missing.exe");
  EXPECT_EQ(archive.Load(missing), kArchiveDamaged);
  const std::vector<LogLine> lines = capture.Lines("sfxarc");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].message, WithPath(kNoSignature, missing));
}

TEST_F(LoadTest, ReadStoredNeedsAnOpenArchive) {
  SfxArc archive;
  EXPECT_EQ(archive.ReadStored(0, 4), nullptr);
}

}  // namespace
}  // namespace krv::sfxarc
