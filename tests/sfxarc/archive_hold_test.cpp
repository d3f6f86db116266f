// What Load verified is what extraction reads: someone who can write the
// package's folder replaces or rewrites the file while the archive holds it,
// either before its signature is checked or between Load and extraction.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "sfxarc/sfx_arc.h"
#include "tests/sfxarc/extract_test_support.h"

namespace krv::sfxarc {
namespace {

using testing::Bytes;
using testing::Content;
using testing::ReadAll;
using testing::SpecWith;
using testing::TempFolder;

#if defined(_WIN32)
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// A signed package with one stored entry holding `content`.
Bytes SignedPackage(const Bytes& content) {
  Bytes image;
  PackageLayout layout;
  EXPECT_EQ(BuildPackage(SpecWith({{"defs.vpx", content, 0, kPackerLzma, ""}}), &image, &layout, nullptr),
            PackageStatus::kOk);
  EXPECT_EQ(AppendFileSignature(&image, krv::signature::SignatureForm::kRawV2, krv::signature::testing::DevKeys(), 0,
                                nullptr),
            PackageStatus::kOk);
  return image;
}

// Puts a file holding `bytes` in place of `path` by renaming it over it, as
// a swap of files in a shared folder does. False when the system refuses.
bool RenameOver(const TempFolder& folder, const std::wstring& path, const Bytes& bytes) {
  const std::wstring other = folder.Write(L"other.exe", bytes);
  std::error_code error;
  std::filesystem::rename(other, path, error);
  return !error;
}

// Overwrites the file at `path` in place with `bytes`. False when it cannot
// be opened for writing.
bool RewriteInPlace(const std::wstring& path, const Bytes& bytes) {
  std::fstream file(std::filesystem::path(path), std::ios::binary | std::ios::in | std::ios::out);
  if (!file.is_open()) return false;
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.flush();
  return file.good();
}

enum class When { kBeforeTheCheck, kAfterLoad };
enum class How { kRename, kRewrite };

struct SwapRow {
  const char* what;
  bool starts_signed;  // the file at the path when Load opens it: the signed package, or the forged one
  When when;
  How how;             // puts the other one in its place
};

// The file opened first is what counts: a forged file opened first fails
// its check whatever replaces it; a signed file opened first is extracted as
// signed whatever replaces it. On Windows the held file can neither be
// replaced nor written.
TEST(ArchiveHold, ExtractionReadsTheFileThatWasVerified) {
  const SwapRow rows[] = {
      {"signed package renamed over a forged one before the check", false, When::kBeforeTheCheck, How::kRename},
      {"signed package written over a forged one before the check", false, When::kBeforeTheCheck, How::kRewrite},
      {"forged package renamed over the signed one before the check", true, When::kBeforeTheCheck, How::kRename},
      {"forged package renamed over the signed one after Load", true, When::kAfterLoad, How::kRename},
      {"forged package written over the signed one after Load", true, When::kAfterLoad, How::kRewrite},
  };
  const Bytes signed_content = Content("signed", 6000);
  const Bytes forged_content = Content("forged", 6000);
  const Bytes signed_package = SignedPackage(signed_content);
  // The same layout with other entry bytes; its signature no longer matches
  // once one covered byte of the stub changes.
  Bytes forged_package = SignedPackage(forged_content);
  forged_package[100] ^= 1;
  ASSERT_EQ(forged_package.size(), signed_package.size());

  for (const SwapRow& row : rows) {
    SCOPED_TRACE(row.what);
    // On POSIX nothing stops a writer of the same file; there only renames
    // are shown harmless.
    if (!kWindows && row.how == How::kRewrite) continue;
    TempFolder folder;
    const std::wstring path = folder.Write(L"package.exe", row.starts_signed ? signed_package : forged_package);
    const Bytes& other = row.starts_signed ? forged_package : signed_package;
    bool swapped = false;
    std::function<void(const std::wstring&)> swap = [&](const std::wstring& held) {
      swapped = row.how == How::kRename ? RenameOver(folder, held, other) : RewriteInPlace(held, other);
    };

    SfxArc archive;
    uint32_t loaded;
    {
      ScopedArchiveOpenedHook hook(row.when == When::kBeforeTheCheck ? swap : std::function<void(const std::wstring&)>());
      loaded = archive.Load(path);
    }
    if (loaded == 0 && row.when == When::kAfterLoad) swap(path);
    if (kWindows) {
      EXPECT_FALSE(swapped) << "the held package was replaced or written";
    }

    if (!row.starts_signed) {
      EXPECT_EQ(loaded, kArchiveDamaged) << "the forged file that was opened passed its check";
      continue;
    }
    ASSERT_EQ(loaded, 0u);
    const std::filesystem::path out = folder.path() / "out";
    std::filesystem::create_directories(out);
    EXPECT_EQ(archive.ExtractAllFiles(out.wstring(), nullptr), 0u);
    EXPECT_EQ(ReadAll(out / "defs.vpx"), signed_content);
  }
}

}  // namespace
}  // namespace krv::sfxarc
