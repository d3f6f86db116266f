#pragma once
// The brand the running process belongs to.

#include <cstdint>

namespace krv::branding {

enum class Brand : uint32_t { Invalid = 0, Orvane = 1, Kestil = 2, Hollo = 3 };

// Stores the process's brand; every brand-dependent name read later uses it.
void SetBrand(Brand brand);

// The stored brand; Orvane when none was stored.
Brand GetBrand();

}  // namespace krv::branding
