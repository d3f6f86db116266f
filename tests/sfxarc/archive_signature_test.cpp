// The archive's signature check over an open file, under both form policies.

#include "sfxarc/archive_signature.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sfxarc/package_writer.h"
#include "tests/sfxarc/extract_test_support.h"
#include "tests/sfxarc/log_capture.h"

namespace krv::sfxarc {
namespace {

using krv::signature::SignatureForm;
using testing::Bytes;
using testing::LogCapture;
using testing::LogLine;
using testing::SpecWith;
using testing::TempFolder;
using testing::Text;

struct PolicyRow {
  SignatureForm form;
  bool first_generation;  // the policy
  uint32_t code;
  const wchar_t* line;  // the one error line, before the path; null: none
  uint32_t block_size;
};

TEST(CheckArchiveSignature, OnlyKeyedFormsThePolicyTakesPass) {
  const wchar_t kBadSignature[] = L"Error in signature of archive '";
  const wchar_t kUnknownForm[] = L"Unknown signature type of archive '";
  const PolicyRow rows[] = {
      {SignatureForm::kRawV2, true, 0, nullptr, 72},
      {SignatureForm::kRawV2, false, 0, nullptr, 72},
      {SignatureForm::kRawV1, true, 0, nullptr, 48},
      {SignatureForm::kRawV1, false, kArchiveDamaged, kBadSignature, 0},
      {SignatureForm::kChecksum, true, kArchiveDamaged, kBadSignature, 0},
      {SignatureForm::kChecksum, false, kArchiveDamaged, kBadSignature, 0},
      {SignatureForm::kTextV2, true, kArchiveDamaged, kUnknownForm, 0},
      {SignatureForm::kTextV1, true, kArchiveDamaged, kUnknownForm, 0},
      {SignatureForm::kTextV1, false, kArchiveDamaged, kBadSignature, 0},
  };
  TempFolder folder;
  for (const PolicyRow& row : rows) {
    SCOPED_TRACE(::testing::Message() << "form " << int(row.form) << ", first generation " << row.first_generation);
    Bytes image;
    PackageLayout layout;
    ASSERT_EQ(BuildPackage(SpecWith({{"a.vpx", Text("content"), 0, kPackerZlib, ""}}), &image, &layout, nullptr),
              PackageStatus::kOk);
    ASSERT_EQ(AppendFileSignature(&image, row.form, krv::signature::testing::DevKeys(), 0, nullptr),
              PackageStatus::kOk);
    const std::wstring path = folder.Write(L"package.exe", image);
    CUFile file;
    ASSERT_TRUE(file.OpenRead(path));
    ArchiveFormPolicy policy;
    policy.first_generation = row.first_generation;
    ArchiveSignature signature;
    LogCapture capture;
    EXPECT_EQ(CheckArchiveSignature(file, policy, &signature), row.code);
    const std::vector<LogLine> lines = capture.Lines("sfxarc");
    if (row.line == nullptr) {
      EXPECT_TRUE(lines.empty());
      EXPECT_EQ(signature.content_end, layout.content_end);
      EXPECT_EQ(signature.block_size, row.block_size);
      EXPECT_EQ(signature.content_end + signature.block_size, image.size());
    } else {
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_EQ(lines[0].message.rfind(row.line + path, 0), 0u);
      EXPECT_EQ(signature.content_end, 0u) << "unchanged on failure";
    }
  }
}

// The build's policy follows the CMake option KRV_SECOND_GENERATION_ONLY.
TEST(CheckArchiveSignature, TheBuiltInPolicyFollowsTheConfiguration) {
  EXPECT_EQ(BuiltInArchiveFormPolicy().first_generation, !KRV_EXPECT_SECOND_GENERATION_ONLY);
}

}  // namespace
}  // namespace krv::sfxarc
