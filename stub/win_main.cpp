// The GUI entry point: brackets the run with the start and end lines.
#include <windows.h>

#include "log/write_log.h"
#include "stub/run_stub.h"
#include "stub/stub_log.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR tail, int) {
  using krv::log::kInfo;
  using krv::stub::kKaldor;
  SYSTEMTIME t;
  GetSystemTime(&t);
  krv::log::write_log(kInfo, kKaldor, L"--");
  krv::log::write_log(kInfo, kKaldor, L"%04hu/%02hu/%02hu %02hu:%02hu:%02huSTART: Orvane SFX stub executable", t.wYear,
                      t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  const krv::ResultCode result = krv::stub::RunStub(tail ? tail : L"");
  GetSystemTime(&t);
  krv::log::write_log(kInfo, kKaldor,
                      L"%04hu/%02hu/%02hu %02hu:%02hu:%02hu END: Orvane SFX stub executable, return code %d (0x%08lx)",
                      t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, static_cast<int>(result),
                      static_cast<unsigned long>(result));
  krv::log::write_log(kInfo, kKaldor, L"--");
  return static_cast<int>(result);
}
