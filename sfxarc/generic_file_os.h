#pragma once
// Internal to CGenericFile: the system calls behind it, one implementation per
// platform (generic_file_win32.cpp, generic_file_posix.cpp). Each returns 0 or
// a Win32 error code.

#include <cstdint>
#include <string>

namespace krv::root::os {

constexpr intptr_t kNoHandle = -1;

struct OpenedFile {
  intptr_t handle = kNoHandle;
  uint32_t attributes = 0;
  uint64_t size = 0;
};

// Opens path for reading as CGenericFile::Open describes.
uint32_t OpenForReading(const std::wstring& path, OpenedFile* out);

// Reads up to n bytes at offset; *done = the count (0 at the end of the file).
uint32_t ReadAt(intptr_t handle, uint64_t offset, void* buffer, uint32_t n, uint32_t* done);

// The granularity that view offsets must be multiples of.
uint32_t AllocationGranularity();

// Maps [start, start + length) of the file read-only. *mapping carries a
// system object between calls (0 at first; made on demand).
uint32_t MapView(intptr_t handle, intptr_t* mapping, uint64_t start, uint32_t length, const uint8_t** view);

void UnmapView(const uint8_t* view, uint32_t length);

// Closes the mapping object (when not 0) and the handle.
void Close(intptr_t handle, intptr_t mapping);

}  // namespace krv::root::os
