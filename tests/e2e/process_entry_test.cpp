// The process entry on a processor without SSE2, through the stub's test
// build whose processor-feature query answers "absent".
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e/support/wine_bed.h"

namespace krv::e2e {
namespace {

TEST(ProcessEntry, RefusesAProcessorWithoutSse2BeforeAnythingElseRuns) {
  WineBed bed;
  const std::string log = bed.HostPath("C:\\ProgramData\\ORVANE Software\\Persistent Data\\Orvane\\Logs\\Update.log");
  const auto size_before = std::filesystem::exists(log) ? std::filesystem::file_size(log) : 0;

  WineBed::Running stub = bed.Start(bed.WindowsProgram("stub/sfxstub_nosse2.exe"), {"/silent"});
  // The refusal is shown even with /silent: nothing has parsed the command line.
  std::optional<MessageBoxSeen> box = bed.DismissMessageBox(std::chrono::milliseconds(30000));
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->title, "KESTIL Antivirus Installer");
  EXPECT_EQ(box->text,
            "We are sorry but KESTIL Antivirus cannot run on your computer because your processor does not support "
            "SSE2 instruction set.");
  ProgramResult run = stub.Wait(std::chrono::seconds(60));
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, 0xC000001Du);
  // No main flow ran: not one log line was written.
  const auto size_after = std::filesystem::exists(log) ? std::filesystem::file_size(log) : 0;
  EXPECT_EQ(size_after, size_before);
}

}  // namespace
}  // namespace krv::e2e
