// The animated image: decoding the stored animation and the test images,
// stepping through frames, and composing frames with and without a caption.
#include <gtest/gtest.h>

#include <cstdlib>

#include "progress/animation_resource.h"
#include "progress/image_from_stream.h"
#include "tests/progress/animation_test_support.h"

namespace krv::progress {
namespace {

using testing::GdiplusSession;
using testing::HiddenWindow;
using testing::NearWhiteIn;
using testing::Picture;
using testing::PictureOf;
using testing::TestModule;

constexpr int kWidth = 400;
constexpr int kHeight = 267;
constexpr uint32_t kFrames = 74;
constexpr int kBandTop = 165;
constexpr int kBandBottom = 195;

class StoredAnimation : public ::testing::Test {
 protected:
  GdiplusSession gdiplus_;
  // The test program carries the executable's resources.
  std::unique_ptr<ImageFromStream> image_ = LoadAnimation(nullptr);
};

TEST_F(StoredAnimation, Has74FramesOf40MsThatLoop) {
  ASSERT_TRUE(image_);
  EXPECT_TRUE(image_->Loaded());
  EXPECT_EQ(image_->Width(), static_cast<uint32_t>(kWidth));
  EXPECT_EQ(image_->Height(), static_cast<uint32_t>(kHeight));
  ASSERT_EQ(image_->FrameCount(), kFrames);
  EXPECT_TRUE(image_->Animates());
  for (uint32_t i = 0; i < kFrames; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(image_->FrameIndex(), i);
    EXPECT_EQ(image_->FrameDelay(), 40u);
    image_->NextFrame();
  }
  EXPECT_EQ(image_->FrameIndex(), 0u);
  EXPECT_EQ(image_->LastStatus(), 0);
}

TEST_F(StoredAnimation, PreparedFramesCarryTheCaptionCentredInItsBand) {
  ASSERT_TRUE(image_);
  HiddenWindow window(kWidth, kHeight);
  ASSERT_TRUE(window.get());
  image_->PrepareFrames(window.get(), kWidth, kHeight, L"Orvane Total Security");
  ASSERT_EQ(image_->PreparedFrameCount(), kFrames);
  EXPECT_EQ(image_->FrameIndex(), 0u);
  EXPECT_EQ(image_->LastStatus(), 0);

  const Picture first = PictureOf(image_->PreparedFrame(0), kWidth, kHeight);
  for (uint32_t i = 0; i < kFrames; ++i) {
    SCOPED_TRACE(i);
    ASSERT_NE(image_->PreparedFrame(i), nullptr);
    const Picture frame = i == 0 ? first : PictureOf(image_->PreparedFrame(i), kWidth, kHeight);
    const testing::BrightArea caption = NearWhiteIn(frame, kBandTop, kBandBottom);
    EXPECT_GT(caption.count, 100);
    EXPECT_LE(std::abs((caption.left + caption.right) / 2 - kWidth / 2), 3);
    EXPECT_LE(std::abs((caption.top + caption.bottom) / 2 - (kBandTop + kBandBottom) / 2), 3);
    // Nothing near-white just outside the band: the text stays inside it.
    EXPECT_EQ(NearWhiteIn(frame, kBandTop - 15, kBandTop).count, 0);
    EXPECT_EQ(NearWhiteIn(frame, kBandBottom, kBandBottom + 15).count, 0);
    if (i > 0) {
      EXPECT_GT(testing::DifferingPixels(first, frame), 0u);
    }
  }
  EXPECT_EQ(image_->PreparedFrame(kFrames), nullptr);
}

TEST_F(StoredAnimation, WithoutACaptionOnlyTheImageIsDrawn) {
  ASSERT_TRUE(image_);
  HiddenWindow window(kWidth, kHeight);
  image_->PrepareFrames(window.get(), kWidth, kHeight, L"");
  ASSERT_EQ(image_->PreparedFrameCount(), kFrames);
  const Picture frame = PictureOf(image_->PreparedFrame(0), kWidth, kHeight);
  EXPECT_EQ(NearWhiteIn(frame, kBandTop, kBandBottom).count, 0);
}

struct ModuleCase {
  const char* name;
  const wchar_t* module;
  bool loads;
  uint32_t frames;
};

// The test images are 200 x 100: "still" has one frame, "no_delays" three
// frames without delays; "not_an_image" holds text, kernel32 no animation.
constexpr ModuleCase kModuleCases[] = {
    {"Still", L"still", true, 1},
    {"NoDelays", L"no_delays", true, 3},
    {"NotAnImage", L"not_an_image", false, 0},
    {"NoResource", L"kernel32.dll", false, 0},
};

class AnimationFromModule : public ::testing::TestWithParam<ModuleCase> {
 protected:
  GdiplusSession gdiplus_;
};

TEST_P(AnimationFromModule, LoadsOnlyImagesAndShowsStillOnesWithoutDelays) {
  const ModuleCase& c = GetParam();
  TestModule module(c.module);
  ASSERT_TRUE(module.get());
  std::unique_ptr<ImageFromStream> image = LoadAnimation(module.get());
  ASSERT_EQ(image != nullptr, c.loads);
  if (!image) return;
  EXPECT_EQ(image->FrameCount(), c.frames);
  EXPECT_EQ(image->Width(), 200u);
  EXPECT_EQ(image->Height(), 100u);
  EXPECT_FALSE(image->Animates());
  EXPECT_EQ(image->FrameDelay(), 0u);

  HiddenWindow window(200, 100);
  image->PrepareFrames(window.get(), 200, 100, L"");
  EXPECT_EQ(image->PreparedFrameCount(), c.frames);
  for (uint32_t i = 0; i < c.frames; ++i) image->NextFrame();
  EXPECT_EQ(image->FrameIndex(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Modules, AnimationFromModule, ::testing::ValuesIn(kModuleCases),
                         [](const ::testing::TestParamInfo<ModuleCase>& info) { return info.param.name; });

}  // namespace
}  // namespace krv::progress
