// sfxtool's entry point on Windows: the UTF-16 arguments become UTF-8.

#include <cstdio>
#include <iostream>

#include "log/ilogger.h"
#include "log/log_module.h"
#include "log/utf8_text.h"
#include "tools/sfxtool.h"

int wmain(int argc, wchar_t** argv) {
  // The archive reader reports its failures through the logger.
  if (auto logger = krv::log::get_default_logger()) logger->set_stream(stderr, krv::log::kWarning);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(krv::log::utf8_from_wide(argv[i]));
  krv::tools::ToolIo io{std::cout, std::cerr};
  return krv::tools::RunSfxTool(args, io);
}
