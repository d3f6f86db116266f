#pragma once
// Small helpers of the hand-off tests under Wine: a scratch folder of the
// test's own, files in it, and an environment variable set for a while.

#include <windows.h>

#include <optional>
#include <string>

namespace krv::handoff::testing {

// A new folder below the process's temporary folder, named after the process
// and the moment, removed with everything in it (read-only files too) when
// the object goes.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder's path, without a trailing backslash.
  const std::wstring& path() const { return path_; }
  // path() + "\" + relative.
  std::wstring operator/(const std::wstring& relative) const { return path_ + L'\\' + relative; }

 private:
  std::wstring path_;
};

// Removes `path` and everything below it, clearing attributes first; a
// missing path is fine.
void RemoveTree(const std::wstring& path);

// Writes `content` to `path`, replacing it. True on success.
bool WriteTextFile(const std::wstring& path, const std::string& content);
// The whole file, or nullopt when it cannot be read.
std::optional<std::string> ReadTextFile(const std::wstring& path);

bool Exists(const std::wstring& path);

// Sets (or, with nullopt, removes) an environment variable of this process
// and puts the old state back when it goes.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const wchar_t* name, const std::optional<std::wstring>& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::wstring name_;
  std::optional<std::wstring> previous_;
};

// A host path ("/work/x") as Wine names it ("Z:\work\x").
std::wstring WindowsPathOfHost(const std::string& host_path);

// Whether this process runs under Wine.
bool RunsUnderWine();

// Makes `link` a Unix symbolic link to `target` (both Windows paths; the
// target's folder must exist), from the host side: Wine 8 makes no links
// through CreateSymbolicLinkW. False when not under Wine or nothing was made.
bool MakeHostSymlink(const std::wstring& target, const std::wstring& link);

// Removes `link` from the host side without touching what it points to
// (Wine's own calls act on the target). False when not under Wine.
bool RemoveHostSymlink(const std::wstring& link);

}  // namespace krv::handoff::testing
