#include "tools/sfxtool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "sfxarc/entry_name_check.h"
#include "sfxarc/package_writer.h"
#include "sfxarc/signature/key_file.h"
#include "sfxarc/archive_form_policy.h"
#include "sfxarc/sfx_arc.h"
#include "tests/sfxarc/signature_test_support.h"
#include "tests/sfxarc/temp_folder.h"
#include "tests/tools/tool_outcome.h"
#include "tools/package_check.h"
#include "tools/tool_files.h"

namespace krv::tools {
namespace {

using krv::sfxarc::testing::ReadAll;
using krv::sfxarc::testing::TempFolder;
using krv::tools::testing::Outcome;
using krv::tools::testing::Tool;

std::vector<uint8_t> Text(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

class SfxToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stub_ = File("stub.bin", std::string(4096, '\x90'));
    vpx_ = File("vps_win32-215b.vpx", std::string(20000, 'v') + "end");
    part_ = File("part-0001.vpx", "packed update part");
    config_ = File("config.txt", "[config]\nkey=value\n");
  }

  std::string File(const std::string& name, const std::string& content) {
    folder_.Write(std::wstring(name.begin(), name.end()), Text(content));
    return Path(name);
  }
  std::string Path(const std::string& name) const { return (folder_.path() / name).string(); }

