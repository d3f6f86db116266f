// The Authenticode workflow of sfxtool with the real osslsigncode: the size
// of the table to reserve, a package signed for it, the Authenticode
// signature added afterwards, and what verify says when the two disagree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "sfxarc/sfx_arc.h"
#include "tests/sfxarc/signature_test_support.h"
#include "tests/sfxarc/temp_folder.h"
#include "tests/tools/tool_outcome.h"
#include "tools/tool_files.h"

namespace krv::tools {
namespace {

using krv::sfxarc::testing::ReadAll;
using krv::sfxarc::testing::TempFolder;
using krv::signature::testing::AuthenticodeSign;
using krv::tools::testing::Outcome;
using krv::tools::testing::Tool;

class AuthenticodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write(L"stub.exe", krv::signature::testing::MakePe(0x014c, 16384));
    folder_.Write(L"vps.vpx", std::vector<uint8_t>(30000, 'v'));
    // The certificate and key the trial and the real signing share.
    ASSERT_EQ(AuthenticodeSign(Dir(), "stub.exe", "trial.exe"), 0);
  }

  std::string Dir() const { return folder_.path().string(); }
  std::string Path(const std::string& name) const { return (folder_.path() / name).string(); }

  Outcome Build(const std::string& out, const std::vector<std::string>& extra) {
    std::vector<std::string> args = {"build", "--stub", Path("stub.exe"), "--out", Path(out), "--time", "1700000000"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(Path("vps.vpx"));
    return Tool(args);
  }

  // The reserved size the dry run reports.
  std::string DryRunSize() {
    const Outcome sized = Tool({"authenticode-size", "--cert", Path("cert.pem"), "--key", Path("key.pem"),
                                Path("stub.exe")});
    EXPECT_EQ(sized.code, kExitOk) << sized.err;
    return sized.out.substr(0, sized.out.find('\n'));
  }

  TempFolder folder_;
};

TEST_F(AuthenticodeTest, DryRunTellsTheSizeOsslsigncodeWrites) {
  const std::string size = DryRunSize();
  const Outcome read_back = Tool({"authenticode-size", Path("trial.exe")});
  ASSERT_EQ(read_back.code, kExitOk) << read_back.err;
  EXPECT_EQ(read_back.out, size + "\n");
  EXPECT_GT(std::stoul(size), 500u);
  EXPECT_EQ(ReadAll(Path("stub.exe")), krv::signature::testing::MakePe(0x014c, 16384)) << "the input is not changed";

  struct Row {
    std::vector<std::string> args;
    int code;
    const char* message;
  };
  const std::vector<Row> rows = {
      {{"authenticode-size", Path("stub.exe")}, kExitBadInput, "carries no Authenticode certificate table"},
      {{"authenticode-size", Path("vps.vpx")}, kExitBadInput, "is not a PE file"},
      {{"authenticode-size"}, kExitUsage, "expected a file"},
      {{"authenticode-size", "--key", Path("key.pem"), Path("stub.exe")}, kExitUsage, "--key goes with --cert"},
      {{"authenticode-size", "--cert", Path("vps.vpx"), "--key", Path("key.pem"), Path("stub.exe")}, kExitFailed,
       "osslsigncode failed"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args.back());
    const Outcome outcome = Tool(row.args);
    EXPECT_EQ(outcome.code, row.code) << outcome.err;
    EXPECT_NE(outcome.err.find(row.message), std::string::npos) << outcome.err;
  }
}

// build --authenticode-reserve with the dry run's size, then osslsigncode
// with the same certificate: both signatures verify and the archive loads.
TEST_F(AuthenticodeTest, ReservedPackageVerifiesAfterTheAuthenticodeSignature) {
  const std::string size = DryRunSize();
  const Outcome built = Build("pkg.exe", {"--authenticode-reserve", size});
  ASSERT_EQ(built.code, kExitOk) << built.err;
  EXPECT_NE(built.out.find("for an Authenticode table of " + size + " bytes"), std::string::npos) << built.out;

  const Outcome early = Tool({"verify", Path("pkg.exe")});
  EXPECT_EQ(early.code, kExitNotVerified);
  EXPECT_NE(early.out.find("expects an Authenticode certificate table of " + size + " bytes"), std::string::npos)
      << early.out;

  ASSERT_EQ(AuthenticodeSign(Dir(), "pkg.exe", "pkg-signed.exe"), 0);
  EXPECT_EQ(std::system(("osslsigncode verify -CAfile '" + Path("cert.pem") + "' -in '" + Path("pkg-signed.exe") +
                         "' >/dev/null 2>&1")
                            .c_str()),
            0)
      << "osslsigncode accepts the package";
  const Outcome verified = Tool({"verify", Path("pkg-signed.exe")});
  EXPECT_EQ(verified.code, kExitOk) << verified.out;
  const Outcome listed = Tool({"list", Path("pkg-signed.exe")});
  EXPECT_EQ(listed.code, kExitOk) << listed.err;
  sfxarc::SfxArc archive;
  EXPECT_EQ(archive.Load(WidePath(Path("pkg-signed.exe"))), 0u);

  // The same through sign on a PE that is no package.
  folder_.Write(L"tool.exe", krv::signature::testing::MakePe(0x014c, 8192));
  const Outcome signed_file = Tool({"sign", Path("tool.exe"), "--authenticode-reserve", size});
  ASSERT_EQ(signed_file.code, kExitOk) << signed_file.err;
  ASSERT_EQ(AuthenticodeSign(Dir(), "tool.exe", "tool-signed.exe"), 0);
  EXPECT_EQ(Tool({"verify", Path("tool-signed.exe")}).code, kExitOk);
}

// A table of another size than the reserved one (another certificate, a
// time stamp, other options), or a package signed without a reservation:
// verify says which size it expected and which it found.
TEST_F(AuthenticodeTest, VerifyNamesTheReservedAndTheFoundSize) {
  const std::string size = DryRunSize();
  const std::string other = std::to_string(std::stoul(size) + 8);
  ASSERT_EQ(Build("wrong.exe", {"--authenticode-reserve", other}).code, kExitOk);
  ASSERT_EQ(AuthenticodeSign(Dir(), "wrong.exe", "wrong-signed.exe"), 0);
  const Outcome wrong = Tool({"verify", Path("wrong-signed.exe")});
  EXPECT_EQ(wrong.code, kExitNotVerified);
  EXPECT_NE(wrong.out.find("expected " + other + " bytes, found " + size + " bytes"), std::string::npos) << wrong.out;
  const Outcome json = Tool({"verify", "--json", Path("wrong-signed.exe")});
  EXPECT_NE(json.out.find("\"authenticode\": \"the Authenticode certificate table does not have the reserved size: "
                          "expected " + other),
            std::string::npos)
      << json.out;

  ASSERT_EQ(Build("plain.exe", {}).code, kExitOk);
  ASSERT_EQ(AuthenticodeSign(Dir(), "plain.exe", "plain-signed.exe"), 0);
  const Outcome plain = Tool({"verify", Path("plain-signed.exe")});
  EXPECT_EQ(plain.code, kExitNotVerified);
  EXPECT_NE(plain.out.find("made without a reservation for it: sign the unsigned file with --authenticode-reserve " +
                           size),
            std::string::npos)
      << plain.out;
}

// A time stamp enlarges the table: a package reserved for the table without
// one does not verify once it is time-stamped, and verify names both sizes;
// reserved from a dry run with the same time-stamp options, it verifies.
// osslsigncode's own time-stamp authority (-TSA-certs, -TSA-key) stands in
// for a remote one.
TEST_F(AuthenticodeTest, TimeStampNeedsAReservationWithTheSameOptions) {
  ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=krv-tsa -addext "
                         "extendedKeyUsage=critical,timeStamping -keyout '" + Path("tsa-key.pem") + "' -out '" +
                         Path("tsa-cert.pem") + "' >/dev/null 2>&1")
                            .c_str()),
            0);
  const std::string plain_size = DryRunSize();
  const Outcome sized = Tool({"authenticode-size", "--cert", Path("cert.pem"), "--key", Path("key.pem"),
                              Path("stub.exe"), "--", "-TSA-certs", Path("tsa-cert.pem"), "-TSA-key",
                              Path("tsa-key.pem")});
  ASSERT_EQ(sized.code, kExitOk) << sized.err;
  const std::string stamped_size = sized.out.substr(0, sized.out.find('\n'));
  EXPECT_GT(std::stoul(stamped_size), std::stoul(plain_size));
  const std::string stamp = "-TSA-certs '" + Path("tsa-cert.pem") + "' -TSA-key '" + Path("tsa-key.pem") + "'";

  ASSERT_EQ(Build("plain.exe", {"--authenticode-reserve", plain_size}).code, kExitOk);
  ASSERT_EQ(AuthenticodeSign(Dir(), "plain.exe", "plain-stamped.exe", stamp), 0);
  const Outcome mismatch = Tool({"verify", Path("plain-stamped.exe")});
  EXPECT_EQ(mismatch.code, kExitNotVerified);
  EXPECT_NE(mismatch.out.find("expected " + plain_size + " bytes, found " + stamped_size + " bytes"),
            std::string::npos)
      << mismatch.out;

  ASSERT_EQ(Build("stamped.exe", {"--authenticode-reserve", stamped_size}).code, kExitOk);
  ASSERT_EQ(AuthenticodeSign(Dir(), "stamped.exe", "stamped-signed.exe", stamp), 0);
  EXPECT_EQ(Tool({"verify", Path("stamped-signed.exe")}).code, kExitOk);
}

