#include "sfxarc/signature/host_path.h"

namespace krv::signature {

std::filesystem::path HostPath(const std::wstring& path) { return std::filesystem::path(path); }

}  // namespace krv::signature