  // A package of the three files, with `extra` arguments.
  Outcome Build(const std::string& out, const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {"build", "--stub", stub_, "--out", Path(out), "--time", "1700000000"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.insert(args.end(), {vpx_, part_, "Config.def=" + config_ + ":config-copy.def"});
    return Tool(args);
  }

  TempFolder folder_;
  std::string stub_, vpx_, part_, config_;
};

TEST_F(SfxToolTest, BuildVerifyListRoundTrip) {
  const Outcome built = Build("pkg.exe");
  ASSERT_EQ(built.code, kExitOk) << built.err;
  EXPECT_NE(built.err.find("development keys"), std::string::npos) << "the test-only warning";

  const Outcome verified = Tool({"verify", Path("pkg.exe")});
  EXPECT_EQ(verified.code, kExitOk) << verified.out;
  EXPECT_NE(verified.out.find("form:     5 (second-generation raw)"), std::string::npos) << verified.out;
  EXPECT_NE(verified.out.find("key:      5"), std::string::npos) << verified.out;
  EXPECT_NE(verified.out.find("digest:   sha256 "), std::string::npos) << verified.out;

  const Outcome listed = Tool({"list", Path("pkg.exe")});
  ASSERT_EQ(listed.code, kExitOk) << listed.err;
  EXPECT_NE(listed.out.find("template: /vps_upd:\"%TMPPATH%\""), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("name:     pkg\n"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("entries:  3"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("2023-11-14 22:13:20 UTC"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("part-0001.vpx"), std::string::npos);
  EXPECT_NE(listed.out.find("as stored"), std::string::npos) << "part- entries stay packed";
  EXPECT_NE(listed.out.find("also unpacked as config-copy.def"), std::string::npos) << listed.out;

  // The reader sees what the tool wrote.
  sfxarc::SfxArc archive;
  ASSERT_EQ(archive.Load(WidePath(Path("pkg.exe"))), 0u);
  ASSERT_EQ(archive.Entries().size(), 3u);
  EXPECT_EQ(archive.Entries()[0].name, L"vps_win32-215b.vpx");
  EXPECT_EQ(archive.Entries()[2].name, L"Config.def");
  EXPECT_EQ(archive.Entries()[2].extra_name, L"config-copy.def");
  EXPECT_EQ(archive.Entries()[1].time, 1700000000);
}

// The bar goes to the output only on a terminal or when asked for, and
// runs from 0 to 100% over the packing.
TEST_F(SfxToolTest, BuildDrawsTheBarOnlyWhenAsked) {
  const Outcome plain = Build("pkg.exe");
  ASSERT_EQ(plain.code, kExitOk) << plain.err;
  EXPECT_EQ(plain.out.find('\r'), std::string::npos) << plain.out;
  const auto plain_bytes = ReadAll(Path("pkg.exe"));

  const Outcome barred = Build("pkg.exe", {"--progress", "--jobs", "1"});
  ASSERT_EQ(barred.code, kExitOk) << barred.err;
  EXPECT_NE(barred.out.find("\r[" + std::string(40, '-') + "]   0%"), std::string::npos) << barred.out;
  EXPECT_NE(barred.out.find("\r[" + std::string(40, '#') + "] 100%\n"), std::string::npos) << barred.out;
  EXPECT_TRUE(ReadAll(Path("pkg.exe")) == plain_bytes) << "the bar changes nothing in the package";
}

TEST_F(SfxToolTest, JsonOutputs) {
  ASSERT_EQ(Build("pkg.exe", {"--template", "/is_kestil_product /vps_upd:\"%TMPPATH%\""}).code, kExitOk);
  const Outcome listed = Tool({"list", "--json", Path("pkg.exe")});
  ASSERT_EQ(listed.code, kExitOk);
  EXPECT_NE(listed.out.find("\"template\": \"/is_kestil_product /vps_upd:\\\"%TMPPATH%\\\"\""), std::string::npos)
      << listed.out;
  EXPECT_NE(listed.out.find("{\"name\": \"part-0001.vpx\", \"extra_name\": \"\", \"offset\": "), std::string::npos)
      << listed.out;
  EXPECT_NE(listed.out.find("\"packer\": \"lzma\", \"unpacked_size\": 20003, \"kept_packed\": false"),
            std::string::npos)
      << listed.out;
  const Outcome verified = Tool({"verify", "--json", Path("pkg.exe")});
  EXPECT_EQ(verified.code, kExitOk);
  EXPECT_NE(verified.out.find("\"verified\": true, \"form\": 5"), std::string::npos) << verified.out;
  EXPECT_NE(verified.out.find("\"key\": 5, \"digest_kind\": \"sha256\""), std::string::npos) << verified.out;
}

// `size` bytes like an update file: lines of words and numbers between
// blocks of random bytes, so that the LZMA match finder meets long and short
// matches over the whole dictionary and literals it cannot match.
std::string MixedContent(size_t size) {
  static const char* const kWords[] = {"update", "engine", "module", "version", "driver", "record", "value", "scan"};
  std::mt19937 random(20261211);
  std::string out;
  while (out.size() < size) {
    if (random() % 2 == 0) {
      for (int line = 0; line < 60; ++line) {
        for (int word = 0; word < 6; ++word) out += std::string(kWords[random() % 8]) + " ";
        out += std::to_string(random() % 1000000) + "\n";
      }
    } else {
      for (int i = 0; i < 4096; ++i) out += static_cast<char>(random());
    }
  }
  out.resize(size);
  return out;
}

TEST_F(SfxToolTest, SameInputsGiveTheSameBytes) {
  // More entries than workers, of sizes that finish out of order (the large
  // first one last), so that a writer that appended entries as they finish
  // would differ between the runs. The large one is mixed content of most of
  // the 4 MiB dictionary, so that the encoder's match-finder thread has work
  // that could end differently from run to run if it depended on timing.
  std::vector<std::string> files = {"big.bin=" + File("big.bin", MixedContent(3 << 20))};
  for (int i = 0; i < 9; ++i) {
    const std::string name = "e" + std::to_string(i) + ".vpx";
    files.push_back(File(name, std::string(100 + 1000 * i, static_cast<char>('a' + i))));
  }
  struct Row {
    const char* what;
    std::vector<std::string> extra;
  };
  const Row rows[] = {
      {"lzma", {}},
      {"zlib", {"--packer", "zlib"}},
      {"entry signatures", {"--entry-signatures"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<std::vector<uint8_t>> packages;
    for (const char* jobs : {"1", "4", "4"}) {
      // The default name comes from the output's file name; fix it.
      std::vector<std::string> extra = {"--name", "same", "--jobs", jobs};
      extra.insert(extra.end(), row.extra.begin(), row.extra.end());
      extra.insert(extra.end(), files.begin(), files.end());
      const std::string out = std::string("jobs") + jobs + ".exe";
      const Outcome built = Build(out, extra);
      ASSERT_EQ(built.code, kExitOk) << built.err;
      packages.push_back(ReadAll(Path(out)));
    }
    EXPECT_EQ(packages[0], packages[1]) << "one job and four";
    EXPECT_EQ(packages[1], packages[2]) << "four jobs twice";
    // The reader's decoder gets the large entry back.
    const std::string target = Path(std::string("out-") + row.what);
    const Outcome extracted = Tool({"extract", Path("jobs4.exe"), target});
    ASSERT_EQ(extracted.code, kExitOk) << extracted.err;
    EXPECT_EQ(ReadAll(std::filesystem::path(target) / "big.bin"), ReadAll(Path("big.bin")));
  }
}

TEST_F(SfxToolTest, BuildOptions) {
  struct Row {
    const char* what;
    std::vector<std::string> extra;
    const char* verified_form;
  };
  const std::string param = File("param.bin", "parameters");
  const std::string edat = File("edat.bin", std::string(100, 'e'));
  const Row rows[] = {
      {"first-generation raw", {"--form", "1"}, "form:     1 (first-generation raw)"},
      {"zlib", {"--packer", "zlib"}, "form:     5"},
      {"entry signatures", {"--entry-signatures"}, "form:     5"},
      {"parameters and extra data", {"--param", param, "--edat", edat}, "form:     5"},
      {"name", {"--name", "vps-2024"}, "form:     5"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const Outcome built = Build("pkg.exe", row.extra);
    ASSERT_EQ(built.code, kExitOk) << built.err;
    const Outcome verified = Tool({"verify", Path("pkg.exe")});
    EXPECT_EQ(verified.code, kExitOk);
    EXPECT_NE(verified.out.find(row.verified_form), std::string::npos) << verified.out;
    sfxarc::SfxArc archive;
    const bool taken = row.extra != std::vector<std::string>{"--form", "1"} ||
                       sfxarc::BuiltInArchiveFormPolicy().first_generation;
    EXPECT_EQ(archive.Load(WidePath(Path("pkg.exe"))), taken ? 0u : sfxarc::kArchiveDamaged);
  }
}

TEST_F(SfxToolTest, EntrySignaturesFollowEachEntry) {
  ASSERT_EQ(Build("plain.exe", {"--packer", "zlib"}).code, kExitOk);
  ASSERT_EQ(Build("signed.exe", {"--packer", "zlib", "--entry-signatures"}).code, kExitOk);
  sfxarc::SfxArc plain, signed_entries;
  ASSERT_EQ(plain.Load(WidePath(Path("plain.exe"))), 0u);
  ASSERT_EQ(signed_entries.Load(WidePath(Path("signed.exe"))), 0u);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const sfxarc::SfxEntry& entry = signed_entries.Entries()[i];
    EXPECT_EQ(entry.stored_size, plain.Entries()[i].stored_size + 72);
    std::unique_ptr<sfxarc::FileBlock> stored = signed_entries.ReadStored(entry.offset, entry.stored_size);
    ASSERT_TRUE(stored);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stored->data() + entry.stored_size - 8), 8), "KRVSig2B");
  }
}

TEST_F(SfxToolTest, ParametersAndExtraDataReachTheReader) {
  const std::string param = File("param.bin", "parameters");
  const std::string edat = File("edat.bin", std::string(100, 'e'));
  ASSERT_EQ(Build("pkg.exe", {"--param", param, "--edat", edat}).code, kExitOk);
  sfxarc::SfxArc archive;
  ASSERT_EQ(archive.Load(WidePath(Path("pkg.exe"))), 0u);
  EXPECT_EQ(archive.ExtraDataLength(), 108u);
  EXPECT_NE(archive.ParameterEntry().offset, 0u);
  EXPECT_GT(archive.ParameterEntry().stored_size, 24u);
}

TEST_F(SfxToolTest, SignThenVerifyEveryForm) {
  struct Row {
    const char* form;
    const char* mode;
    int code;
  };
  const Row rows[] = {
      {"5", "1", kExitOk}, {"1", "1", kExitOk}, {"4", "1", kExitOk},          {"0", "1", kExitOk},
      {"2", "1", kExitOk}, {"2", "3", kExitOk}, {"5", "3", kExitNotVerified}, {"5", "2", kExitOk},
      {"1", "4", kExitNotVerified},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("form ") + row.form + ", mode " + row.mode);
    const std::string file = File("note.txt", "A text file that gets a signature.\n");
    const Outcome signed_file = Tool({"sign", file, "--form", row.form});
    ASSERT_EQ(signed_file.code, kExitOk) << signed_file.err;
    const Outcome verified = Tool({"verify", file, "--mode", row.mode});
    EXPECT_EQ(verified.code, row.code) << verified.out;
  }
}

TEST_F(SfxToolTest, HelpOfEveryCommand) {
  for (const char* command : {"keygen", "build", "sign", "verify", "list", "extract", "authenticode-size"}) {
    SCOPED_TRACE(command);
    const Outcome help = Tool({command, "--help"});
    EXPECT_EQ(help.code, kExitOk);
    EXPECT_EQ(help.out.rfind(std::string("usage: sfxtool ") + command, 0), 0u) << help.out;
  }
  const Outcome overview = Tool({"--help"});
  EXPECT_EQ(overview.code, kExitOk);
  for (const char* command : {"keygen", "build", "sign", "verify", "list", "extract", "authenticode-size"}) {
    EXPECT_NE(overview.out.find(std::string("  ") + command + " "), std::string::npos) << command;
  }
}

TEST_F(SfxToolTest, BadInputs) {
  ASSERT_EQ(Build("pkg.exe").code, kExitOk);
  const std::string unsigned_file = File("unsigned.bin", "nothing signed here");
  const std::string bad_keys = File("bad.keys", "key 99\n");
  const std::string missing = Path("missing.bin");
  struct Row {
    std::vector<std::string> args;
    int code;
    const char* message;
  };
  const std::vector<Row> rows = {
      {{}, kExitUsage, "usage: sfxtool COMMAND"},
      {{"frob"}, kExitUsage, "unknown command 'frob'"},
      {{"build", "--stub", stub_, "--out"}, kExitUsage, "option --out needs a value"},
      {{"build", "--out", Path("x.exe")}, kExitUsage, "--stub is required"},
      {{"build", "--stub", stub_}, kExitUsage, "--out is required"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "--colour", "red"}, kExitUsage, "unknown option --colour"},
      {{"build", "--stub", stub_, "--stub", stub_, "--out", Path("x.exe")}, kExitUsage, "option --stub given twice"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "--form", "4"}, kExitUsage, "--form must be 5 or 1"},
      // A checksum anyone can compute would make a package no stub loads.
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "--form", "2"}, kExitUsage, "authenticates nothing"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "--packer", "bzip2"}, kExitUsage, "--packer must be"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "--time", "-5"}, kExitUsage, "--time must be"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "--time", "4294967296"}, kExitUsage, "--time must be"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "--entry-signatures=yes"}, kExitUsage, "takes no value"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "..\\up.vpx=" + vpx_}, kExitUsage, "is refused by the stub"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "/abs.vpx=" + vpx_}, kExitUsage, "is refused by the stub"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "c:x.vpx=" + vpx_}, kExitUsage, "is refused by the stub"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "--jobs", "0"}, kExitUsage, "--jobs takes a number"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "--jobs", "51"}, kExitUsage, "--jobs takes a number"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "--jobs", "two"}, kExitUsage, "--jobs takes a number"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "caf\xC3\xA9.vpx=" + vpx_}, kExitUsage, "not printable ASCII"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "=" + vpx_}, kExitUsage, "empty name"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "a=" + vpx_ + ":..", }, kExitUsage, "is refused by the stub"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), vpx_, "vps_win32-215b.vpx=" + part_}, kExitUsage,
       "given twice"},
      {{"build", "--stub", missing, "--out", Path("x.exe")}, kExitBadInput, "cannot read"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), missing}, kExitBadInput, "cannot read"},
      {{"build", "--stub", stub_, "--out", Path("x.exe"), "--key", bad_keys, vpx_}, kExitBadInput, "bad.keys:1"},
      {{"build", "--stub", stub_, "--out", Path("no-such-folder/x.exe"), "--time", "0", vpx_}, kExitCannotWrite,
       "cannot create"},
      {{"sign", unsigned_file, "--form", "2", "--key", bad_keys}, kExitUsage, "takes no key"},
      {{"sign", unsigned_file, "--form", "3"}, kExitUsage, "--form must be 0, 1, 2, 4 or 5"},
      {{"sign", missing}, kExitBadInput, "missing.bin"},
      {{"sign"}, kExitUsage, "expected one file"},
      {{"verify", unsigned_file}, kExitNotVerified, ""},
      {{"verify", missing}, kExitBadInput, "no such file"},
      {{"verify", Path("pkg.exe"), "--mode", "5"}, kExitUsage, "--mode must be"},
      {{"list", unsigned_file}, kExitFailed, "cannot load"},
      {{"list", Path("pkg.exe"), Path("pkg.exe")}, kExitUsage, "expected one package"},
      {{"keygen", Path("no-such-folder")}, kExitBadInput, "no such folder"},
      {{"keygen", folder_.path().string(), "--name", "../x"}, kExitUsage, "--name must be"},
  };
  for (const Row& row : rows) {
    std::string joined;
    for (const std::string& word : row.args) joined += word + " ";
    SCOPED_TRACE(joined);
    const Outcome outcome = Tool(row.args);
    EXPECT_EQ(outcome.code, row.code) << outcome.err;
    EXPECT_NE(outcome.err.find(row.message), std::string::npos) << outcome.err;
  }
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "x.exe")) << "no output after a failed build";
}

