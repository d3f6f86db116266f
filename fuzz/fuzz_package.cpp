// Fuzz target: a whole package file through SfxArc::Load and, when it
// loads, ExtractAllFiles into a fresh folder that is removed afterwards.
//
// This program links archive_check_fuzz.cpp in place of the archive's
// signature check, so that any bytes get past it: what lies behind a real
// check is what a trusted signer could send.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "sfxarc/sfx_arc.h"

namespace {

// A fresh folder below the temporary folder for one input, removed with
// everything in it when the input is done.
class InputFolder {
 public:
  InputFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "krv_fuzz_package_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  InputFolder(const InputFolder&) = delete;
  InputFolder& operator=(const InputFolder&) = delete;
  ~InputFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Two workers: enough to run jobs side by side, few enough for a shared machine.
constexpr uint32_t kFuzzWorkers = 2;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const InputFolder folder;
  const std::filesystem::path package = folder.path() / "package.exe";
  const std::filesystem::path output = folder.path() / "out";
  {
    std::ofstream out(package, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) std::abort();
  }
  // The archive closes its file before the folder goes.
  krv::sfxarc::SfxArc archive;
  if (archive.Load(package.wstring()) == 0) {
    std::filesystem::create_directory(output);
    archive.ExtractAllFiles(output.wstring(), nullptr, kFuzzWorkers);
  }
  return 0;
}
