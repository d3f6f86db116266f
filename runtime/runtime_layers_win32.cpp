#include "runtime/runtime_layers.h"

#include <windows.h>

#include <clocale>
#include <cstdlib>
#include <mutex>

#include "runtime/device_helpers.h"
#include "runtime/environment_helpers.h"
#include "runtime/module_helpers.h"
#include "runtime/optional_imports.h"
#include "runtime/os_facts.h"
#include "runtime/product_path_table.h"
#include "runtime/random_source.h"
#include "runtime/runtime_brand_row.h"

namespace krv::runtime {
namespace {

// Full initialisation flag: leave out the device and the locale.
constexpr uint32_t kMinimalInitialisation = 1;

// The base name of the product's self-protection device; the brand row's
// object prefix replaces its "krv".
constexpr wchar_t kProtectionDevice[] = L"krvSP";
constexpr size_t kDeviceNameChars = 64;

std::mutex g_lock;
int g_start_count = 0;
int g_entry_count = 0;
os::runtime_brand_settings g_brand;
os::scoped_handle g_protection_device;

// Level 1: count, and on the first call record the basic facts and set up
// the path table. Level 0: undo one count; the last releases everything.
uint32_t RuntimeStart(int level) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (level == 0) {
    if (g_start_count == 0 || --g_start_count != 0) return ERROR_SUCCESS;
    g_entry_count = 0;
    g_protection_device.reset();
    os::product_paths::shut_down();
    os::optional_imports::clear();
    return ERROR_SUCCESS;
  }
  if (g_start_count++ != 0) return ERROR_SUCCESS;
  os::facts_setup::collect_basic();
  g_brand = os::choose_runtime_brand();
  const uint32_t allocated = os::product_paths::start_up(g_brand.registry_key);
  if (allocated != ERROR_SUCCESS) return allocated;
  os::product_paths::set(os::path_slot::windows_folder, os::facts().windows_folder);
  return ERROR_SUCCESS;
}

std::wstring ExecutableFolder() {
  std::wstring path;
  if (os::module_file_name(nullptr, false, &path) != ERROR_SUCCESS) return std::wstring();
  const size_t last = path.rfind(L'\\');
  return last == std::wstring::npos ? std::wstring() : path.substr(0, last);
}

void FullInitialisation(uint32_t flags) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_entry_count++ != 0) return;
  const ULONGLONG ticks = GetTickCount64();
  std::srand(static_cast<unsigned>(ticks));
  os::seed_random(ticks);
  os::ensure_system_root(os::facts().windows_folder);
  os::optional_imports::load(os::facts().version_class);
  if ((flags & kMinimalInitialisation) == 0) {
    const std::wstring device = os::object_name(kProtectionDevice, g_brand.object_prefix, kDeviceNameChars);
    os::open_device(device.c_str(), &g_protection_device);
  }
  os::facts_setup::collect_extended();
  os::product_paths::fill({g_brand.short_name, g_brand.settings_file, ExecutableFolder()});
  if ((flags & kMinimalInitialisation) == 0) std::setlocale(LC_ALL, "");
}

}  // namespace

uint32_t AttachRuntimeLayers() {
  const uint32_t started = RuntimeStart(1);
  FullInitialisation(0);
  return started;
}

void DetachRuntimeLayers() { RuntimeStart(0); }

}  // namespace krv::runtime
