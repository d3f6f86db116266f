// Prints the logger's costs: a record below every threshold, and lines per
// second into the log file from 8 threads, with and without the background
// writer (with it, records beyond what the queue holds are dropped, so the
// lines that reached the file are counted too). A figure printer, not a test.
//
// log_bench [folder for the log file, default: the temporary folder]

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "log/logger.h"
#include "log/write_log.h"
#include "log_test_support.h"

namespace {

using Clock = std::chrono::steady_clock;
const krv::log::LogCategory kBench = krv::log::make_category(L"bench");

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void below_thresholds() {
  constexpr int kRecords = 20000000;
  auto start = Clock::now();
  for (int i = 0; i < kRecords; ++i) krv::log::write_log(krv::log::kDebug, kBench, L"never formatted %d %ls", i, L"x");
  std::printf("write_log below every threshold: %.2f ns per record\n", seconds_since(start) * 1e9 / kRecords);
  auto logger = krv::log::Logger::create();
  start = Clock::now();
  for (int i = 0; i < kRecords; ++i) krv::log::log_message(*logger, krv::log::kDebug, kBench, "never formatted %d", i);
  std::printf("Logger::log below every threshold: %.2f ns per record\n", seconds_since(start) * 1e9 / kRecords);
}

void to_file(const std::wstring& path, bool writer) {
  constexpr int kThreads = 8;
  constexpr int kLines = 20000;
  std::filesystem::remove(std::filesystem::path(path));
  auto logger = krv::log::Logger::create();
  logger->open_file(path.c_str(), 1LL << 40, krv::log::kDebug);
  if (writer) logger->start_writer();
  auto start = Clock::now();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i)
        krv::log::log_message(*logger, krv::log::kInfo, kBench, "thread %d line %d of the benchmark", t, i);
    });
  for (auto& thread : threads) thread.join();
  logger.reset();  // the writer drains what waits
  double elapsed = seconds_since(start);
  size_t written = krv::log::test::log_lines(krv::log::test::read_file(path)).size();
  std::printf("8 threads to the file, %s writer: %.0f lines/s logged, %zu of %d lines in the file\n",
              writer ? "with the" : "without a", kThreads * kLines / elapsed, written, kThreads * kLines);
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path folder = argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
  const std::wstring path = (folder / "krv_log_bench.log").wstring();
  below_thresholds();
  to_file(path, false);
  to_file(path, true);
  std::filesystem::remove(std::filesystem::path(path));
  return 0;
}
