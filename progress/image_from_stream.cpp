#include "progress/image_from_stream.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstring>

namespace krv::progress {
namespace {

namespace gdip = Gdiplus::DllExports;
using Gdiplus::GpStatus;

// The time dimension of animated images ({6AEDBD6D-3FB5-418A-83A6-7F45229DC872}).
constexpr GUID kTimeDimension = {0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};
constexpr PROPID kFrameDelayTag = 0x5100;

constexpr float kCaptionTop = 165.0f;
constexpr float kCaptionHeight = 30.0f;
constexpr float kCaptionPixels = 15.0f;
constexpr Gdiplus::ARGB kCaptionColour = 0xFFF5F5F5;  // opaque, near white

// GDI+ objects freed by their own delete function.
template <typename T, GpStatus(WINGDIPAPI* Delete)(T*)>
struct GdipDeleter {
  void operator()(T* object) const { Delete(object); }
};
using Graphics = std::unique_ptr<Gdiplus::GpGraphics, GdipDeleter<Gdiplus::GpGraphics, gdip::GdipDeleteGraphics>>;
using FontFamily =
    std::unique_ptr<Gdiplus::GpFontFamily, GdipDeleter<Gdiplus::GpFontFamily, gdip::GdipDeleteFontFamily>>;
using Font = std::unique_ptr<Gdiplus::GpFont, GdipDeleter<Gdiplus::GpFont, gdip::GdipDeleteFont>>;
using Brush = std::unique_ptr<Gdiplus::GpBrush, GdipDeleter<Gdiplus::GpBrush, gdip::GdipDeleteBrush>>;
using StringFormat =
    std::unique_ptr<Gdiplus::GpStringFormat, GdipDeleter<Gdiplus::GpStringFormat, gdip::GdipDeleteStringFormat>>;

struct WindowDcReleaser {
  HWND window;
  void operator()(HDC dc) const { ReleaseDC(window, dc); }
};

}  // namespace

// A memory device context with a window-sized bitmap selected into it. Both
// are deleted with the frame: DeleteDC alone would leave the bitmap behind.
class ImageFromStream::FrameBitmap {
 public:
  // Null when the context or the bitmap cannot be made.
  static std::unique_ptr<FrameBitmap> Create(HDC like, int width, int height) {
    HDC dc = CreateCompatibleDC(like);
    if (!dc) return nullptr;
    HBITMAP bitmap = CreateCompatibleBitmap(like, width, height);
    if (!bitmap) {
      DeleteDC(dc);
      return nullptr;
    }
    return std::unique_ptr<FrameBitmap>(new FrameBitmap(dc, bitmap));
  }
  ~FrameBitmap() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  FrameBitmap(const FrameBitmap&) = delete;
  FrameBitmap& operator=(const FrameBitmap&) = delete;
  HDC dc() const { return dc_; }

 private:
  FrameBitmap(HDC dc, HBITMAP bitmap) : dc_(dc), bitmap_(bitmap), previous_(SelectObject(dc, bitmap)) {}
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
};

namespace {

// Font, brush and layout of the caption, made once for all frames.
class CaptionStyle {
 public:
  // Bold 15-pixel text from the family "Arial" or, when that family is
  // missing (as under Wine without a replacement), the generic sans-serif
  // one; centred both ways. Failing steps leave Usable() false.
  CaptionStyle() {
    Gdiplus::GpFontFamily* family = nullptr;
    if (gdip::GdipCreateFontFamilyFromName(L"Arial", nullptr, &family) == Gdiplus::Ok) {
      named_family_.reset(family);
    } else {
      // The generic family belongs to GDI+ and is not deleted.
      family = nullptr;
      gdip::GdipGetGenericFontFamilySansSerif(&family);
    }
    Gdiplus::GpFont* font = nullptr;
    if (family) gdip::GdipCreateFont(family, kCaptionPixels, Gdiplus::FontStyleBold, Gdiplus::UnitPixel, &font);
    font_.reset(font);
    Gdiplus::GpSolidFill* brush = nullptr;
    gdip::GdipCreateSolidFill(kCaptionColour, &brush);
    brush_.reset(brush);
    Gdiplus::GpStringFormat* format = nullptr;
    if (gdip::GdipCreateStringFormat(0, LANG_NEUTRAL, &format) == Gdiplus::Ok) {
      gdip::GdipSetStringFormatAlign(format, Gdiplus::StringAlignmentCenter);
      gdip::GdipSetStringFormatLineAlign(format, Gdiplus::StringAlignmentCenter);
    }
    format_.reset(format);
  }

  bool Usable() const { return font_ && brush_ && format_; }

  GpStatus Draw(Gdiplus::GpGraphics* graphics, int width, const std::wstring& caption) const {
    const Gdiplus::RectF band(0.0f, kCaptionTop, static_cast<float>(width), kCaptionHeight);
    return gdip::GdipDrawString(graphics, caption.c_str(), static_cast<INT>(caption.size()), font_.get(), &band,
                                format_.get(), brush_.get());
  }

