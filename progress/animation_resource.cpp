#include "progress/animation_resource.h"

#include <objidl.h>
#include <ole2.h>

#include <cstring>

namespace krv::progress {
namespace {

struct StreamReleaser {
  void operator()(IStream* stream) const { stream->Release(); }
};
using Stream = std::unique_ptr<IStream, StreamReleaser>;

// A stream over a movable global copy of `size` bytes; the stream frees the
// memory when its last clone is released. Null on failure.
Stream StreamOver(const void* bytes, DWORD size) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!memory) return nullptr;
  void* target = GlobalLock(memory);
  if (!target) {
    GlobalFree(memory);
    return nullptr;
  }
  std::memcpy(target, bytes, size);
  GlobalUnlock(memory);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream)) || !stream) {
    GlobalFree(memory);
    return nullptr;
  }
  return Stream(stream);
}

}  // namespace

std::unique_ptr<ImageFromStream> LoadAnimation(HMODULE module) {
  if (!module) module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(kAnimationResourceId), L"FILE");
  if (!resource) return nullptr;
  const DWORD size = SizeofResource(module, resource);
  if (size == 0) return nullptr;
  HGLOBAL loaded = LoadResource(module, resource);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return nullptr;

  const Stream stream = StreamOver(bytes, size);
  if (!stream) return nullptr;
  // The image holds its own clone of the stream; ours goes at the end.
  auto image = std::make_unique<ImageFromStream>(stream.get());
  if (!image->Loaded()) return nullptr;
  return image;
}

}  // namespace krv::progress
