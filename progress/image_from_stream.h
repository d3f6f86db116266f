#pragma once
// An animated image decoded by GDI+, with every frame composed once, ahead of
// time, into a memory bitmap of the window's size, so that painting is one
// bitmap copy and a timer tick only moves the frame index (Windows only).

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct IStream;

namespace Gdiplus {
class GpImage;
}

namespace krv::progress {

class ImageFromStream {
 public:
  // Decodes the image from a clone of `stream` (the caller keeps its own
  // reference; the image keeps the clone for its lifetime, as GDI+ reads it
  // lazily). GDI+ must be started and stay started until the object is gone.
  // Never fails as such: when the stream cannot be cloned or decoded there is
  // no image (Loaded() is false); a missing frame-delay property, or one
  // whose delays are all 0, means no delays (Animates() is false). A failing GDI+ status is kept in
  // LastStatus() and processing goes on.
  explicit ImageFromStream(IStream* stream);
  virtual ~ImageFromStream();
  ImageFromStream(const ImageFromStream&) = delete;
  ImageFromStream& operator=(const ImageFromStream&) = delete;

  // Whether an image was decoded and it has at least one frame.
  bool Loaded() const;
  // The image's size in pixels; 0 without an image.
  uint32_t Width() const;
  uint32_t Height() const;
  // Frames in the image's first frame dimension; 0 without an image.
  uint32_t FrameCount() const;
  // The frame shown now, from 0 to FrameCount() - 1.
  uint32_t FrameIndex() const { return frame_index_; }
  // Whether the image plays: it has frame delays and more than one frame.
  // An image that does not play is shown still, without a timer.
  bool Animates() const;
  // The current frame's delay in milliseconds; 0 when the image has no
  // delays or none for this frame.
  uint32_t FrameDelay() const;
  // Moves to the next frame, back to 0 after the last, and makes it the
  // image's active frame. Does nothing without frames.
  void NextFrame();

  // Composes every frame once into a `width` x `height` memory bitmap
  // compatible with `window`'s device context: the frame at (0, 0) in its own
  // size and, when `caption` is not empty, the caption centred in near-white
  // bold text in the band from y 165 to 195 across the full width. Does
  // nothing when frames were already prepared, without an image, or when the
  // window has no device context. A frame whose bitmap cannot be made stays
  // an empty slot, so slot i is always frame i; the frame index is back at 0
  // afterwards. When `stop` (may be null; any thread sets it) is true before
  // a frame, no further frame is prepared: the slots made so far stay and
  // the frame index stays at the first frame not prepared. Returns false
  // when `stop` ended the preparation, true otherwise.
  bool PrepareFrames(HWND window, int width, int height, const std::wstring& caption,
                     const std::atomic<bool>* stop = nullptr);
  // Number of frame slots prepared (FrameCount() after PrepareFrames).
  size_t PreparedFrameCount() const { return frames_.size(); }
  // The memory device context holding prepared frame `index`, owned by this
  // object; null when that frame was not prepared.
  HDC PreparedFrame(uint32_t index) const;

  // The last failing GDI+ status (0, Ok, when none failed).
  int LastStatus() const { return last_status_; }

 private:
  class FrameBitmap;

  // Keeps a failing status; returns `status`.
  int Note(int status);

  Gdiplus::GpImage* image_ = nullptr;
  IStream* stream_ = nullptr;
  std::vector<uint32_t> delays_;  // hundredths of a second, one per frame
  uint32_t frame_index_ = 0;
  uint32_t frame_count_ = 0;
  std::vector<std::unique_ptr<FrameBitmap>> frames_;
  int last_status_ = 0;
};

}  // namespace krv::progress