// Inputs the stub would fail to extract are refused when the package is
// built, with a message that names the file or the name and says why; no
// package is left behind.
TEST_F(SfxToolTest, BuildRefusesEntriesTheStubWouldFail) {
  const std::string empty = File("empty.vpx", "");
  struct Row {
    const char* what;
    std::vector<std::string> entries;
    int code;
    std::string message;
  };
  const std::vector<Row> rows = {
      {"an empty file the stub unpacks", {"vps.vpx=" + empty}, kExitBadInput,
       "cannot store " + empty + " as 'vps.vpx': it is empty, and the stub fails an entry"},
      {"an empty file with an extra name", {"part-0002.vpx=" + empty + ":copy.def"}, kExitBadInput, "it is empty"},
      {"an empty file the stub keeps packed", {"part-0002.vpx=" + empty}, kExitOk, ""},
      {"a folder part", {"sub/x.vpx=" + vpx_}, kExitUsage, "name 'sub/x.vpx' has a folder part"},
      {"a backslash folder part", {"sub\\x.vpx=" + vpx_}, kExitUsage, "has a folder part"},
      {"a question mark", {"a?.vpx=" + vpx_}, kExitUsage, "contains '?', which Windows does not allow"},
      {"a pipe in the extra name", {"a.vpx=" + vpx_ + ":b|c"}, kExitUsage, "contains '|'"},
      {"a name of 256 characters", {std::string(256, 'n') + "=" + vpx_}, kExitUsage, "longer than 255 characters"},
      {"a trailing dot", {"a.vpx.=" + vpx_}, kExitUsage, "ends in '.', which Windows drops"},
      {"a trailing blank in the extra name", {"a.vpx=" + vpx_ + ":b.def "}, kExitUsage, "ends in ' '"},
      {"names equal but for case", {"A.vpx=" + vpx_, "a.VPX=" + part_}, kExitUsage, "name 'a.VPX' given twice"},
      {"a name equal to another's extra name", {"x.def=" + config_ + ":Copy.def", "copy.def=" + part_}, kExitUsage,
       "name 'copy.def' given twice"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<std::string> args = {"build", "--stub", stub_, "--out", Path("x.exe"), "--time", "0"};
    args.insert(args.end(), row.entries.begin(), row.entries.end());
    const Outcome outcome = Tool(args);
    EXPECT_EQ(outcome.code, row.code) << outcome.err;
    EXPECT_NE(outcome.err.find(row.message), std::string::npos) << outcome.err;
    EXPECT_EQ(std::filesystem::exists(folder_.path() / "x.exe"), row.code == kExitOk);
    std::filesystem::remove(folder_.path() / "x.exe");
  }
}

// The build refuses exactly the names the stub's own entry-name check
// refuses (device names among them), whatever that check holds.
TEST_F(SfxToolTest, BuildRefusesWhatTheStubsNameCheckRefuses) {
  for (const std::string name : {"NUL", "nul.vpx", "CON.txt", "COM1.vpx", "lpt1", "AUX.def", "PRN", "CONFIG.SYS",
                                 ". .", "...", "a:b", "nul-free.vpx"}) {
    SCOPED_TRACE(name);
    const bool refused = !sfxarc::IsSafeEntryName(std::wstring(name.begin(), name.end()));
    const Outcome outcome =
        Tool({"build", "--stub", stub_, "--out", Path("x.exe"), "--time", "0", name + "=" + vpx_});
    EXPECT_EQ(outcome.code, refused ? kExitUsage : kExitOk) << outcome.err;
    if (refused) {
      EXPECT_NE(outcome.err.find("is refused by the stub"), std::string::npos) << outcome.err;
    }
  }
}

// The finished package is loaded as the stub loads it: one whose archive
// does not load is not kept.
TEST(PackageCheck, LoadsThePackageAsTheStubDoes) {
  KRV_REQUIRE_DEV_KEYS();
  TempFolder folder;
  const auto check = [&](const std::vector<uint8_t>& mode, uint32_t* code) {
    sfxarc::PackageSpec spec;
    spec.stub.assign(4096, 0x90);
    spec.raw_map = Text("MODE");
    spec.raw_map->insert(spec.raw_map->end(), {uint8_t(mode.size()), 0, 0, 0});
    spec.raw_map->insert(spec.raw_map->end(), mode.begin(), mode.end());
    std::vector<uint8_t> image;
    EXPECT_EQ(sfxarc::BuildPackage(spec, &image, nullptr, nullptr), sfxarc::PackageStatus::kOk);
    EXPECT_EQ(sfxarc::AppendFileSignature(&image, krv::signature::SignatureForm::kRawV2,
                                          krv::signature::testing::DevKeys(), 0, nullptr),
              sfxarc::PackageStatus::kOk);
    folder.Write(L"pkg.exe", image);
    return CheckPackageLoads(folder.path().string() + "/pkg.exe", image, 0, code);
  };
  uint32_t code = 1;
  EXPECT_EQ(check(Text("extract"), &code), PackageCheck::kLoads);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(check(Text("Extract"), &code), PackageCheck::kRefused);
  EXPECT_EQ(code, 87u);
}

// A package whose file signature was replaced by a text checksum (here by
// signing its content again): verify reports the form and says it proves
// nothing; list and extract, which load as the stub does, refuse it.
TEST_F(SfxToolTest, AChecksumPackageIsReportedButNotLoaded) {
  ASSERT_EQ(Build("pkg.exe").code, kExitOk);
  std::vector<uint8_t> image = ReadAll(Path("pkg.exe"));
  image.resize(image.size() - 72);
  folder_.Write(L"checksum.exe", image);
  ASSERT_EQ(Tool({"sign", Path("checksum.exe"), "--form", "2"}).code, kExitOk);

  const Outcome verified = Tool({"verify", Path("checksum.exe")});
  EXPECT_NE(verified.out.find("form:     2 (text checksum)"), std::string::npos) << verified.out;
  EXPECT_NE(verified.out.find("authenticates nothing"), std::string::npos) << verified.out;
  EXPECT_NE(verified.out.find("no stub loads"), std::string::npos) << verified.out;
  const Outcome json = Tool({"verify", "--json", Path("checksum.exe")});
  EXPECT_NE(json.out.find("\"form\": 2"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("\"keyed\": false"), std::string::npos) << json.out;
  EXPECT_NE(Tool({"verify", "--json", Path("pkg.exe")}).out.find("\"keyed\": true"), std::string::npos);

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"list", Path("checksum.exe")},
        std::vector<std::string>{"extract", Path("checksum.exe"), Path("out")}}) {
    SCOPED_TRACE(args[0]);
    const Outcome outcome = Tool(args);
    EXPECT_EQ(outcome.code, kExitFailed);
    EXPECT_NE(outcome.err.find("(code 0x3ee)"), std::string::npos) << outcome.err;
  }
  sfxarc::SfxArc archive;
  EXPECT_EQ(archive.Load(WidePath(Path("checksum.exe"))), sfxarc::kArchiveDamaged);
}

