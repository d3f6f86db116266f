#pragma once
// ProductPathTable: the process-wide table of the product's paths, filled by
// the runtime's first entry from the product's registry key, with defaults
// next to the running executable (Windows code). Slots exist between start_up
// and shut_down; an absent slot reads as empty.

#include <cstdint>
#include <string>

namespace krv::os {

enum class path_slot {
  registry_key,
  oem_name,
  temp_folder,
  temp_folder_copy,
  program_folder,
  data_folder,
  settings_file,
  journal_folder,
  log_folder,
  report_folder,
  certificate_file,
  chest_folder,
  moved_folder,
  fw_data_folder,
  windows_folder,
  count,
};

// What the fill needs to know; the runtime start takes it from the runtime
// brand row and the process.
struct path_fill_settings {
  std::wstring short_name;        // for the temporary folder "_<short name>_"
  std::wstring settings_file;     // the settings file that marks a data folder
  std::wstring executable_folder; // default base of the program and data folders
};

namespace product_paths {

// Allocates every slot (empty) and sets the registry key. Returns 0, or 8
// (ERROR_NOT_ENOUGH_MEMORY) when the slots cannot be allocated. A table that
// exists already is kept.
uint32_t start_up(const std::wstring& registry_key) noexcept;

// Frees every slot.
void shut_down() noexcept;

// Empties every slot without freeing them.
void clear() noexcept;

// Whether the slots exist.
bool exists() noexcept;

// A slot's value; empty when the slot or the table is absent.
std::wstring get(path_slot slot);

// Sets a slot; does nothing when the table is absent.
void set(path_slot slot, const std::wstring& value);

// The program folder; empty when the slot is absent.
std::wstring program_folder();

// Fills the empty slots from the registry key's values (HKEY_LOCAL_MACHINE,
// KEY_READ, default view): the temporary folder, the program and data
// folders and the settings file, then the folder rows below the data folder
// ("journal", "log", "report", the certificate file, "chest", "moved",
// "fw"). A value is trimmed of trailing blanks, tabs, line ends and
// separators (a drive root keeps its backslash) and, for a slot with a
// default name, taken only when it passes the slot's check; otherwise the
// default base joined with the default name, then the base alone, when they
// pass. Does nothing when the table is absent.
void fill(const path_fill_settings& settings);

}  // namespace product_paths
}  // namespace krv::os
