// The progress window on its own thread: where and how it shows, Esc as a
// cancellation request, closing (and terminating a thread that does not
// end), silent runs, still images, and runs that cannot have a window.
#include <gtest/gtest.h>

#include "progress/image_from_stream.h"
#include "progress/progress_animator.h"
#include "progress/progress_callback.h"
#include "progress/progress_window.h"
#include "runtime/scoped_handle.h"
#include "tests/progress/animation_test_support.h"

namespace krv::progress {
namespace {

using testing::CloseBlocker;
using testing::StopFrameTimer;
using testing::TestModule;

constexpr wchar_t kTitle[] = L"Orvane Total Security";

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  const int n = GetWindowTextW(window, text, 256);
  return std::wstring(text, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  const int n = GetClassNameW(window, name, 256);
  return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

// The window's thread, kept open to read its exit code after it ends.
os::scoped_handle ThreadOf(HWND window) {
  return os::scoped_handle(
      OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, GetWindowThreadProcessId(window, nullptr)));
}

DWORD ExitCodeOf(const os::scoped_handle& thread) {
  DWORD code = STILL_ACTIVE;
  GetExitCodeThread(thread.get(), &code);
  return code;
}

// Where a window of the given size sits in the middle of the screen
// ((760, 406) for the stored animation on 1920 x 1080).
RECT CentredRect(int width, int height) {
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  return RECT{x, y, x + width, y + height};
}

void ExpectRect(HWND window, const RECT& expected) {
  RECT actual = {};
  ASSERT_TRUE(GetWindowRect(window, &actual));
  EXPECT_EQ(actual.left, expected.left);
  EXPECT_EQ(actual.top, expected.top);
  EXPECT_EQ(actual.right, expected.right);
  EXPECT_EQ(actual.bottom, expected.bottom);
}

TEST(ProgressWindow, PlaysTheAnimationBorderlessInTheMiddleOfTheScreenUntilClosed) {
  ProgressAnimator animator(kTitle);
  animator.StartWindowThread();
  ASSERT_TRUE(animator.HasWindowThread());
  const HWND window = animator.Window();
  ASSERT_NE(window, nullptr);
  EXPECT_NE(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());

  ExpectRect(window, CentredRect(400, 267));
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_TRUE(style & WS_VISIBLE);
  EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER));
  EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & (WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE), 0);
  EXPECT_EQ(ClassOf(window), kProgressWindowClass);
  EXPECT_EQ(TextOf(window), kTitle);
  EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);

  const os::scoped_handle thread = ThreadOf(window);
  ASSERT_TRUE(thread.valid());
  animator.CloseWindow();
  EXPECT_FALSE(animator.HasWindowThread());
  EXPECT_EQ(animator.Window(), nullptr);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(ExitCodeOf(thread), 0u);
  ASSERT_NE(animator.Animation(), nullptr);
  EXPECT_EQ(animator.Animation()->PreparedFrameCount(), 74u);
  // Closing twice is harmless: there is no thread any more.
  animator.CloseWindow();
}

TEST(ProgressWindow, RunsItsFrameTimer) {
  ProgressAnimator animator(kTitle);
  animator.StartWindowThread();
  ASSERT_NE(animator.Window(), nullptr);
  EXPECT_TRUE(StopFrameTimer(animator.Window()));
}

