#include <windows.h>

#include <cwchar>

#include "product/installed_product.h"
#include "product/product_folders.h"
#include "product/setup_state.h"
#include "runtime/child_process_win32.h"
#include "runtime/exceptions.h"
#include "runtime/path_combine.h"
#include "runtime/scoped_handle.h"

namespace krv::product {
namespace {

bool IsFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// program folder\defs\<latest definitions>, or the "vps" part's version.
std::wstring DefinitionsFolder(const State& state) {
  const std::wstring defs = os::combine_path(state.program_folder, L"defs");
  std::wstring latest = ReadString(os::combine_path(defs, L"krvdefs.ini"), L"Definitions", L"Latest", L"");
  if (latest.empty()) {
    PartInfo vps;
    wchar_t hex[9];
    std::swprintf(hex, 9, L"%08X", state.setup.FindCurrentPart(L"vps", &vps) ? vps.version : 0xFFFFFFFFu);
    latest = hex;
  }
  return os::combine_path(defs, latest);
}

}  // namespace

bool RunInstallerAndWait(const std::wstring& command_line, uint32_t* exit_code) {
  std::wstring writable = command_line;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | NORMAL_PRIORITY_CLASS,
                      nullptr, nullptr, &startup, &process))
    return false;
  os::scoped_handle process_handle(process.hProcess);
  os::scoped_handle thread_handle(process.hThread);
  AllowSetForegroundWindow(process.dwProcessId);
  uint32_t code = 0;
  uint32_t error = os::resume_or_terminate(process.hProcess, process.hThread);
  if (error == 0) error = os::wait_for_exit(process.hProcess, &code);
  if (error != 0) {
    SetLastError(error);
    return false;
  }
  if (exit_code != nullptr) *exit_code = code;
  return true;
}

bool LocateSetupState(State* state) {
  InstalledProduct installed;
  if (!LocateInstalledProduct(&installed)) return false;
  state->program_folder = installed.ProgramFolder;
  state->data_folder = installed.DataFolder;
  state->setup_folder = installed.SetupFolder;
  state->browser_program_folder = installed.VLBProgramFolder;
  state->installer_library = os::combine_path(state->setup_folder, L"Pkgrun.dll");
  state->installer_executable = os::combine_path(state->setup_folder, L"pkgrun.exe");
  state->setup.SetUp(state->setup_folder);
  if (!state->setup.Load()) {
    uint32_t exit_code = 0;
    if (!RunInstallerAndWait(L"\"" + state->installer_executable + L"\"", &exit_code) || !state->setup.Load())
      return false;
  }
  const std::wstring newer = os::combine_path(state->setup_folder, state->setup.NewDirectoryName);
  state->new_installer_executable = os::combine_path(newer, L"pkgrun.exe");
  state->new_installer_library = os::combine_path(newer, L"Pkgrun.dll");
  return true;
}

bool CollectProductEnvironment(ProductEnvironment* env) {
  *env = ProductEnvironment();
  State state;
  bool result = LocateSetupState(&state);
  try {
    env->data_folder = GetProductDataFolder();
    env->persistent_data_folder = GetPersistentDataFolder();
    env->browser_data_folder = GetBrowserDataFolder();
  } catch (const exceptions::error&) {
    result = false;
  }
  env->persisted_guid = state.setup.persisted_guid;
  env->reboot_pending = IsFile(os::combine_path(env->persistent_data_folder, L"Reboot.txt"));
  if (!result) return false;

  env->program_folder = state.program_folder;
  env->setup_folder = state.setup_folder;
  env->data_folder = state.data_folder;
  env->browser_program_folder = state.browser_program_folder;
  env->servers_file = os::combine_path(state.setup_folder, L"servers.def");
  env->internal_servers = ReadString(env->servers_file, L"servers", L"VersionType", L"Release") == L"Internal";
  env->definitions_folder = DefinitionsFolder(state);
  const SetupData& setup = state.setup;
  env->installation_guid = setup.GUID;
  env->BuildId = setup.BuildId;
  env->Cookie = setup.Cookie;
  env->Psh = setup.Psh;
  env->GaCid = setup.GaCid;
  env->Gclid = setup.Gclid;

  SettingsFile stats;
  if (stats.Load(os::combine_path(state.setup_folder, L"Stats.ini"))) {
    env->PushPin = stats.Section(L"State").GetInt(L"PushPin", 0);
    env->LastPgmUrl = stats.Section(L"Urls").GetString(L"LastPgmUrl", L"");
    env->LastVpsUrl = stats.Section(L"Urls").GetString(L"LastVpsUrl", L"");
    env->Mid = stats.Section(L"Common").GetString(L"Mid", L"");
  }
  env->Edition = setup.Edition;
  env->SubEdition = setup.SubEdition;
  env->reboot_pending = IsFile(os::combine_path(state.setup_folder, L"Reboot.txt"));
  env->scanner_reboot_pending = IsFile(os::combine_path(state.setup_folder, L"SnxReboot.txt"));
  env->firewall_reboot_pending = IsFile(os::combine_path(state.setup_folder, L"FwReboot.txt"));
  env->Debug = setup.Debug;
  env->delayed_installation_needed = setup.delayed_installation_needed;
  env->delayed_components = setup.delayed_components;
  return true;
}

}  // namespace krv::product
