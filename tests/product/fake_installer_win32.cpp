// A stand-in for the product's installer/updater in the setup-state tests:
// run without arguments, it writes the setup file beside itself, as the real
// one does on its first run, and exits with 7.
#include <windows.h>

#include <string>

int wmain() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring setup(path);
  setup = setup.substr(0, setup.rfind(L'\\')) + L"\\setup.ini";
  HANDLE file = CreateFileW(setup.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const char text[] = "[Common]\r\nEdition=15\r\n";
  DWORD written = 0;
  WriteFile(file, text, sizeof(text) - 1, &written, nullptr);
  CloseHandle(file);
  return 7;
}
