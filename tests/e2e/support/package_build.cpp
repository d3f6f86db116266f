#include "tests/e2e/support/package_build.h"

#include <cstdlib>

namespace krv::e2e {
namespace {

std::string Quote(const std::string& s) { return "'" + s + "'"; }

}  // namespace

bool BuildPackage(const std::string& stub, const std::string& package, const std::string& template_text,
                  const std::vector<std::string>& files, std::optional<uint32_t> entry_time) {
  std::string command = std::string(KRV_NATIVE_BIN_DIR) + "/tools/sfxtool build --stub " + Quote(stub) + " --out " +
                        Quote(package) + " --template " + Quote(template_text);
  if (entry_time) command += " --time " + std::to_string(*entry_time);
  for (const std::string& file : files) command += " " + Quote(file);
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace krv::e2e
