#include "tests/e2e/support/sfxtool_run.h"

#include <cstdlib>

namespace krv::e2e {

std::string Sfxtool() { return std::string(KRV_NATIVE_BIN_DIR) + "/tools/sfxtool"; }

std::string Quote(const std::string& text) { return "'" + text + "'"; }

int RunSfxtool(const std::vector<std::string>& args, const std::string& log) {
  std::string command = Sfxtool();
  for (const std::string& word : args) command += " " + Quote(word);
  command += " >" + (log.empty() ? std::string("/dev/null") : Quote(log)) + " 2>&1";
  return std::system(command.c_str());
}

}  // namespace krv::e2e
