#pragma once
// Facts about the operating system, recorded once by the runtime start and
// its full initialisation (runtime/runtime_layers.h) and read-only
// afterwards, from any thread. Before the runtime start every field is 0 or
// empty. The structure is plain data; the functions are Windows code.

#include <cstdint>
#include <string>

namespace krv::os {

struct os_facts {
  uint32_t page_size = 0;
  uint32_t allocation_granularity = 0;
  uint64_t max_application_address = 0;
  // Never less than 1 once initialised.
  uint32_t logical_processors = 0;
  // Processor cores of the topology; the logical count when it is unknown.
  uint32_t cores = 0;
  // A 32-bit process on a 64-bit system.
  bool wow64 = false;
  // See runtime/os_version.h.
  uint32_t version_class = 0;
  bool service_pack_level = false;
  // The processor's microcode revision from the registry; 0 when unknown.
  uint64_t microcode_revision = 0;
  // The Windows directory, ending in a backslash; empty when unknown.
  std::wstring windows_folder;
};

// The process's facts.
const os_facts& facts() noexcept;

// The window sizes of the mapped file reader: 60 allocation granules for a
// mapped view, 2 for a copied one (3,932,160 and 131,072 bytes with the usual
// 64 KiB granularity). 0 before the runtime start.
uint32_t mapped_view_size() noexcept;
uint32_t copied_view_size() noexcept;

// Steps of the runtime start and full initialisation.
namespace facts_setup {
// Version class, service-pack flag, GetSystemInfo's facts and the Windows
// directory.
void collect_basic() noexcept;
// Needs the optional imports: WOW64 flag, the native view of a WOW64
// process (maximum address and processor count), the processor topology and
// the microcode revision; makes the processor count at least 1.
void collect_extended() noexcept;
// Forgets every fact.
void clear() noexcept;
}  // namespace facts_setup

}  // namespace krv::os
