#pragma once
// The progress animation stored in a module's resources (Windows only).

#include <windows.h>

#include <memory>

#include "progress/image_from_stream.h"

namespace krv::progress {

// The animation's resource: type "FILE", id 1001.
constexpr int kAnimationResourceId = 1001;
// The window icon's resource.
constexpr int kIconResourceId = 1000;

// Decodes the animation resource of `module` (null: the executable). GDI+
// must be started and stay started while the result lives. Null when the
// resource is missing or empty, its bytes cannot be put into a stream, or
// they do not decode into an image with frames. Owned by the caller.
std::unique_ptr<ImageFromStream> LoadAnimation(HMODULE module);

}  // namespace krv::progress
