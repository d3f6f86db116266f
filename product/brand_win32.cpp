#include <windows.h>

#include <atomic>

#include "log/write_log.h"
#include "product/brand.h"
#include "product/brand_detection.h"
#include "product/brand_log.h"
#include "product/process_local_storage.h"
#include "runtime/exceptions.h"
#include "runtime/module_helpers.h"

namespace krv::branding {
namespace {

// GetBrand's answer; 0 until the first one. Written once, never cleared.
std::atomic<uint32_t> g_cached_brand{0};

std::string MemberName(const std::string& slot_key, const char* member) { return slot_key + member + "2"; }

std::optional<std::wstring> StoredString(const std::string& name) {
  const wchar_t* text = nullptr;
  if (!PlsGet(name, &text) || text == nullptr) return std::nullopt;
  return std::wstring(text);
}

// Heap copies of the three installation members (absent ones as null), then
// the five names in a fixed order.
void StoreBrandInfo(const std::string& slot_key, const BrandInfo& record) {
  const wchar_t* subkey = PlsStringCopy(record.subkey);
  const wchar_t* program_folder = PlsStringCopy(record.program_folder);
  const wchar_t* data_folder = PlsStringCopy(record.data_folder);
  PlsSet(MemberName(slot_key, "Brand"), record.brand);
  PlsSet(MemberName(slot_key, "Product"), record.product);
  PlsSet(MemberName(slot_key, "Subkey"), subkey);
  PlsSet(MemberName(slot_key, "ProgramFolder"), program_folder);
  PlsSet(MemberName(slot_key, "DataFolder"), data_folder);
}

// The stored record, or none when the slot's brand was never stored.
std::optional<BrandInfo> StoredBrandInfo(const std::string& slot_key) {
  Brand brand = Brand::Invalid;
  if (!PlsGet(MemberName(slot_key, "Brand"), &brand)) return std::nullopt;
  Product product = Product::None;
  PlsGet(MemberName(slot_key, "Product"), &product);
  BrandInfo record = MakeBrandRecord(static_cast<uint32_t>(brand));
  record.product = product;
  record.subkey = StoredString(MemberName(slot_key, "Subkey"));
  record.program_folder = StoredString(MemberName(slot_key, "ProgramFolder"));
  record.data_folder = StoredString(MemberName(slot_key, "DataFolder"));
  return record;
}

// The brand of this module's version resource; a module without resources
// names none.
Brand BrandOfThisModule() {
  try {
    return GetBrandFromModuleResource(os::module_of_running_code());
  } catch (const exceptions::error&) {
    return Brand::Invalid;
  }
}

void LogBrand(const wchar_t* text, Brand brand) {
  log::write_log(log::kInfo, kBrandingLog, L"%ls%u", text, static_cast<uint32_t>(brand));
}

}  // namespace

BrandInfo GetBrandInfo(BrandingPlsName slot) {
  const std::string key = PlsSlotKey(slot);
  if (std::optional<BrandInfo> stored = StoredBrandInfo(key); stored && stored->brand != Brand::Invalid)
    return *stored;

  const std::vector<BrandInfo> candidates = InstallationCandidates();
  BrandInfo matched = MatchBrandByImagePath(ProcessImagePath(), candidates);
  if (matched.brand != Brand::Invalid) {
    LogBrand(L"BrandInfo matched by process image path, brand: ", matched.brand);
    StoreBrandInfo(key, matched);
    return matched;
  }
  const Brand from_resource = BrandOfThisModule();
  if (from_resource != Brand::Invalid) {
    LogBrand(L"Brand matched by module resource, brand: ", from_resource);
    return MakeBrandRecord(static_cast<uint32_t>(from_resource));
  }
  matched = MatchBrandByImagePath(ThisModuleImagePath(), candidates);
  if (matched.brand != Brand::Invalid) {
    LogBrand(L"BrandInfo matched by module image path, brand: ", matched.brand);
    return matched;
  }
  throw exceptions::error("Cannot retrieve BrandInfo data from registry for PLS key: %s", key.c_str());
}

void SetBrand(Brand brand) {
  StoreBrandInfo(PlsSlotKey(BrandingPlsName::pkgrun), MakeBrandRecord(static_cast<uint32_t>(brand)));
}

Brand GetBrand() {
  if (const uint32_t cached = g_cached_brand.load()) return static_cast<Brand>(cached);
  try {
    const Brand brand = GetBrandInfo(BrandingPlsName::pkgrun).brand;
    g_cached_brand.store(static_cast<uint32_t>(brand));
    return brand;
  } catch (const exceptions::error&) {
  }
  const Brand by_process = GetBrandFromImagePrefix(ProcessImagePath(), ImagePrefixTable());
  g_cached_brand.store(static_cast<uint32_t>(by_process));
  if (by_process != Brand::Invalid) {
    LogBrand(L"Brand matched by process image prefix, brand: ", by_process);
    SetBrand(by_process);
    return by_process;
  }
  const Brand by_resource = BrandOfThisModule();
  if (by_resource != Brand::Invalid) {
    LogBrand(L"Brand matched by module resource, brand: ", by_resource);
    return by_resource;
  }
  const Brand by_module = GetBrandFromImagePrefix(ThisModuleImagePath(), ImagePrefixTable());
  if (by_module == Brand::Invalid) throw exceptions::error("Unable to recognize brand of the current process/module");
  LogBrand(L"Brand matched by module image prefix, brand: ", by_module);
  return by_module;
}

}  // namespace krv::branding
