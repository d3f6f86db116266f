// A package of 40 entries of 48 MiB of incompressible data (1.9 GiB) run
// through the shipped 32-bit stub: all entries at once would hold about
// 2.9 GiB of stored and unpacked bytes, more than a 32-bit process can
// address, so the run shows whether extraction keeps its memory bounded.
// Label "large": it writes about 6 GB and runs for minutes, so it is not part
// of the default runs (ctest --test-dir build/native -L large runs it).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "tests/e2e/support/installed_product.h"
#include "tests/e2e/support/wine_bed.h"

namespace krv::e2e {
namespace {
namespace fs = std::filesystem;

constexpr size_t kEntrySize = 48u << 20;
constexpr int kEntries = 40;

std::string Sfxtool() { return std::string(KRV_NATIVE_BIN_DIR) + "/tools/sfxtool"; }

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// The largest anonymous resident memory ("RssAnon", kB: the heap, not the
// mapped package file) among the processes whose first command-line word
// ends in `program`, polled every 50 ms until destruction. Polling may miss
// a short peak, never report one that was not there.
class PeakMemoryWatch {
 public:
  explicit PeakMemoryWatch(std::string program)
      : program_(std::move(program)), thread_([this] {
          while (!done_) {
            Poll();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
          }
        }) {}
  ~PeakMemoryWatch() {
    done_ = true;
    thread_.join();
  }
  uint64_t peak_kib() const { return peak_kib_; }

 private:
  void Poll() {
    for (const auto& item : fs::directory_iterator("/proc")) {
      const std::string pid = item.path().filename().string();
      if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
      std::string first;
      std::getline(std::ifstream(item.path() / "cmdline"), first, '\0');
      if (first.size() < program_.size() || first.compare(first.size() - program_.size(), program_.size(), program_))
        continue;
      std::ifstream status(item.path() / "status");
      for (std::string line; std::getline(status, line);) {
        if (line.rfind("RssAnon:", 0) == 0) peak_kib_ = std::max<uint64_t>(peak_kib_, std::stoull(line.substr(8)));
      }
    }
  }

  const std::string program_;
  std::atomic<bool> done_{false};
  std::atomic<uint64_t> peak_kib_{0};
  std::thread thread_;
};

TEST(ExtractionMemory, TheShippedStubExtractsFortyEntriesWithinItsBudget) {
  if (WineBed::Emulates32Bit()) GTEST_SKIP() << "32-bit code runs under qemu-i386 here; the stub dies in extraction";
  WineBed bed;
  const fs::path work = fs::temp_directory_path() / ("krv-large-" + std::to_string(::getpid()));
  fs::remove_all(work);
  fs::create_directories(work / "payload");
  {
    // One file of random bytes under every entry's name (links, to spare
    // the disk): half kept packed by the stub, half unpacked.
    std::vector<uint64_t> random(kEntrySize / 8);
    std::mt19937_64 generator(48);
    for (uint64_t& word : random) word = generator();
    std::ofstream(work / "random.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(random.data()), static_cast<std::streamsize>(kEntrySize));
  }
  std::string command = Sfxtool() + " build --packer zlib --stub " + Quote(bed.ShippedStub()) + " --out " +
                        Quote((work / "large-update.exe").string()) + " --template '/vps_upd:\"%TMPPATH%\"'";
  for (int i = 0; i < kEntries; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, i % 2 ? "vps-%02d.vpx" : "part-%02d.vpx", i);
    fs::create_symlink(work / "random.bin", work / "payload" / name);
    command += " " + Quote((work / "payload" / name).string());
  }
  ASSERT_EQ(std::system((command + " >/dev/null").c_str()), 0) << command;

  ProductSetup setup;
  setup.behaviour = "exit_code=0\nsignal=no\n";
  InstalledProduct product(bed, setup);
  ProgramResult run;
  uint64_t peak_kib = 0;
  {
    PeakMemoryWatch watch("large-update.exe");
    run = bed.Start((work / "large-update.exe").string(), {"/silent"}).Wait(std::chrono::seconds(1200));
    peak_kib = watch.peak_kib();
  }
  std::printf("peak anonymous resident memory of the stub: %llu MiB\n", static_cast<unsigned long long>(peak_kib >> 10));
  RecordProperty("stub_peak_mib", std::to_string(peak_kib >> 10));
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, 0u);

  // Every entry reached the updater whole.
  const std::string record = ReadHostFile(product.UpdaterRecord());
  int files = 0;
  std::istringstream lines(record);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("file: ", 0) != 0) continue;
    ++files;
    const bool stored = line.find("file: part-") == 0;
    SCOPED_TRACE(line);
    if (!stored) {
      EXPECT_NE(line.find("\t" + std::to_string(kEntrySize) + "\t"), std::string::npos);
    }
  }
  EXPECT_EQ(files, kEntries);
  // The extraction's budget of 256 MiB and the program itself.
  EXPECT_LT(peak_kib, 400u * 1024u);
  fs::remove_all(work);
}

}  // namespace
}  // namespace krv::e2e
