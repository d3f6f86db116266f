// A child process of the multi-process log tests: waits for the start event,
// opens the log file through the default logger and writes numbered lines
// from several threads.
//
// log_writer_child <log path> <threads> <lines per thread> <max size> <event name>
// Each line's message is "p<process id> t<thread> n<line>" and padding.
// Exit code 0 when every line was handed to the logger, 2 on bad arguments,
// 3 when the start event cannot be opened.

#include <windows.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "log/ilogger.h"
#include "log/log_module.h"
#include "log/write_log.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 6) return 2;
  const std::wstring path = argv[1];
  const int threads = _wtoi(argv[2]);
  const int lines = _wtoi(argv[3]);
  const long long max_size = _wtoi64(argv[4]);
  HANDLE start = OpenEventW(SYNCHRONIZE, FALSE, argv[5]);
  if (start == nullptr) return 3;
  WaitForSingleObject(start, INFINITE);
  CloseHandle(start);

  const krv::log::LogCategory category = krv::log::make_category(L"child");
  std::shared_ptr<krv::log::ILogger> logger = krv::log::get_default_logger();
  if (!logger) return 4;
  logger->open_file(path.c_str(), max_size, krv::log::kDebug);
  logger.reset();

  const DWORD pid = GetCurrentProcessId();
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([=] {
      for (int n = 0; n < lines; ++n)
        krv::log::write_log(krv::log::kInfo, category, L"p%lu t%d n%05d %ls", pid, t, n,
                            L"padding to about one hundred bytes");
    });
  }
  for (auto& worker : workers) worker.join();
  return 0;
}
