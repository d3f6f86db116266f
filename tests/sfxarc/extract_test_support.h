#pragma once
// Packages made at run time for the extraction tests: built with the
// package writer, signed with the development keys, written to a temporary
// folder and loaded as the stub loads its own file.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "progress/progress_callback.h"
#include "progress/progress_interface.h"
#include "sfxarc/package_writer.h"
#include "sfxarc/sfx_arc.h"
#include "tests/sfxarc/signature_test_support.h"
#include "tests/sfxarc/temp_folder.h"

namespace krv::sfxarc::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Content that packs, but not to nothing: a counter and some text.
inline Bytes Content(const std::string& seed, size_t size) {
  Bytes bytes;
  bytes.reserve(size);
  for (size_t i = 0; bytes.size() < size; ++i) {
    const std::string line = seed + " line " + std::to_string(i * 7919 % 1000) + "\n";
    bytes.insert(bytes.end(), line.begin(), line.end());
  }
  bytes.resize(size);
  return bytes;
}

// An MZ header whose e_lfanew points into it, as a stand-in for the stub.
inline Bytes Stub() {
  Bytes stub(1024, 0xCC);
  stub[0] = 'M';
  stub[1] = 'Z';
  stub[60] = 0x80;
  stub[61] = stub[62] = stub[63] = 0;
  return stub;
}

// A package holding `entries`, each entry signed.
inline PackageSpec SpecWith(std::vector<PackageEntry> entries) {
  PackageSpec spec;
  spec.stub = Stub();
  spec.name = "extract-test";
  spec.command_line = "/vps_upd:\"%TMPPATH%\"";
  spec.entries = std::move(entries);
  spec.entry_keys = &krv::signature::testing::DevKeys();
  return spec;
}

// A built, signed and loaded package, and an empty folder to extract into.
class ExtractFixture : public ::testing::Test {
 protected:
  // Builds the package of `spec` (after `damage`, if given, changed its
  // bytes before signing), loads it into `archive_` and creates out().
  void Load(const PackageSpec& spec, void (*damage)(Bytes&, const PackageLayout&) = nullptr) {
    image_.clear();
    ASSERT_EQ(BuildPackage(spec, &image_, &layout_, nullptr), PackageStatus::kOk);
    if (damage) damage(image_, layout_);
    ASSERT_EQ(AppendFileSignature(&image_, krv::signature::SignatureForm::kRawV2, krv::signature::testing::DevKeys(),
                                  0, nullptr),
              PackageStatus::kOk);
    const std::wstring path = folder_.Write(L"package.exe", image_);
    ASSERT_EQ(archive_.Load(path), 0u);
    std::filesystem::create_directories(out());
  }

  std::filesystem::path out() const { return folder_.path() / "out"; }
  std::wstring OutFolder() const { return out().wstring(); }
  std::filesystem::path Output(const std::string& name) const { return out() / name; }

  // The stored bytes of entry `i`, as the package holds them.
  Bytes Stored(size_t i) const {
    const MapFile& file = layout_.files.at(i);
    return Bytes(image_.begin() + file.offset, image_.begin() + file.offset + file.stored_size);
  }

  // The names of the files in out(), sorted.
  std::vector<std::string> OutputNames() const {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(out())) names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempFolder folder_;
  Bytes image_;
  PackageLayout layout_;
  SfxArc archive_;
};

// The file's last-write time in seconds since 1970; -1 when it cannot be read.
inline int64_t LastWriteSeconds(const std::filesystem::path& file) {
#if defined(_WIN32)
  struct _stat64 info;
  if (_wstat64(file.wstring().c_str(), &info) != 0) return -1;
#else
  struct stat info;
  if (stat(file.string().c_str(), &info) != 0) return -1;
#endif
  return static_cast<int64_t>(info.st_mtime);
}

// Records the overall percentages it is told; optionally asks to cancel.
class PercentListener final : public progress::ProgressInterface {
 public:
  void OnText(progress::ProgressCallback*, const wchar_t*) override {}
  void OnSubtext(progress::ProgressCallback*, const wchar_t*) override {}
  void OnProgress(progress::ProgressCallback* callback, uint32_t, uint32_t overall) override {
    percents.push_back(overall);
    if (cancel) callback->RequestCancel();
    if (pause.count() != 0) std::this_thread::sleep_for(pause);
  }
  void OnValue(progress::ProgressCallback*, uint32_t) override {}
  void OnValuePair(progress::ProgressCallback*, uint32_t, uint32_t) override {}
  void OnSecondValue(progress::ProgressCallback*, uint32_t) override {}
  void OnSignal(uint32_t) override {}

  std::vector<uint32_t> percents;  // in the order told (the callback serialises calls)
  bool cancel = false;
  std::chrono::microseconds pause{0};  // how long each report takes, as a slow listener's would
};

}  // namespace krv::sfxarc::testing
