#pragma once
// The installed product's setup state: locating it (State), the snapshot the
// main flow takes of it (ProductEnvironment) and the installer run that makes
// a missing setup file. Windows code; main thread. Nothing here writes a file
// or a registry value.

#include <cstdint>
#include <string>

#include "product/setup_data.h"

namespace krv::product {

// The installer's state class, of which this program uses the reading side.
class State {
 public:
  State() { ResetSetupData(&setup); }
  virtual ~State() = default;

  std::wstring program_folder;
  std::wstring data_folder;
  std::wstring setup_folder;
  std::wstring browser_program_folder;
  std::wstring installer_library;         // setup folder + "Pkgrun.dll"
  std::wstring new_installer_library;     // newer-installer folder + "Pkgrun.dll"
  std::wstring installer_executable;      // setup folder + "pkgrun.exe"
  std::wstring new_installer_executable;  // newer-installer folder + "pkgrun.exe"
  SetupData setup;
};

// Locates the product (LocateInstalledProduct), fills the paths and loads
// "setup.ini"; when it cannot be read, runs the installer once without
// arguments and loads again. False when the product is missing, the
// installer cannot be started or the file is still unreadable.
bool LocateSetupState(State* state);

// Starts `command_line` suspended (no application name, no inherited
// handles), lets it take the foreground, resumes it and waits for it without
// a time limit. True with its exit code in `exit_code`; false, with the
// system's error as last error, when it cannot be started, resumed (it is
// then terminated) or waited for.
bool RunInstallerAndWait(const std::wstring& command_line, uint32_t* exit_code);

struct ProductEnvironment {
  std::wstring program_folder, setup_folder, data_folder, browser_program_folder;
  // The product's definitions: program folder, "defs", then the latest
  // definitions' name (or the "vps" part's version as eight hex digits).
  std::wstring definitions_folder;
  std::wstring persistent_data_folder;
  std::wstring browser_data_folder;
  std::wstring servers_file;
  bool internal_servers = false;
  std::wstring installation_guid, persisted_guid;
  std::wstring BuildId, Cookie, Psh, Gclid, GaCid;
  // The product's edition identifier; -1 when it cannot be read.
  int32_t Edition = -1;
  std::wstring SubEdition;
  bool Debug = false;
  bool delayed_installation_needed = false;
  NameSet delayed_components;
  int32_t PushPin = 0;
  std::wstring LastPgmUrl, LastVpsUrl, Mid;
  // The product's hardware identification is not part of this program, so
  // the machine identifier stays empty.
  std::wstring machine_identifier;
  bool reboot_pending = false;
  bool scanner_reboot_pending = false;
  bool firewall_reboot_pending = false;
};

// Fills `env` (cleared first) from the product's setup state and status
// files. True when the product was found and its setup file read; otherwise
// `Edition` stays -1. An error of the brand-derived folders makes the result
// false without stopping the collection.
bool CollectProductEnvironment(ProductEnvironment* env);

}  // namespace krv::product
