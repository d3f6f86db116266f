#pragma once
// A reader of the PE image facts the build checks: imports, delay imports,
// exports, DLL characteristics, relocations. Bounds-checked; a malformed
// image reads as empty.

#include <cstdint>
#include <string>
#include <vector>

namespace krv::e2e {

class PeImage {
 public:
  // Reads the whole file; ok() is false when it is not a PE image.
  explicit PeImage(const std::string& path);

  bool ok() const { return ok_; }
  bool is_pe32_plus() const { return pe32_plus_; }
  uint16_t dll_characteristics() const { return dll_characteristics_; }
  uint32_t directory_size(int index) const;
  // DLL names of the load-time import table, as stored.
  std::vector<std::string> imports() const;
  // DLL names of the delay-import table (data directory 13).
  std::vector<std::string> delay_imports() const;
  // Names in the export table.
  std::vector<std::string> exports() const;

 private:
  bool ReadU16(uint64_t offset, uint16_t* out) const;
  bool ReadU32(uint64_t offset, uint32_t* out) const;
  // The file offset of an RVA, or false when no section holds it.
  bool RvaToOffset(uint32_t rva, uint64_t* out) const;
  std::string StringAt(uint32_t rva) const;
  uint32_t directory_rva(int index) const;

  std::vector<uint8_t> bytes_;
  bool ok_ = false;
  bool pe32_plus_ = false;
  uint16_t dll_characteristics_ = 0;
  uint64_t directories_ = 0;
  uint32_t directory_count_ = 0;
  struct Section {
    uint32_t rva, size, raw_offset, raw_size;
  };
  std::vector<Section> sections_;
};

}  // namespace krv::e2e
