#pragma once
// The last step of sfxtool build: loading the finished package as the stub
// loads its own file, so that no package leaves the tool that the stub
// refuses.

#include <cstdint>
#include <string>
#include <vector>

namespace krv::tools {

enum class PackageCheck {
  kLoads,      // the built-in keys verify it and the archive loads
  kOtherKeys,  // the built-in keys do not verify it: it was signed with another key set
  kRefused,    // the built-in keys verify it, but the archive does not load
};

// Loads the package `image`, written at `path`, with SfxArc::Load. With
// table_size not 0 the package was signed for an Authenticode table of that
// size and verifies only with one; the check then loads a scratch copy
// (`path` + ".check~", removed again) that carries a table of that size where
// the Authenticode tool puts it. `*load_code` gets Load's code (0 unless
// kRefused).
PackageCheck CheckPackageLoads(const std::string& path, const std::vector<uint8_t>& image, uint32_t table_size,
                               uint32_t* load_code);

}  // namespace krv::tools
