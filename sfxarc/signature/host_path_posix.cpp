#include "log/utf8_text.h"
#include "sfxarc/signature/host_path.h"

namespace krv::signature {

std::filesystem::path HostPath(const std::wstring& path) {
  return std::filesystem::path(krv::log::utf8_from_wide(path.c_str()));
}

}  // namespace krv::signature
