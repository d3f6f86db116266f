// sfxtool's entry point on POSIX: the arguments are UTF-8 already.

#include <cstdio>
#include <iostream>

#include "log/ilogger.h"
#include "log/log_module.h"
#include "tools/sfxtool.h"

int main(int argc, char** argv) {
  // The archive reader reports its failures through the logger.
  if (auto logger = krv::log::get_default_logger()) logger->set_stream(stderr, krv::log::kWarning);
  krv::tools::ToolIo io{std::cout, std::cerr};
  return krv::tools::RunSfxTool(std::vector<std::string>(argv + 1, argv + argc), io);
}
