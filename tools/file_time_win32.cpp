#include <sys/stat.h>
#include <sys/types.h>

#include "tools/tool_files.h"

namespace krv::tools {

bool FileModificationTime(const std::string& path, int64_t* seconds) {
  struct _stat64 status;
  if (::_wstat64(WidePath(path).c_str(), &status) != 0) return false;
  *seconds = static_cast<int64_t>(status.st_mtime);
  return true;
}

}  // namespace krv::tools
