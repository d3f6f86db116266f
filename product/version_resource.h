#pragma once
// The brand named by a version resource (VS_VERSIONINFO) as it lies in a
// module's image. Platform-neutral: it walks bytes, every read bounds-checked.

#include <cstddef>
#include <cstdint>

#include "product/brand.h"

namespace krv::branding {

// Walks the version block `block` of `size` bytes (4-byte aligned, as
// resources are): in each "StringFileInfo" child (key compared ignoring
// case), every string table and in each every "CompanyName" string. Returns
// Orvane for the first such value that contains "Orvane" (ignoring case),
// else Kestil for one that contains "KESTIL" (ignoring case); Invalid when no
// value names a brand or the block is malformed where it would be read.
Brand BrandFromVersionBlock(const uint8_t* block, size_t size);

}  // namespace krv::branding
