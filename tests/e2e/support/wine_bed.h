#pragma once
// The end-to-end tests' view of the Wine prefix: running Windows programs
// with their full exit code, seeding the registry, message boxes and files.

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace krv::e2e {

enum class RegView { k32, k64 };

struct ProgramResult {
  bool finished = false;   // false: killed at the time-out
  uint32_t exit_code = 0;  // the full 32-bit code, read by the launcher
  std::string output;      // what the launcher and the program printed
};

struct MessageBoxSeen {
  std::string title, text, owner_class, owner_title;
};

class WineBed {
 public:
  // The prefix named by WINEPREFIX (the test scripts set it).
  WineBed();

  const std::string& prefix() const { return prefix_; }
  // A Windows path ("C:\a\b") as a path of this host.
  std::string HostPath(const std::string& windows_path) const;
  // A Windows program built by the x86_64 Windows build, by file name.
  std::string WindowsProgram(const std::string& name) const;
  // A file made by the i686 build (the shipped stub's), by its path in that
  // build.
  std::string ShippedBuildFile(const std::string& name) const;
  // The shipped 32-bit stub built by the i686 build.
  std::string ShippedStub() const;
  // True when this host runs 32-bit programs through qemu-i386 (binfmt_misc)
  // rather than natively.
  static bool Emulates32Bit();

  // `wine reg add` of one value in the given view; true on success.
  bool RegAdd(RegView view, const std::string& key, const std::string& name, const std::string& type,
              const std::string& data) const;
  bool RegDeleteKey(RegView view, const std::string& key) const;
  // `wine reg query` output of one value, empty when absent.
  std::string RegQuery(RegView view, const std::string& key, const std::string& name) const;

  // Starts `program` (a host path to a Windows executable) with Windows
  // command-line arguments through the exit-code launcher.
  class Running {
   public:
    ~Running();
    Running(Running&&) noexcept;
    // Waits for the end; kills the launcher at the time-out.
    ProgramResult Wait(std::chrono::seconds timeout);

   private:
    friend class WineBed;
    Running(int pid, std::string output_file);
    int pid_;
    std::string output_file_;
  };
  Running Start(const std::string& program, const std::vector<std::string>& args,
                const std::map<std::string, std::string>& env = {}) const;
  ProgramResult Run(const std::string& program, const std::vector<std::string>& args,
                    std::chrono::seconds timeout = std::chrono::seconds(60)) const;

  // Waits for a message box, reads it and presses OK.
  std::optional<MessageBoxSeen> DismissMessageBox(std::chrono::milliseconds timeout) const;

 private:
  std::string prefix_;
};

std::string ReadHostFile(const std::string& path);

// A host path as Wine sees it through its Z: drive ("Z:\work\..."); a path
// that is not absolute is returned as it is.
std::string WindowsPathOf(const std::string& host_path);

}  // namespace krv::e2e
