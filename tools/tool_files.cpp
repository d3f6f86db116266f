#include "tools/tool_files.h"

#include <filesystem>
#include <system_error>

#include "log/utf8_text.h"
#include "sfxarc/signature/host_path.h"
#include "sfxarc/u_file.h"

namespace krv::tools {

std::wstring WidePath(const std::string& path) { return krv::log::wide_from_utf8(path); }

bool ReadInputFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
  sfxarc::CUFile file;
  if (file.OpenRead(WidePath(path))) {
    bytes->assign(file.GetSize(), 0);
    if (bytes->empty() || file.Read(bytes->data(), static_cast<uint32_t>(bytes->size()), nullptr)) return true;
  }
  *error = "cannot read " + path + ": system error " + std::to_string(file.last_error());
  return false;
}

void RemoveOutputFile(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(krv::signature::HostPath(WidePath(path)), ignored);
}

bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
  sfxarc::CUFile file;
  if (file.OpenWrite(WidePath(path))) {
    if (bytes.empty() || file.Write(bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr)) return true;
    *error = "cannot write " + path + ": system error " + std::to_string(file.last_error());
    file.Close();
    RemoveOutputFile(path);
    return false;
  }
  *error = "cannot create " + path + ": system error " + std::to_string(file.last_error());
  return false;
}

}  // namespace krv::tools
