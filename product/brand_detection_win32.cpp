#include <windows.h>
#include <shlwapi.h>

#include <set>

#include "log/write_log.h"
#include "product/brand_detection.h"
#include "product/brand_log.h"
#include "product/version_resource.h"
#include "runtime/exceptions.h"
#include "runtime/module_helpers.h"
#include "runtime/registry_helpers.h"
#include "runtime/runtime_brand_row.h"

namespace krv::branding {
namespace {

constexpr WORD kVersionResourceType = 16;  // RT_VERSION

std::wstring LongPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetLongPathNameW(path.c_str(), buffer, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? path : std::wstring(buffer, length);
}

// The first entry of a resource directory, or the one with id `id`; null
// when absent or outside the resource section.
const IMAGE_RESOURCE_DIRECTORY_ENTRY* FindEntry(const BYTE* root, DWORD root_size, DWORD directory_offset,
                                                const WORD* id) {
  if (directory_offset > root_size || root_size - directory_offset < sizeof(IMAGE_RESOURCE_DIRECTORY))
    return nullptr;
  const auto* directory = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY*>(root + directory_offset);
  const size_t count = static_cast<size_t>(directory->NumberOfNamedEntries) + directory->NumberOfIdEntries;
  const size_t entries_offset = directory_offset + sizeof(IMAGE_RESOURCE_DIRECTORY);
  if (count > (root_size - entries_offset) / sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY)) return nullptr;
  const auto* entries = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY_ENTRY*>(root + entries_offset);
  for (size_t i = 0; i < count; ++i) {
    if (id == nullptr) return &entries[i];
    if (!entries[i].NameIsString && entries[i].Id == *id) return &entries[i];
  }
  return nullptr;
}

}  // namespace

std::wstring ProcessImagePath() {
  std::wstring path;
  return os::module_file_name(nullptr, false, &path) == ERROR_SUCCESS ? path : std::wstring();
}

std::wstring ThisModuleImagePath() {
  std::wstring path;
  HMODULE self = os::module_of_running_code();
  return self != nullptr && os::module_file_name(self, false, &path) == ERROR_SUCCESS ? path : std::wstring();
}

Brand GetBrandFromModuleResource(const void* module) {
  if (module == nullptr) throw exceptions::error("hModule is invalid");
  const auto* base = static_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_RESOURCE)
    throw exceptions::error("There is no resource section in module");
  const IMAGE_DATA_DIRECTORY& resources = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE];
  if (resources.Size == 0) throw exceptions::error("Resource section is empty");
  const BYTE* root = base + resources.VirtualAddress;
  const WORD version_type = kVersionResourceType;
  const auto* type = FindEntry(root, resources.Size, 0, &version_type);
  if (type == nullptr || !type->DataIsDirectory) return Brand::Invalid;
  const auto* name = FindEntry(root, resources.Size, type->OffsetToDirectory, nullptr);
  if (name == nullptr || !name->DataIsDirectory) return Brand::Invalid;
  const auto* language = FindEntry(root, resources.Size, name->OffsetToDirectory, nullptr);
  if (language == nullptr || language->DataIsDirectory ||
      language->OffsetToData > resources.Size - sizeof(IMAGE_RESOURCE_DATA_ENTRY))
    return Brand::Invalid;
  const auto* data = reinterpret_cast<const IMAGE_RESOURCE_DATA_ENTRY*>(root + language->OffsetToData);
  return BrandFromVersionBlock(base + data->OffsetToData, data->Size);
}

BrandInfo MatchBrandByImagePath(const std::wstring& image_path, const std::vector<BrandInfo>& candidates) {
  const std::wstring path = LongPath(image_path);
  std::vector<BrandInfo> matches;
  for (const BrandInfo& candidate : candidates) {
    if (!candidate.subkey) continue;
    std::wstring program_folder;
    if (os::read_machine_string(candidate.subkey->c_str(), L"ProgramFolder", KEY_WOW64_32KEY, &program_folder) !=
            ERROR_SUCCESS ||
        !os::folder_holds_image(program_folder, path))
      continue;
    std::wstring data_folder;
    if (os::read_machine_string(candidate.subkey->c_str(), L"DataFolder", KEY_WOW64_32KEY, &data_folder) !=
        ERROR_SUCCESS)
      continue;
    BrandInfo match = candidate;
    match.program_folder = program_folder;
    match.data_folder = data_folder;
    matches.push_back(std::move(match));
  }
  if (matches.empty()) return BrandInfo();
  if (matches.size() == 1) return matches.front();

  std::set<Product> products;
  bool antivirus = false;
  for (const BrandInfo& m : matches) {
    products.insert(m.product);
    antivirus = antivirus || m.product == Product::Antivirus;
  }
  if (antivirus && products.size() > 1) {
    std::vector<BrandInfo> kept;
    for (BrandInfo& m : matches)
      if (m.product == Product::Antivirus) kept.push_back(std::move(m));
    matches = std::move(kept);
  }
  if (products.size() != 1 && !antivirus) return BrandInfo();
  HMODULE module = GetModuleHandleW(image_path.c_str());
  const Brand brand = module == nullptr ? Brand::Invalid : GetBrandFromModuleResource(module);
  if (brand == Brand::Invalid) return BrandInfo();
  for (const BrandInfo& m : matches)
    if (m.brand == brand) return m;
  return BrandInfo();
}

Brand GetBrandFromImagePrefix(const std::wstring& image_path, const std::vector<BrandPrefix>& table) {
  log::write_log(log::kInfo, kBrandingLog, L"Image path (GetBrandFromImagePrefix): %ls", image_path.c_str());
  const wchar_t* name = PathFindFileNameW(image_path.c_str());
  if (name == image_path.c_str()) throw exceptions::error("Could not extract image name from image path");
  log::write_log(log::kInfo, kBrandingLog, L"Image name: %ls", name);
  return BrandFromImageName(name, table);
}

}  // namespace krv::branding
