#include "tests/e2e/support/pe_image.h"

#include <fstream>
#include <iterator>

namespace krv::e2e {
namespace {
constexpr uint32_t kImportDirectory = 1;
constexpr uint32_t kExportDirectory = 0;
constexpr uint32_t kDelayImportDirectory = 13;
constexpr uint32_t kImportDescriptorSize = 20;
constexpr uint32_t kDelayDescriptorSize = 32;
}  // namespace

PeImage::PeImage(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  uint32_t pe = 0, signature = 0;
  uint16_t sections = 0, optional_size = 0, magic = 0;
  if (bytes_.size() < 64 || bytes_[0] != 'M' || bytes_[1] != 'Z') return;
  if (!ReadU32(60, &pe) || !ReadU32(pe, &signature) || signature != 0x00004550) return;
  if (!ReadU16(pe + 6, &sections) || !ReadU16(pe + 20, &optional_size) || !ReadU16(pe + 24, &magic)) return;
  const uint64_t optional = pe + 24;
  if (magic == 0x10B) {
    directories_ = optional + 96;
  } else if (magic == 0x20B) {
    pe32_plus_ = true;
    directories_ = optional + 112;
  } else {
    return;
  }
  if (!ReadU16(optional + 70, &dll_characteristics_) || !ReadU32(directories_ - 4, &directory_count_)) return;
  const uint64_t table = optional + optional_size;
  for (uint16_t i = 0; i < sections; ++i) {
    Section s{};
    uint64_t at = table + i * 40ull;
    if (!ReadU32(at + 8, &s.size) || !ReadU32(at + 12, &s.rva) || !ReadU32(at + 16, &s.raw_size) ||
        !ReadU32(at + 20, &s.raw_offset))
      return;
    sections_.push_back(s);
  }
  ok_ = true;
}

bool PeImage::ReadU16(uint64_t offset, uint16_t* out) const {
  if (offset > bytes_.size() || bytes_.size() - offset < 2) return false;
  *out = static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
  return true;
}

bool PeImage::ReadU32(uint64_t offset, uint32_t* out) const {
  if (offset > bytes_.size() || bytes_.size() - offset < 4) return false;
  *out = static_cast<uint32_t>(bytes_[offset]) | static_cast<uint32_t>(bytes_[offset + 1]) << 8 |
         static_cast<uint32_t>(bytes_[offset + 2]) << 16 | static_cast<uint32_t>(bytes_[offset + 3]) << 24;
  return true;
}

bool PeImage::RvaToOffset(uint32_t rva, uint64_t* out) const {
  for (const Section& s : sections_) {
    uint32_t extent = s.size > s.raw_size ? s.size : s.raw_size;
    if (rva >= s.rva && rva - s.rva < extent) {
      *out = static_cast<uint64_t>(s.raw_offset) + (rva - s.rva);
      return *out < bytes_.size();
    }
  }
  return false;
}

std::string PeImage::StringAt(uint32_t rva) const {
  uint64_t at = 0;
  std::string s;
  if (!RvaToOffset(rva, &at)) return s;
  while (at < bytes_.size() && bytes_[at]) s.push_back(static_cast<char>(bytes_[at++]));
  return s;
}

uint32_t PeImage::directory_rva(int index) const {
  uint32_t v = 0;
  if (!ok_ || static_cast<uint32_t>(index) >= directory_count_ || !ReadU32(directories_ + index * 8ull, &v)) return 0;
  return v;
}

uint32_t PeImage::directory_size(int index) const {
  uint32_t v = 0;
  if (!ok_ || static_cast<uint32_t>(index) >= directory_count_ || !ReadU32(directories_ + index * 8ull + 4, &v))
    return 0;
  return v;
}

std::vector<std::string> PeImage::imports() const {
  std::vector<std::string> names;
  uint64_t at = 0;
  uint32_t rva = directory_rva(kImportDirectory);
  if (!rva || !RvaToOffset(rva, &at)) return names;
  for (uint32_t name_rva = 0; ReadU32(at + 12, &name_rva) && name_rva; at += kImportDescriptorSize)
    names.push_back(StringAt(name_rva));
  return names;
}

std::vector<std::string> PeImage::delay_imports() const {
  std::vector<std::string> names;
  uint64_t at = 0;
  uint32_t rva = directory_rva(kDelayImportDirectory);
  if (!rva || !RvaToOffset(rva, &at)) return names;
  // The directory's size bounds the list: the GNU tools write no all-zero
  // descriptor behind the last one.
  const uint32_t count = directory_size(kDelayImportDirectory) / kDelayDescriptorSize;
  for (uint32_t i = 0, name_rva = 0; i < count && ReadU32(at + 4, &name_rva) && name_rva; ++i, at += kDelayDescriptorSize)
    names.push_back(StringAt(name_rva));
  return names;
}

std::vector<std::string> PeImage::exports() const {
  std::vector<std::string> names;
  uint64_t at = 0, table = 0;
  uint32_t count = 0, names_rva = 0;
  uint32_t rva = directory_rva(kExportDirectory);
  if (!rva || !RvaToOffset(rva, &at) || !ReadU32(at + 24, &count) || !ReadU32(at + 32, &names_rva) ||
      !RvaToOffset(names_rva, &table))
    return names;
  for (uint32_t i = 0, name = 0; i < count && ReadU32(table + i * 4ull, &name); ++i) names.push_back(StringAt(name));
  return names;
}

}  // namespace krv::e2e
