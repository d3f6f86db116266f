// sfxtool's entry point on POSIX: the arguments are UTF-8 already.

#include <malloc.h>

#include <cstdio>
#include <iostream>

#include "log/ilogger.h"
#include "log/log_module.h"
#include "tools/sfxtool.h"

int main(int argc, char** argv) {
  // Packing and extraction hold buffers of many MiB for a while on several
  // threads. With its default, glibc raises the size from which it maps
  // blocks of their own each time such a block is freed, and then keeps
  // later ones in the threads' heaps after they are freed: the peak grew to
  // twice the bytes in flight. A fixed threshold gives each back at once.
  mallopt(M_MMAP_THRESHOLD, 128 << 10);
  // The archive reader reports its failures through the logger.
  if (auto logger = krv::log::get_default_logger()) logger->set_stream(stderr, krv::log::kWarning);
  krv::tools::ToolIo io{std::cout, std::cerr};
  return krv::tools::RunSfxTool(std::vector<std::string>(argv + 1, argv + argc), io);
}
