#include "tools/entry_check.h"

#include <set>

#include "runtime/nocase.h"
#include "sfxarc/entry_name_check.h"
#include "sfxarc/keep_packed.h"

namespace krv::tools {
namespace {

// A file-name part on NTFS.
constexpr size_t kMaxNameLength = 255;

// Printable ASCII names only, so the widening is one to one.
std::wstring Widen(const std::string& name) { return std::wstring(name.begin(), name.end()); }

}  // namespace

std::string EntryNameProblem(const std::string& name) {
  const std::string quoted = "name '" + name + "'";
  if (name.empty()) return "empty name";
  for (char c : name) {
    if (c < 0x20 || c > 0x7E) return quoted + " is not printable ASCII";
  }
  if (!krv::sfxarc::IsSafeEntryName(Widen(name))) {
    return quoted + " is refused by the stub: it is rooted, contains ':', has a part that leads up, or names a device";
  }
  if (name.find_first_of("/\\") != std::string::npos) {
    return quoted + " has a folder part: the stub creates no folders in its workspace and cannot write it";
  }
  const size_t bad = name.find_first_of("<>\"|?*");
  if (bad != std::string::npos) {
    return quoted + " contains '" + name[bad] + "', which Windows does not allow in file names";
  }
  if (name.back() == '.' || name.back() == ' ') {
    return quoted + " ends in '" + name.back() + "', which Windows drops: the file would get another name";
  }
  if (name.size() > kMaxNameLength) return quoted + " is longer than 255 characters";
  return std::string();
}

std::string EntryContentProblem(const std::string& name, const std::string& extra_name, size_t content_size) {
  if (content_size != 0) return std::string();
  if (!extra_name.empty()) {
    return "it is empty, and the stub fails an entry whose content it unpacks to nothing (it unpacks every entry "
           "with an extra name)";
  }
  if (!krv::sfxarc::IsKeptPacked(Widen(name))) {
    return "it is empty, and the stub fails an entry whose content it unpacks to nothing";
  }
  return std::string();
}

std::string CollidingName(const std::vector<std::string>& names) {
  std::set<std::wstring, krv::nocase::less> seen{krv::nocase::less(std::locale::classic())};
  for (const std::string& name : names) {
    if (!seen.insert(Widen(name)).second) return name;
  }
  return std::string();
}

}  // namespace krv::tools
