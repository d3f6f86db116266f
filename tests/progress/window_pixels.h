#pragma once
// Pictures of the progress window (screenshots, prepared frames) as plain
// RGB pixels, and the measures its tests take of them. Platform-neutral.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace krv::progress::testing {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // 3 bytes a pixel, rows from the top

  const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// Near-white pixels in rows [top, bottom): how many, and their bounding box
// (left/right/top/bottom inclusive, meaningless when count is 0).
struct BrightArea {
  int count = 0;
  int left = 0, right = 0, top = 0, bottom = 0;
};
// Near white: every channel at least 225 (the caption is 0xF5F5F5).
BrightArea NearWhiteIn(const Picture& picture, int top, int bottom);

// Pixels that differ between two pictures of the same size.
size_t DifferingPixels(const Picture& a, const Picture& b);

// A binary PPM ("P6", maxval 255) as a picture; an empty picture when the
// bytes are not one.
Picture ParsePpm(const std::string& bytes);

}  // namespace krv::progress::testing
