#pragma once
// A fresh folder below the system's temporary folder, removed with all its
// content when the test ends.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace krv::sfxarc::testing {

class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("krv_sfxarc_" + std::to_string(random()) + "_" + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

  const std::filesystem::path& path() const { return path_; }

  // The wide path of `name` in the folder.
  std::wstring File(const std::wstring& name) const { return (path_ / name).wstring(); }

  // Writes `bytes` to `name` in the folder and returns its wide path.
  std::wstring Write(const std::wstring& name, const std::vector<uint8_t>& bytes) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << file;
    return file.wstring();
  }

 private:
  std::filesystem::path path_;
};

// The whole content of a file; empty when it cannot be read.
inline std::vector<uint8_t> ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace krv::sfxarc::testing
