#include "tests/progress/window_pixels.h"

#include <algorithm>
#include <cctype>

namespace krv::progress::testing {
namespace {

constexpr uint8_t kNearWhite = 225;

// The next header number of a PPM at `pos`, skipping blanks and comments;
// -1 when there is none.
long PpmNumber(const std::string& bytes, size_t& pos) {
  while (pos < bytes.size()) {
    if (bytes[pos] == '#') {
      while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
    } else if (std::isspace(static_cast<unsigned char>(bytes[pos]))) {
      ++pos;
    } else {
      break;
    }
  }
  long value = -1;
  while (pos < bytes.size() && std::isdigit(static_cast<unsigned char>(bytes[pos])) && value < 100000)
    value = (value < 0 ? 0 : value * 10) + (bytes[pos++] - '0');
  return value;
}

}  // namespace

BrightArea NearWhiteIn(const Picture& picture, int top, int bottom) {
  BrightArea area;
  for (int y = std::max(top, 0); y < std::min(bottom, picture.height); ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* p = picture.At(x, y);
      if (p[0] < kNearWhite || p[1] < kNearWhite || p[2] < kNearWhite) continue;
      if (area.count == 0) {
        area.left = area.right = x;
        area.top = area.bottom = y;
      }
      area.left = std::min(area.left, x);
      area.right = std::max(area.right, x);
      area.bottom = y;
      ++area.count;
    }
  }
  return area;
}

size_t DifferingPixels(const Picture& a, const Picture& b) {
  if (a.width != b.width || a.height != b.height) return static_cast<size_t>(a.width) * a.height;
  size_t differing = 0;
  for (size_t i = 0; i + 2 < a.rgb.size(); i += 3)
    if (a.rgb[i] != b.rgb[i] || a.rgb[i + 1] != b.rgb[i + 1] || a.rgb[i + 2] != b.rgb[i + 2]) ++differing;
  return differing;
}

Picture ParsePpm(const std::string& bytes) {
  if (bytes.compare(0, 2, "P6") != 0) return {};
  size_t pos = 2;
  const long width = PpmNumber(bytes, pos);
  const long height = PpmNumber(bytes, pos);
  const long maxval = PpmNumber(bytes, pos);
  if (width <= 0 || height <= 0 || maxval != 255 || pos >= bytes.size()) return {};
  ++pos;  // the one blank after the header
  const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
  if (bytes.size() - pos < size) return {};
  Picture picture;
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  picture.rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                     bytes.begin() + static_cast<std::ptrdiff_t>(pos + size));
  return picture;
}

}  // namespace krv::progress::testing
