// Fuzz target: the settings-file parser over the bytes of a file, and the
// value readers over what it parsed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "product/settings_file.h"

namespace {

// Reads every key of `section` as a string and as both integers, and walks
// the nested sections.
void ReadAll(const krv::product::SettingsSection& section) {
  for (const auto& key : section.Keys()) {
    section.GetString(key.first, std::wstring());
    section.GetInt(key.first, -1);
    section.GetInt64(key.first);
  }
  for (const auto& nested : section.Sections()) ReadAll(nested.second);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  krv::product::SettingsFile file;
  file.Parse(bytes.empty() ? nullptr : bytes.data(), bytes.size());
  for (const auto& section : file.Sections()) ReadAll(section.second);
  return 0;
}
