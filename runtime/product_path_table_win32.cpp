#include <windows.h>

#include <array>
#include <memory>
#include <mutex>
#include <new>

#include "runtime/environment_helpers.h"
#include "runtime/path_combine.h"
#include "runtime/product_path_table.h"
#include "runtime/registry_helpers.h"

namespace krv::os::product_paths {
namespace {

using Slots = std::array<std::wstring, static_cast<size_t>(path_slot::count)>;

std::mutex g_lock;
std::unique_ptr<Slots> g_slots;

// The longest temporary-folder name, "_<short name>_" cut to this.
constexpr size_t kTempNameChars = 15;

std::wstring& slot_of(Slots& slots, path_slot slot) { return slots[static_cast<size_t>(slot)]; }

bool is_directory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool path_exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Trailing blanks, tabs and line ends go, then trailing separators, except
// the backslash of a drive root ("C:\").
std::wstring trimmed(std::wstring value) {
  while (!value.empty() && (value.back() == L' ' || value.back() == L'\t' || value.back() == L'\r' ||
                            value.back() == L'\n'))
    value.pop_back();
  while (!value.empty() && (value.back() == L'\\' || value.back() == L'/')) {
    if (value.size() == 3 && value[1] == L':') break;
    value.pop_back();
  }
  return value;
}

class Filler {
 public:
  Filler(Slots& slots, const path_fill_settings& settings) : slots_(slots), settings_(settings) {
    registry_key key;
    if (open_registry_key(nullptr, HKEY_LOCAL_MACHINE, slot_of(slots_, path_slot::registry_key).c_str(),
                          KEY_READ | kDefaultRegistryView, &key) == ERROR_SUCCESS)
      key_ = std::move(key);
  }

  void run() {
    fill_temp_folder();
    if (get(path_slot::data_folder).empty()) {
      fill_slot(path_slot::program_folder, L"ProgramFolder", settings_.executable_folder, nullptr,
                [](const std::wstring& folder) { return path_exists(combine_path(folder, L"krvCmnOS.dll")); });
      bool filled = false;
      if (!get(path_slot::program_folder).empty()) {
        fill_slot(path_slot::data_folder, L"DataFolder", settings_.executable_folder, L"data",
                  [this](const std::wstring& folder) { return path_exists(combine_path(folder, settings_.settings_file)); });
        filled = !get(path_slot::data_folder).empty();
      }
      if (!filled) {
        if (get(path_slot::program_folder).empty()) slot(path_slot::program_folder) = settings_.executable_folder;
        if (get(path_slot::data_folder).empty())
          slot(path_slot::data_folder) = settings_.executable_folder + L"\\DATA";
      }
    }
    const std::wstring data = get(path_slot::data_folder);
    if (get(path_slot::settings_file).empty() && !data.empty())
      slot(path_slot::settings_file) = combine_path(data, settings_.settings_file);

    struct FolderRow {
      path_slot slot;
      const wchar_t* value;
      const wchar_t* name;
    };
    static const FolderRow kRows[] = {
        {path_slot::journal_folder, L"JournalFolder", L"journal"},
        {path_slot::log_folder, L"LogFolder", L"log"},
        {path_slot::report_folder, L"ReportFolder", L"report"},
        {path_slot::certificate_file, L"CertificateFile", nullptr},
        {path_slot::chest_folder, L"ChestFolder", L"chest"},
        {path_slot::moved_folder, L"MovedFolder", L"moved"},
        {path_slot::fw_data_folder, L"FwDataFolder", L"fw"},
    };
    for (const FolderRow& row : kRows) {
      if (!get(row.slot).empty()) continue;
      fill_slot(row.slot, row.value, data, row.name, is_directory);
      if (get(row.slot).empty() && row.name != nullptr) slot(row.slot) = combine_path(data, row.name);
    }
  }

 private:
  std::wstring& slot(path_slot s) { return slot_of(slots_, s); }
  std::wstring get(path_slot s) { return slot_of(slots_, s); }

  bool read_value(const wchar_t* name, std::wstring* out) {
    std::wstring value;
    if (!key_.valid() || read_registry_string(key_.get(), name, &value) != ERROR_SUCCESS) return false;
    *out = trimmed(value);
    return !out->empty();
  }

  // The first of: the registry value (checked only when the slot has a
  // default name), the base joined with the name, the base alone, none.
  template <class Check>
  void fill_slot(path_slot s, const wchar_t* value_name, const std::wstring& base, const wchar_t* default_name,
                 Check check) {
    if (!get(s).empty()) return;
    std::wstring value;
    if (read_value(value_name, &value) && (default_name == nullptr || check(value))) {
      slot(s) = value;
    } else if (default_name != nullptr && !base.empty() && check(combine_path(base, default_name))) {
      slot(s) = combine_path(base, default_name);
    } else if (!base.empty() && check(base)) {
      slot(s) = base;
    }
  }

  void fill_temp_folder() {
    if (get(path_slot::temp_folder).empty()) {
      std::wstring value;
      if (read_value(L"TempFolder", &value)) {
        slot(path_slot::temp_folder) = value;
      } else if (!get(path_slot::temp_folder_copy).empty()) {
        slot(path_slot::temp_folder) = get(path_slot::temp_folder_copy);
      } else {
        std::wstring base;
        if (environment_variable(L"TEMP", &base) != ERROR_SUCCESS &&
            environment_variable(L"TMP", &base) != ERROR_SUCCESS) {
          wchar_t temp[MAX_PATH + 1];
          const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
          if (length != 0 && length <= MAX_PATH) base.assign(temp, length);
        }
        std::wstring name = L"_" + settings_.short_name + L"_";
        if (name.size() > kTempNameChars) name.resize(kTempNameChars);
        slot(path_slot::temp_folder) = combine_path(base, name);
      }
    }
    slot(path_slot::temp_folder_copy) = get(path_slot::temp_folder);
  }

  Slots& slots_;
  const path_fill_settings& settings_;
  registry_key key_;
};

}  // namespace

uint32_t start_up(const std::wstring& registry_key) noexcept {
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_slots) return ERROR_SUCCESS;
  try {
    auto slots = std::make_unique<Slots>();
    slot_of(*slots, path_slot::registry_key) = registry_key;
    g_slots = std::move(slots);
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  return ERROR_SUCCESS;
}

void shut_down() noexcept {
  std::lock_guard<std::mutex> guard(g_lock);
  g_slots.reset();
}

void clear() noexcept {
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_slots)
    for (std::wstring& s : *g_slots) s.clear();
}

bool exists() noexcept {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_slots != nullptr;
}

std::wstring get(path_slot slot) {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_slots ? slot_of(*g_slots, slot) : std::wstring();
}

void set(path_slot slot, const std::wstring& value) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_slots) slot_of(*g_slots, slot) = value;
}

std::wstring program_folder() { return get(path_slot::program_folder); }

void fill(const path_fill_settings& settings) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_slots) Filler(*g_slots, settings).run();
}

}  // namespace krv::os::product_paths
