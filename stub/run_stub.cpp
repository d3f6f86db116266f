#include "stub/run_stub.h"

#include <windows.h>

#include <exception>
#include <memory>

#include "handoff/installer_launch.h"
#include "handoff/temp_workspace.h"
#include "log/describe_exception.h"
#include "log/ilogger.h"
#include "log/log_module.h"
#include "log/write_log.h"
#include "product/brand.h"
#include "product/brand_names.h"
#include "product/installed_product.h"
#include "product/product_folders.h"
#include "product/setup_state.h"
#include "progress/progress_animator.h"
#include "progress/progress_callback.h"
#include "progress/sfx_progress.h"
#include "runtime/path_join.h"
#include "runtime/runtime_layers.h"
#include "runtime/wide_format.h"
#include "sfxarc/sfx_arc.h"
#include "stub/command_line.h"
#include "stub/load_library_filters.h"
#include "stub/own_executable_path.h"
#include "stub/progress_title.h"
#include "stub/stub_log.h"

namespace krv::stub {
namespace {

constexpr ResultCode kProductMissing = 0xA003;
// Builds below this one cannot take an update package.
constexpr uint32_t kLastTooOldSetupVersion = 1995;
constexpr int64_t kLogFileMaxSize = 0x400000;

// Every user-visible failure is one modal error box, unless /silent.
class ErrorBoxes {
 public:
  explicit ErrorBoxes(bool silent) : silent_(silent) {}
  void Show(HWND owner, const std::wstring& text, const std::wstring& title) const {
    if (!silent_) MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
  }