TEST(ProgressWindow, EscRequestsCancellationOnceAtTheNextReport) {
  ProgressAnimator animator(kTitle);
  animator.StartWindowThread();
  const HWND window = animator.Window();
  ASSERT_NE(window, nullptr);

  ProgressCallback first;
  first.AddListener(&animator);
  first.SetOverallTotal(4);
  // Sent, so the window has handled each key when the call returns.
  SendMessageW(window, WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_FALSE(first.SetOverallDone(1));
  SendMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
  SendMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_TRUE(first.SetOverallDone(2));
  EXPECT_EQ(animator.LastOverallPercent(), 50);

  // Two presses before a report are one request: a later chain sees none.
  ProgressCallback second;
  second.AddListener(&animator);
  second.SetOverallTotal(4);
  EXPECT_FALSE(second.SetOverallDone(3));
  EXPECT_EQ(animator.LastOverallPercent(), 75);
}

TEST(ProgressWindow, SilentRunsListenWithoutAWindowThread) {
  ProgressAnimator animator(kTitle);
  ASSERT_NE(animator.Animation(), nullptr);
  EXPECT_TRUE(animator.Animation()->Loaded());
  EXPECT_EQ(animator.LastOverallPercent(), -1);

  ProgressCallback callback;
  callback.AddListener(&animator);
  callback.SetOverallTotal(4);
  EXPECT_FALSE(callback.SetOverallDone(1));
  EXPECT_EQ(animator.LastOverallPercent(), 25);

  EXPECT_FALSE(animator.HasWindowThread());
  EXPECT_EQ(animator.Window(), nullptr);
  EXPECT_EQ(FindWindowW(kProgressWindowClass, nullptr), nullptr);
  animator.CloseWindow();
  EXPECT_FALSE(animator.HasWindowThread());
}

TEST(ProgressWindow, AThreadThatDoesNotEndAfterCloseIsTerminatedWithExitCode1) {
  AnimatorSetup setup;
  setup.close_timeout_ms = 200;
  ProgressAnimator animator(kTitle, setup);
  animator.StartWindowThread();
  const HWND window = animator.Window();
  ASSERT_NE(window, nullptr);
  const os::scoped_handle thread = ThreadOf(window);
  CloseBlocker blocker(window);

  animator.CloseWindow();
  EXPECT_FALSE(animator.HasWindowThread());
  EXPECT_EQ(animator.Window(), nullptr);
  EXPECT_EQ(WaitForSingleObject(thread.get(), 0), WAIT_OBJECT_0);
  EXPECT_EQ(ExitCodeOf(thread), 1u);
  // The ended thread took its window along but could not unregister the class.
  EXPECT_TRUE(UnregisterClassW(kProgressWindowClass, GetModuleHandleW(nullptr)));
}

// Signalled when the window thread is held in WM_CREATE.
HANDLE g_in_create = nullptr;

// Holds WM_CREATE, as a slow preparation of the frames would, until a
// WM_CLOSE waits in the window thread's queue (at most 3 s).
void HoldCreationUntilClosePosted() {
  SetEvent(g_in_create);
  const ULONGLONG deadline = GetTickCount64() + 3000;
  MSG message;
  while (!PeekMessageW(&message, nullptr, WM_CLOSE, WM_CLOSE, PM_NOREMOVE)) {
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_POSTMESSAGE);
  }
}

