// The executable's entry point. It runs before the C runtime has started, so
// it uses only Win32 calls and the process heap: it refuses processors
// without SSE2, records the executable's own path, points the executable's
// loader entry at a name in the system folder, restricts the library search
// to the system folder and then starts the runtime, which calls wWinMain.
#include <windows.h>

#include <cstddef>

#include "runtime/optional_imports.h"
#include "stub/own_executable_path.h"
#include "stub/processor_features.h"

extern "C" int WinMainCRTStartup(void);

namespace {

constexpr DWORD kIllegalInstruction = 0xC000001D;

struct CountedString {
  USHORT length;          // bytes, without the NUL
  USHORT maximum_length;  // bytes, with the NUL
  wchar_t* buffer;
};

// The loader's module entry as far as its full file name. The system headers
// do not declare it.
struct LoaderEntry {
  LIST_ENTRY in_load_order;
  LIST_ENTRY in_memory_order;
  LIST_ENTRY in_initialization_order;
  void* dll_base;
  void* entry_point;
  ULONG size_of_image;
  CountedString full_dll_name;
};
static_assert(offsetof(LoaderEntry, full_dll_name) == (sizeof(void*) == 4 ? 0x24 : 0x48),
              "loader entry layout");

using EnumerateCallback = void(NTAPI*)(LoaderEntry* entry, void* context, BOOLEAN* stop);
using LdrEnumerateLoadedModulesFn = LONG(NTAPI*)(ULONG flags, EnumerateCallback callback, void* context);

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD directory_flags);
// LOAD_LIBRARY_SEARCH_SYSTEM32, which the headers declare only for newer
// target versions than ours.
constexpr DWORD kSearchSystem32Only = 0x00000800;

constexpr wchar_t kAliasName[] = L"\\b86362a5.exe";
constexpr UINT kAliasChars = 13;
constexpr UINT kMaxSystemFolderChars = 96;
constexpr SIZE_T kAliasBufferBytes = 256;

}  // namespace

namespace krv::stub {

// Loader callback: handles the first entry in load order (the executable).
void NTAPI RecordOwnPathAndRename(LoaderEntry* entry, void*, BOOLEAN* stop) {
  *stop = TRUE;
  RecordOwnExecutablePath(entry->full_dll_name.buffer, entry->full_dll_name.length / sizeof(wchar_t));

  // Whatever asks the loader for our file name from now on gets a name in
  // the system folder; the stub itself reads only OwnExecutablePath.
  auto* alias = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, kAliasBufferBytes));
  if (!alias) return;
  UINT a = GetSystemDirectoryW(alias, kMaxSystemFolderChars + 1);
  if (a == 0 || a > kMaxSystemFolderChars) return;
  for (UINT i = 0; i <= kAliasChars; ++i) alias[a + i] = kAliasName[i];
  entry->full_dll_name.buffer = alias;
  entry->full_dll_name.length = static_cast<USHORT>(a * 2 + 26);
  entry->full_dll_name.maximum_length = static_cast<USHORT>(a * 2 + 28);
}

}  // namespace krv::stub

extern "C" __attribute__((force_align_arg_pointer)) DWORD WINAPI KrvProcessEntry() {
  if (!krv::stub::ProcessorHasSse2()) {
    MessageBoxA(nullptr,
                "We are sorry but KESTIL Antivirus cannot run on your computer because your processor does not "
                "support SSE2 instruction set.",
                "KESTIL Antivirus Installer", MB_OK | MB_ICONERROR);
    return kIllegalInstruction;
  }
  if (HMODULE ntdll = GetModuleHandleW(L"ntdll")) {
    auto enumerate = reinterpret_cast<LdrEnumerateLoadedModulesFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrEnumerateLoadedModules")));
    if (enumerate) enumerate(0, krv::stub::RecordOwnPathAndRename, nullptr);
  }
  // A package runs from a download folder where anyone may have put a
  // library named like a system one. The empty DLL directory takes the
  // current folder out of the search; the default directories then leave
  // only the system folder for every later load by name (the delay-loaded
  // libraries, and what they and GDI+ load in turn), so the package's own
  // folder is never searched. Systems without SetDefaultDllDirectories
  // (Windows 7 before KB2533623) keep the search the empty DLL directory
  // leaves.
  SetDllDirectoryW(L"");
  auto set_default_dll_directories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(krv::os::optional_imports::kernel32_function("SetDefaultDllDirectories")));
  if (set_default_dll_directories) set_default_dll_directories(kSearchSystem32Only);
  // The runtime's start sets up its stack-protection cookie itself, runs the
  // static initialisers and ends the process with wWinMain's result.
  return static_cast<DWORD>(WinMainCRTStartup());
}