 private:
  FontFamily named_family_;
  Font font_;
  Brush brush_;
  StringFormat format_;
};

}  // namespace

ImageFromStream::ImageFromStream(IStream* stream) {
  IStream* clone = nullptr;
  if (!stream || FAILED(stream->Clone(&clone)) || !clone) return;
  stream_ = clone;

  Gdiplus::GpImage* image = nullptr;
  Note(gdip::GdipLoadImageFromStream(stream_, &image));
  image_ = image;
  if (!image_) return;

  UINT dimensions = 0;
  Note(gdip::GdipImageGetFrameDimensionsCount(image_, &dimensions));
  if (dimensions > 0) {
    std::vector<GUID> ids(dimensions);
    UINT count = 0;
    if (Note(gdip::GdipImageGetFrameDimensionsList(image_, ids.data(), dimensions)) == Gdiplus::Ok &&
        Note(gdip::GdipImageGetFrameCount(image_, &ids[0], &count)) == Gdiplus::Ok)
      frame_count_ = count;
  }

  UINT size = 0;
  if (Note(gdip::GdipGetPropertyItemSize(image_, kFrameDelayTag, &size)) != Gdiplus::Ok ||
      size < sizeof(Gdiplus::PropertyItem))
    return;
  // The item's value follows the item in the same block; 64-bit words keep
  // the item aligned.
  std::vector<uint64_t> block((size + sizeof(uint64_t) - 1) / sizeof(uint64_t));
  auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(block.data());
  if (Note(gdip::GdipGetPropertyItem(image_, kFrameDelayTag, size, item)) != Gdiplus::Ok || !item->value) return;
  // The value is one unsigned 32-bit delay per frame; a length that claims
  // more than the block holds is cut to the block.
  const auto* base = reinterpret_cast<const unsigned char*>(block.data());
  const auto* value = static_cast<const unsigned char*>(item->value);
  if (value < base || value > base + size) return;
  const size_t available = static_cast<size_t>(base + size - value);
  const size_t bytes = item->length < available ? item->length : available;
  delays_.resize(bytes / sizeof(uint32_t));
  if (!delays_.empty()) std::memcpy(delays_.data(), value, delays_.size() * sizeof(uint32_t));
  // GDI+ reports a delay of 0 for frames without a graphic control block: a
  // GIF whose frames all say 0 has no delays and is shown still, rather than
  // turned at the timer's fastest rate.
  if (std::all_of(delays_.begin(), delays_.end(), [](uint32_t delay) { return delay == 0; })) delays_.clear();
}

ImageFromStream::~ImageFromStream() {
  if (image_) gdip::GdipDisposeImage(image_);
  if (stream_) stream_->Release();
}

bool ImageFromStream::Loaded() const { return image_ && frame_count_ > 0; }

uint32_t ImageFromStream::Width() const {
  UINT width = 0;
  if (image_) gdip::GdipGetImageWidth(image_, &width);
  return width;
}

uint32_t ImageFromStream::Height() const {
  UINT height = 0;
  if (image_) gdip::GdipGetImageHeight(image_, &height);
  return height;
}

uint32_t ImageFromStream::FrameCount() const { return frame_count_; }

bool ImageFromStream::Animates() const { return !delays_.empty() && frame_count_ > 1; }

uint32_t ImageFromStream::FrameDelay() const {
  // An image may carry fewer delays than frames; those frames have none.
  return frame_index_ < delays_.size() ? delays_[frame_index_] * 10 : 0;
}

void ImageFromStream::NextFrame() {
  if (frame_count_ == 0) return;
  frame_index_ = (frame_index_ + 1) % frame_count_;
  if (image_) Note(gdip::GdipImageSelectActiveFrame(image_, &kTimeDimension, frame_index_));
}

bool ImageFromStream::PrepareFrames(HWND window, int width, int height, const std::wstring& caption,
                                    const std::atomic<bool>* stop) {
  if (!frames_.empty() || !image_) return true;
  const std::unique_ptr<HDC__, WindowDcReleaser> window_dc(GetDC(window), WindowDcReleaser{window});
  if (!window_dc) return true;

  const int image_width = static_cast<int>(Width());
  const int image_height = static_cast<int>(Height());
  std::unique_ptr<CaptionStyle> style;
  if (!caption.empty()) style = std::make_unique<CaptionStyle>();

  for (uint32_t i = 0; i < frame_count_; ++i) {
    if (stop && stop->load()) return false;
    std::unique_ptr<FrameBitmap> frame = FrameBitmap::Create(window_dc.get(), width, height);
    if (frame) {
      Gdiplus::GpGraphics* created = nullptr;
      Note(gdip::GdipCreateFromHDC(frame->dc(), &created));
      const Graphics graphics(created);
      if (graphics) {
        Note(gdip::GdipDrawImageRectI(graphics.get(), image_, 0, 0, image_width, image_height));
        if (style && style->Usable()) Note(style->Draw(graphics.get(), width, caption));
      }
    }
    // The slot is kept even when empty and the image moves on regardless, so
    // slot i stays frame i and the index ends where it began.
    frames_.push_back(std::move(frame));
    NextFrame();
  }
  return true;
}

HDC ImageFromStream::PreparedFrame(uint32_t index) const {
  return index < frames_.size() && frames_[index] ? frames_[index]->dc() : nullptr;
}

int ImageFromStream::Note(int status) {
  if (status != Gdiplus::Ok) last_status_ = status;
  return status;
}

}  // namespace krv::progress
