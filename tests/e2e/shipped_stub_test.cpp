// The shipped 32-bit stub itself, run by Wine's 32-bit loader. On hosts that
// run no 32-bit code natively that loader runs under qemu-i386, where one
// process start takes about a minute, so this is a smoke run that works on
// every host; the whole update through the shipped stub is in
// update_test.cpp.
#include <gtest/gtest.h>

#include "tests/e2e/support/wine_bed.h"

namespace krv::e2e {
namespace {

TEST(ShippedStub, SilentWithoutProductEndsWithProductMissing) {
  WineBed bed;
  ProgramResult run = bed.Run(bed.ShippedStub(), {"/silent"}, std::chrono::seconds(600));
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, 0xA003u);
}

}  // namespace
}  // namespace krv::e2e
