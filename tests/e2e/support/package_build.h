#pragma once
// Signed packages for the end-to-end tests, made by the native sfxtool with
// the development keys.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace krv::e2e {

// Builds `package` (a host path, replaced when present) from the stub
// executable `stub`, the updater's command-line template `template_text` and
// the host files `files`, each stored under its file name; with
// `entry_time` every entry carries that time (seconds since 1970, UTC). True
// when sfxtool succeeded; its output is discarded.
bool BuildPackage(const std::string& stub, const std::string& package, const std::string& template_text,
                  const std::vector<std::string>& files, std::optional<uint32_t> entry_time = std::nullopt);

}  // namespace krv::e2e