// Our signature goes first, the Authenticode signature last: signing a file
// or building from a stub that already carries an Authenticode signature is
// refused with the order to follow, and the file is left as it was.
TEST_F(AuthenticodeTest, SigningAfterAuthenticodeIsRefusedWithTheOrder) {
  const std::vector<uint8_t> before = ReadAll(Path("trial.exe"));
  const Outcome signed_after = Tool({"sign", Path("trial.exe")});
  EXPECT_EQ(signed_after.code, kExitBadInput);
  EXPECT_NE(signed_after.err.find("already carries an Authenticode signature: our signature must come first"),
            std::string::npos)
      << signed_after.err;
  EXPECT_NE(signed_after.err.find("sign in this order: first 'sfxtool build' or 'sfxtool sign' with "
                                  "--authenticode-reserve SIZE"),
            std::string::npos)
      << signed_after.err;
  EXPECT_EQ(ReadAll(Path("trial.exe")), before);

  const Outcome built = Tool({"build", "--stub", Path("trial.exe"), "--out", Path("pkg.exe"), "--time", "0",
                              Path("vps.vpx")});
  EXPECT_EQ(built.code, kExitBadInput);
  EXPECT_NE(built.err.find("already carries an Authenticode signature: build from the unsigned stub; sign in this "
                           "order"),
            std::string::npos)
      << built.err;
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "pkg.exe"));
}

}  // namespace
}  // namespace krv::tools