 private:
  bool silent_;
};

// Each prefix of the folder that ends at a separator, then the whole folder;
// failures are ignored (the log then simply does not open).
void CreateFolderWithParents(const std::wstring& folder) {
  for (size_t i = 1; i < folder.size(); ++i)
    if (folder[i] == L'\\' || folder[i] == L'/') CreateDirectoryW(folder.substr(0, i).c_str(), nullptr);
  CreateDirectoryW(folder.c_str(), nullptr);
}

void OpenLogFile(branding::Brand brand) {
  const branding::BrandInfo record = branding::MakeBrandRecord(static_cast<uint32_t>(brand));
  std::wstring log_path = JoinPath(product::PersistentDataFolderOf(record), L"Logs\\Update.log");
  size_t last = log_path.rfind(L'\\');
  if (last != std::wstring::npos) CreateFolderWithParents(log_path.substr(0, last));
  if (std::shared_ptr<log::ILogger> logger = log::get_default_logger()) {
    // Lines logged so far wait in the logger's queue and reach the file with
    // the next line; a file that cannot be opened leaves the run without one.
    logger->open_file(log_path.c_str(), kLogFileMaxSize, log::kDebug);
    logger->set_flush_level(log::kError);
  }
}

// The brand the loaded archive's template names; Orvane when it did not load.
branding::Brand BrandFromArchive(const sfxarc::SfxArc& archive, ResultCode loaded) {
  if (loaded != 0) return branding::Brand::Orvane;
  CommandLine options;
  options.Parse(archive.CommandLineTemplate(), false);
  return options.HasOption(L"is_kestil_product") ? branding::Brand::Kestil : branding::Brand::Orvane;
}

// "pkgrun.exe" counts as present when it can be opened for existence only
// (folders open too, through backup semantics).
bool SetupExecutablePresent(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

// Without a workspace of its own the run must not extract at all: the
// entries' relative names would land in the current folder.
ResultCode ExtractIntoWorkspace(sfxarc::SfxArc& archive, const std::wstring& folder,
                                progress::ProgressCallback* callback) {
  if (folder.empty()) return ERROR_PATH_NOT_FOUND;
  return archive.ExtractAllFiles(folder, callback);
}

// The steps from locating the product to running the installer/updater; the
// caller removes the workspace afterwards. `archive` was loaded once already
// with the result `loaded`; a failed one is replaced by a fresh object.
ResultCode RunUpdate(const std::wstring& tail, bool silent, std::unique_ptr<sfxarc::SfxArc>& archive,
                     ResultCode loaded, std::wstring& temp_folder) {
  const ErrorBoxes boxes(silent);
  const std::wstring& name = branding::ProductDisplayName();

  product::InstalledProduct installed;
  if (!product::LocateInstalledProduct(&installed)) {
    boxes.Show(nullptr,
               format_wide(L"%ls was not detected to be installed on this machine. This installer cannot continue.",
                      name.c_str()),
               format_wide(L"%ls not detected", name.c_str()));
    log::write_log(log::kError, kKaldor, L"%ls is not installed. Stub cannot continue.", name.c_str());
    return kProductMissing;
  }

  const std::wstring setup_exe = JoinPath(installed.SetupFolder, L"pkgrun.exe");
  const uint32_t setup_version = installed.SetupVersion;
  if (!SetupExecutablePresent(setup_exe) ||
      (setup_version != product::kSetupVersionAbsent && setup_version <= kLastTooOldSetupVersion)) {
    boxes.Show(nullptr,
               format_wide(L"This installer cannot continue because installed %ls is too old. Program version must be "
                      L"greater than %u.",
                      name.c_str(), kLastTooOldSetupVersion),
               L"Old program version");
    log::write_log(log::kError, kKaldor, L"%ls setup '%ls' was not found. Stub cannot continue.", name.c_str(),
                   setup_exe.c_str());
    return kProductMissing;
  }

  auto environment = std::make_unique<product::ProductEnvironment>();
  product::CollectProductEnvironment(environment.get());

  auto animator = std::make_unique<progress::ProgressAnimator>(
      MakeProgressTitle(true, GetUserDefaultLangID(), environment->Edition));
  progress::SfxProgress registry_progress;
  auto callback = std::make_unique<progress::ProgressCallback>();
  callback->AddListener(&registry_progress);
  callback->AddListener(animator.get());
  // The window makes itself ready (its frames take a while under load) while
  // the workspace is made and the entries are written: extraction reports
  // to it through the chain whether it is up yet or not, and a close that
  // comes before it is up keeps it from showing at all. Only a message box
  // waits for it, to have it as owner.
  if (!silent && !animator->HasWindowThread()) animator->StartWindowThread(false);
  const auto box_owner = [&animator] {
    animator->WaitForWindow();
    return animator->Window();
  };

  temp_folder = handoff::CreateTempWorkspace();

  // The archive that gave the brand is extracted as it is: its file has been
  // held open against writers since its signature was checked, so a second
  // load (a second hash of the whole file) would prove nothing new. Only a
  // load that failed is tried once more, with a fresh object (a failed one
  // cannot load again).
  ResultCode result = 0;
  if (loaded != 0) {
    archive = std::make_unique<sfxarc::SfxArc>();
    result = archive->Load(OwnExecutablePath());
  }
  if (result != 0) {
    boxes.Show(box_owner(), L"Cannot open SFX archive. Installer cannot continue.", L"Stub error");
    log::write_log(log::kError, kKaldor, L"Cannot open SFX archive (code 0x%x)", result);
  } else if ((result = ExtractIntoWorkspace(*archive, temp_folder, callback.get())) != 0) {
    boxes.Show(box_owner(), L"Cannot extract VPX files. Installer cannot continue.", L"Stub error");
    log::write_log(log::kError, kKaldor, L"Cannot extract VPX files to '%ls' (code 0x%x)", temp_folder.c_str(),
                   result);
  } else {
    std::wstring installer_args = archive->CommandLineTemplate();
    handoff::ReplaceAll(installer_args, L"%TMPPATH%", temp_folder);
    if (!tail.empty()) installer_args += L" " + tail;
    log::write_log(log::kInfo, kKaldor, L"Starting installer/updater executable '%ls'", setup_exe.c_str());
    uint32_t exit_code = 0;
    // Silent runs do not wait for the installer/updater's window.
    result = handoff::RunInstaller(setup_exe, installer_args, &exit_code, silent ? nullptr : animator.get());
    if (result != 0) {
      boxes.Show(box_owner(), L"Cannot run installer/updater executable.", L"Installer error");
      log::write_log(log::kError, kKaldor, L"Cannot run installer/updater executable '%ls' (code 0x%x)",
                     setup_exe.c_str(), result);
    } else {
      result = exit_code;
      log::write_log(log::kInfo, kKaldor,
                     L"Installer/updater executable '%ls' finished (process return code 0x%x)", setup_exe.c_str(),
                     exit_code);
    }
  }

  // The chain goes first (it points at the listeners), then the window.
  callback.reset();
  animator.reset();
  environment.reset();
  return result;
}

// The run up to the installer/updater's end. `temp_folder` receives the
// workspace as soon as it exists and `debug` the option, so that the caller
// removes the workspace also when an exception ends the run.
ResultCode RunGuarded(const std::wstring& tail, std::unique_ptr<sfxarc::SfxArc>& archive, std::wstring& temp_folder,
                      bool& debug) {
  runtime::AttachRuntimeLayers();
  InstallLoadLibraryFilters();
  log::write_log(log::kInfo, kKaldor, L"Entering Orvane VPS SFX stub guarded code section.");

  // The archive loaded here is the one extracted (its file stays open
  // until the workspace has been removed). The log's folder follows from the
  // archive's brand alone, so the log opens, and the run's end is logged,
  // even when the brand cannot be stored for the process.
  archive = std::make_unique<sfxarc::SfxArc>();
  const ResultCode loaded = archive->Load(OwnExecutablePath());
  const branding::Brand brand = BrandFromArchive(*archive, loaded);
  OpenLogFile(brand);
  branding::SetBrand(brand);

  CommandLine options;
  options.Parse(GetCommandLineW(), true);
  const bool silent = options.HasOption(L"silent");
  debug = options.HasOption(L"debug");
  log::write_log(log::kInfo, kKaldor, L"Running VPS SFX '%ls'", OwnExecutablePath());
  return RunUpdate(tail, silent, archive, loaded, temp_folder);
}

// Logs an exception that reached the flow's edge.
void LogEscapedException(const char* where) {
  std::string what = "an exception of unknown type";
  try {
    throw;
  } catch (const std::exception& e) {
    what = log::describe_exception(e);
  } catch (...) {
  }
  log::write_log(log::kError, kKaldor, L"Unexpected exception %hs: %hs (code 0x%x)", where, what.c_str(),
                 kInternalError);
}

}  // namespace

ResultCode RunStub(const std::wstring& tail) noexcept {
  // The archive file stays open until the workspace has been removed.
  std::unique_ptr<sfxarc::SfxArc> archive;
  std::wstring temp_folder;
  bool debug = false;
  ResultCode result;
  // The flow reports failures as codes; an exception from the layers below
  // (the brand's process-local storage, memory) ends the run here with a
  // code of its own, still removing the workspace and logging the end.
  try {
    result = RunGuarded(tail, archive, temp_folder, debug);
  } catch (...) {
    LogEscapedException("in the update");
    result = kInternalError;
  }
  try {
    handoff::DeleteDirectoryTree(temp_folder, L"*.*", debug);
  } catch (...) {
    LogEscapedException("while removing the workspace");
    result = kInternalError;
  }
  try {
    runtime::DetachRuntimeLayers();
  } catch (...) {
    LogEscapedException("while detaching the runtime layers");
  }
  log::write_log(log::kInfo, kKaldor, L"Leaving Orvane SFX stub guarded code section (return code 0x%x)", result);
  return result;
}

}  // namespace krv::stub
