#pragma once
// Removal of one file or folder, at once or at the next restart.

#include <cstdint>
#include <string>

namespace krv::handoff {

// Removes the file or folder `path` unless it is a shared file. Returns 0
// when there was nothing to remove, when the path is a shared file (a nonzero
// count in the system's shared-file list; such a file is kept, with a warning
// in the log), or when the removal succeeded or found the path gone;
// otherwise the system error of the removal. `defer_to_reboot` marks the path
// for deletion at the next restart instead of deleting it now (see
// OpOnReboot).
uint32_t RemoveFileOrDefer(const std::wstring& path, bool defer_to_reboot);

// Performs the removal of `path` and logs its outcome (category "filehlp").
// With `defer_to_reboot`: clears the read-only attribute (keeping hidden,
// system, archive, temporary, offline and not-content-indexed) and asks the
// system to delete the path at the next restart. Without it: deletes the file
// (or removes the empty folder) now, in up to 10 attempts with a pause of
// 200 ms after each failed one, clearing the file's attributes before each
// attempt, so read-only files go too. Returns 0 on success; 2 when the path
// does not exist; otherwise the system error of the last failed call (the
// error of the existence check when the path vanished between attempts).
uint32_t OpOnReboot(const std::wstring& path, bool defer_to_reboot);

// The pause between deletion attempts, in milliseconds (the system's Sleep by
// default).
using RemovalSleep = void (*)(uint32_t milliseconds);

// Replaces the pause for its lifetime (tests count the pauses instead of
// waiting); the previous one comes back when it goes. Not thread-safe: make
// and destroy it while no removal runs.
class ScopedRemovalSleep {
 public:
  explicit ScopedRemovalSleep(RemovalSleep sleep);
  ~ScopedRemovalSleep();
  ScopedRemovalSleep(const ScopedRemovalSleep&) = delete;
  ScopedRemovalSleep& operator=(const ScopedRemovalSleep&) = delete;

 private:
  RemovalSleep previous_;
};

}  // namespace krv::handoff