// The flow does not wait for the window, so a close can come while WM_CREATE
// still prepares the frames: the window is already published, the
// preparation stops before its next frame and the window is never shown;
// the thread ends by itself instead of being terminated mid-drawing, and
// without drawing the frames nobody will see.
TEST(ProgressWindow, ACloseRequestedWhileTheWindowIsBeingMadeStopsItsPreparationAndEndsTheThread) {
  const os::scoped_handle in_create(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  g_in_create = in_create.get();
  AnimatorSetup setup;
  setup.ready_timeout_ms = 0;
  // Preparing the frames takes seconds on a loaded machine; the thread ends
  // right after it once the close is posted, and never without the post.
  setup.close_timeout_ms = 60000;
  setup.before_frames = HoldCreationUntilClosePosted;
  ProgressAnimator animator(kTitle, setup);
  animator.StartWindowThread();
  ASSERT_EQ(WaitForSingleObject(in_create.get(), 10000), WAIT_OBJECT_0);
  const HWND window = animator.Window();
  ASSERT_NE(window, nullptr) << "the window is published before WM_CREATE";
  const os::scoped_handle thread = ThreadOf(window);

  animator.CloseWindow();
  EXPECT_FALSE(animator.HasWindowThread());
  EXPECT_EQ(WaitForSingleObject(thread.get(), 0), WAIT_OBJECT_0);
  EXPECT_EQ(ExitCodeOf(thread), 0u) << "ended by itself, not terminated";
  EXPECT_FALSE(IsWindow(window));
  ASSERT_NE(animator.Animation(), nullptr);
  EXPECT_EQ(animator.Animation()->PreparedFrameCount(), 0u) << "no frame drawn after the close";
  g_in_create = nullptr;
}

// Set by the test to let a held WM_CREATE go on.
HANDLE g_release_create = nullptr;

void HoldCreationUntilReleased() {
  SetEvent(g_in_create);
  WaitForSingleObject(g_release_create, 30000);
}

// The flow starts the window without waiting for it and waits only where it
// needs it (a message box's owner): the window is then whole and shown.
TEST(ProgressWindow, StartsWithoutWaitingAndIsWaitedForOnRequest) {
  const os::scoped_handle in_create(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const os::scoped_handle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  g_in_create = in_create.get();
  g_release_create = release.get();
  AnimatorSetup setup;
  setup.ready_timeout_ms = 60000;
  setup.before_frames = HoldCreationUntilReleased;
  ProgressAnimator animator(kTitle, setup);
  animator.StartWindowThread(false);
  ASSERT_TRUE(animator.HasWindowThread());
  ASSERT_EQ(WaitForSingleObject(in_create.get(), 10000), WAIT_OBJECT_0) << "the start did not wait for the window";
  const HWND window = animator.Window();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowVisible(window));

  SetEvent(release.get());
  animator.WaitForWindow();
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(TextOf(window), kTitle);
  animator.CloseWindow();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(animator.Animation()->PreparedFrameCount(), 74u);
  g_in_create = nullptr;
  g_release_create = nullptr;
}

TEST(ProgressWindow, ARunWhoseWindowClassCannotBeRegisteredGoesOnAtOnce) {
  // The class exists already, so the window thread cannot register it.
  WNDCLASSEXW taken = {};
  taken.cbSize = sizeof taken;
  taken.lpfnWndProc = DefWindowProcW;
  taken.hInstance = GetModuleHandleW(nullptr);
  taken.lpszClassName = kProgressWindowClass;
  ASSERT_TRUE(RegisterClassExW(&taken));

  ProgressAnimator animator(kTitle);
  const ULONGLONG start = GetTickCount64();
  animator.StartWindowThread();
  EXPECT_LT(GetTickCount64() - start, 2000u);
  EXPECT_EQ(animator.Window(), nullptr);
  ProgressCallback callback;
  callback.AddListener(&animator);
  EXPECT_FALSE(callback.SetOverallDone(100));
  animator.CloseWindow();
  EXPECT_FALSE(animator.HasWindowThread());
  UnregisterClassW(kProgressWindowClass, GetModuleHandleW(nullptr));
}

struct StillCase {
  const char* name;
  const wchar_t* module;
  size_t frames;
};

class StillImage : public ::testing::TestWithParam<StillCase> {};

TEST_P(StillImage, IsShownWithoutATimer) {
  TestModule module(GetParam().module);
  ASSERT_TRUE(module.get());
  AnimatorSetup setup;
  setup.module = module.get();
  ProgressAnimator animator(kTitle, setup);
  animator.StartWindowThread();
  const HWND window = animator.Window();
  ASSERT_NE(window, nullptr);
  ExpectRect(window, CentredRect(200, 100));
  EXPECT_FALSE(StopFrameTimer(window));
  animator.CloseWindow();
  ASSERT_NE(animator.Animation(), nullptr);
  EXPECT_EQ(animator.Animation()->PreparedFrameCount(), GetParam().frames);
}

INSTANTIATE_TEST_SUITE_P(Images, StillImage,
                         ::testing::Values(StillCase{"OneFrame", L"still", 1}, StillCase{"NoDelays", L"no_delays", 3}),
                         [](const ::testing::TestParamInfo<StillCase>& info) { return info.param.name; });

struct NoAnimationCase {
  const char* name;
  const wchar_t* module;
};

class NoAnimation : public ::testing::TestWithParam<NoAnimationCase> {};

// Without an animation there is nothing to show: no thread, no wait.
TEST_P(NoAnimation, StartsNoWindowThread) {
  TestModule module(GetParam().module);
  ASSERT_TRUE(module.get());
  AnimatorSetup setup;
  setup.module = module.get();
  ProgressAnimator animator(kTitle, setup);
  EXPECT_EQ(animator.Animation(), nullptr);
  animator.StartWindowThread();
  EXPECT_FALSE(animator.HasWindowThread());
  EXPECT_EQ(animator.Window(), nullptr);
  ProgressCallback callback;
  callback.AddListener(&animator);
  EXPECT_FALSE(callback.SetOverallDone(100));
  EXPECT_EQ(animator.LastOverallPercent(), 100);
}

INSTANTIATE_TEST_SUITE_P(Modules, NoAnimation,
                         ::testing::Values(NoAnimationCase{"NotAnImage", L"not_an_image"},
                                           NoAnimationCase{"NoResource", L"kernel32.dll"}),
                         [](const ::testing::TestParamInfo<NoAnimationCase>& info) { return info.param.name; });

}  // namespace
}  // namespace krv::progress
