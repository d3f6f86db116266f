// window_show <title> <milliseconds>
// Shows the stub's progress window (the stored animation, the given title)
// for the given time, then closes it; for screenshots under Wine.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "progress/progress_animator.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: window_show <title> <milliseconds>\n", stderr);
    return 2;
  }
  krv::progress::ProgressAnimator animator(argv[1]);
  animator.StartWindowThread();
  if (!animator.Window()) {
    std::fputs("window_show: no progress window\n", stderr);
    return 1;
  }
  Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  animator.CloseWindow();
  return 0;
}
