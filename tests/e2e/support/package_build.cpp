#include "tests/e2e/support/package_build.h"

#include <cstdlib>

#include "tests/e2e/support/sfxtool_run.h"

namespace krv::e2e {

bool BuildPackage(const std::string& stub, const std::string& package, const std::string& template_text,
                  const std::vector<std::string>& files, std::optional<uint32_t> entry_time) {
  std::vector<std::string> args = {"build", "--stub", stub, "--out", package, "--template", template_text};
  if (entry_time) {
    args.push_back("--time");
    args.push_back(std::to_string(*entry_time));
  }
  args.insert(args.end(), files.begin(), files.end());
  return RunSfxtool(args) == 0;
}

}  // namespace krv::e2e
