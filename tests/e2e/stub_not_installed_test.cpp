// A package on a machine without the product: it refuses with 0xA003.
#include <gtest/gtest.h>

#include "tests/e2e/support/wine_bed.h"

namespace krv::e2e {
namespace {

constexpr uint32_t kProductMissing = 0xA003;

std::string Stub() { return WineBed().WindowsProgram("stub/sfxstub.exe"); }

TEST(StubWithoutProduct, SilentEndsWithProductMissingAndShowsNoBox) {
  WineBed bed;
  ProgramResult run = bed.Run(Stub(), {"/silent"}, std::chrono::seconds(60));
  // A modal box would keep the process alive until the time-out.
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, kProductMissing);
}

TEST(StubWithoutProduct, SilentOptionMatchesAnyCaseAndValue) {
  WineBed bed;
  for (const char* option : {"/SILENT", "/Silent:no"}) {
    SCOPED_TRACE(option);
    ProgramResult run = bed.Run(Stub(), {option}, std::chrono::seconds(60));
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exit_code, kProductMissing);
  }
}

TEST(StubWithoutProduct, ShowsNotDetectedBoxThenEndsWithProductMissing) {
  WineBed bed;
  WineBed::Running stub = bed.Start(Stub(), {});
  std::optional<MessageBoxSeen> box = bed.DismissMessageBox(std::chrono::milliseconds(30000));
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->title, "Orvane Antivirus not detected");
  EXPECT_EQ(box->text,
            "Orvane Antivirus was not detected to be installed on this machine. This installer cannot continue.");
  EXPECT_EQ(box->owner_class, "");
  ProgramResult run = stub.Wait(std::chrono::seconds(60));
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, kProductMissing);
}

}  // namespace
}  // namespace krv::e2e