TEST_F(SfxToolTest, DamagedPackageIsNotVerifiedNorListed) {
  ASSERT_EQ(Build("pkg.exe").code, kExitOk);
  std::vector<uint8_t> image = ReadAll(Path("pkg.exe"));
  image[4100] ^= 0x01;  // inside the first entry
  folder_.Write(L"damaged.exe", image);
  EXPECT_EQ(Tool({"verify", Path("damaged.exe")}).code, kExitNotVerified);
  const Outcome listed = Tool({"list", Path("damaged.exe")});
  EXPECT_EQ(listed.code, kExitFailed);
  EXPECT_NE(listed.err.find("(code 0x3ee)"), std::string::npos) << listed.err;
}

TEST_F(SfxToolTest, KeygenMakesASetThatSignsButIsNotBuiltIn) {
  const Outcome made = Tool({"keygen", folder_.path().string(), "--name", "fresh"});
  ASSERT_EQ(made.code, kExitOk) << made.err;
  krv::signature::DsaKeySet public_keys, private_keys;
  ASSERT_EQ(krv::signature::ReadKeyFile((folder_.path() / "fresh-public.keys").wstring(), &public_keys, nullptr),
            krv::signature::KeyFileStatus::kOk);
  ASSERT_EQ(krv::signature::ReadKeyFile((folder_.path() / "fresh-private.keys").wstring(), &private_keys, nullptr),
            krv::signature::KeyFileStatus::kOk);
  for (int number = 1; number <= 14; ++number) {
    SCOPED_TRACE(number);
    ASSERT_NE(public_keys.Find(number), nullptr);
    EXPECT_FALSE(public_keys.Find(number)->has_private());
    ASSERT_NE(private_keys.Find(number), nullptr);
    EXPECT_TRUE(private_keys.Find(number)->has_private());
    EXPECT_EQ(private_keys.Find(number)->y, public_keys.Find(number)->y);
  }
  EXPECT_EQ(public_keys.Find(11)->p, public_keys.Find(5)->p);
  EXPECT_NE(public_keys.Find(6)->p, public_keys.Find(5)->p);

  const Outcome built = Build("fresh.exe", {"--key", Path("fresh-private.keys")});
  ASSERT_EQ(built.code, kExitOk) << built.err;
  EXPECT_EQ(built.err.find("development keys"), std::string::npos) << "no warning with an explicit key";
  EXPECT_NE(built.err.find("is signed with keys that are not built into this sfxtool: a stub built with the same "
                           "key file as this sfxtool refuses it"),
            std::string::npos)
      << built.err;
  // This program embeds the development keys, not the new ones.
  EXPECT_EQ(Tool({"verify", Path("fresh.exe")}).code, kExitNotVerified);
}

}  // namespace
}  // namespace krv::tools
