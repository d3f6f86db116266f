// The progress window as the test display shows it under Wine: screenshots
// of the screen (ImageMagick's import) taken a few frames apart. One is kept
// beside this test as progress-window.png.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/e2e/support/wine_bed.h"
#include "tests/progress/window_pixels.h"

namespace krv::progress {
namespace {

using e2e::ProgramResult;
using e2e::WineBed;
using testing::NearWhiteIn;
using testing::Picture;

constexpr char kTitle[] = "Orvane Total Security";
// The stored animation on the 1920 x 1080 test display.
constexpr char kGeometry[] = "400x267+760+406";
constexpr int kWidth = 400;
constexpr int kHeight = 267;
constexpr int kBandTop = 165;
constexpr int kBandBottom = 195;

std::string Display() {
  const char* display = std::getenv("DISPLAY");
  return display && *display ? display : ":99";
}

// The window's part of the screen, written to `path` in the format its
// extension names; true on success.
bool Screenshot(const std::string& path) {
  const std::string command = "import -display " + Display() + " -window root -crop " + kGeometry + " +repage -depth 8 " +
                              path + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

Picture ScreenshotPicture(const std::string& path) {
  if (!Screenshot(path)) return {};
  return testing::ParsePpm(e2e::ReadHostFile(path));
}

// The window tool's line for the progress window, empty until it shows.
std::string ProgressWindowLine(const WineBed& bed) {
  const ProgramResult listing = bed.Run(bed.WindowsProgram("tests/winebed/wintool.exe"), {"windows"});
  const size_t at = listing.output.find("window: orvaneSfxProgressClass|");
  if (at == std::string::npos) return {};
  return listing.output.substr(at, listing.output.find_first_of("\r\n", at) - at);
}

TEST(ProgressWindowOnScreen, AnimatesWithTheTitleCentredInTheCaptionBand) {
  WineBed bed;
  WineBed::Running shown = bed.Start(bed.WindowsProgram("tests/progress/window_show.exe"), {kTitle, "4000"});

  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (line.empty() && std::chrono::steady_clock::now() < deadline) {
    line = ProgressWindowLine(bed);
    if (line.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_FALSE(line.empty()) << "the progress window did not show";
  EXPECT_EQ(line, std::string("window: orvaneSfxProgressClass|") + kTitle + "|760,406,400,267");

  // Let the first frames reach the screen, then take two shots about six
  // frames (40 ms each) apart.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::string dir = KRV_SCREENSHOT_DIR;
  const Picture first = ScreenshotPicture(dir + "/progress-window-a.ppm");
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  const Picture second = ScreenshotPicture(dir + "/progress-window-b.ppm");
  EXPECT_TRUE(Screenshot(dir + "/progress-window.png"));

  ASSERT_EQ(first.width, kWidth);
  ASSERT_EQ(first.height, kHeight);
  ASSERT_EQ(second.width, kWidth);
  EXPECT_GT(testing::DifferingPixels(first, second), 50u);

  for (const Picture* shot : {&first, &second}) {
    const testing::BrightArea caption = NearWhiteIn(*shot, kBandTop, kBandBottom);
    EXPECT_GT(caption.count, 100);
    EXPECT_LE(std::abs((caption.left + caption.right) / 2 - kWidth / 2), 3);
    EXPECT_EQ(NearWhiteIn(*shot, kBandTop - 15, kBandTop).count, 0);
    EXPECT_EQ(NearWhiteIn(*shot, kBandBottom, kBandBottom + 15).count, 0);
  }

  const ProgramResult run = shown.Wait(std::chrono::seconds(60));
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, 0u) << run.output;
}

}  // namespace
}  // namespace krv::progress
