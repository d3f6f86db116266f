#pragma once
// Runs sfxtool in-process for tests and keeps what it printed.

#include <sstream>
#include <string>
#include <vector>

#include "tools/sfxtool.h"

namespace krv::tools::testing {

struct Outcome {
  int code;
  std::string out;
  std::string err;
};

inline Outcome Tool(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  ToolIo io{out, err};
  const int code = RunSfxTool(args, io);
  return {code, out.str(), err.str()};
}

}  // namespace krv::tools::testing
