#include "tests/e2e/support/wine_bed.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace krv::e2e {
namespace {

std::string Env(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? v : fallback;
}

// Runs argv to the end with stdout+stderr into `output_file`; returns the pid.
int Spawn(const std::vector<std::string>& argv, const std::string& output_file,
          const std::map<std::string, std::string>& extra_env) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<std::string> env_strings;
  // The extra variables replace inherited ones of the same name.
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    if (extra_env.count(entry.substr(0, entry.find('='))) == 0) env_strings.push_back(entry);
  }
  for (const auto& [k, v] : extra_env) env_strings.push_back(k + "=" + v);
  std::vector<char*> envp, args;
  for (auto& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> argv_copy = argv;
  for (auto& s : argv_copy) args.push_back(s.data());
  args.push_back(nullptr);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
  return pid;
}

std::string TempFile() {
  char name[] = "/tmp/krv-e2e-XXXXXX";
  int fd = mkstemp(name);
  if (fd < 0) throw std::runtime_error("mkstemp");
  close(fd);
  return name;
}

// Runs a command to the end and returns its output; exit status in `status`.
std::string Capture(const std::vector<std::string>& argv, int* status, std::chrono::seconds timeout) {
  std::string out = TempFile();
  int pid = Spawn(argv, out, {});
  auto deadline = std::chrono::steady_clock::now() + timeout;
  int st = 0;
  while (waitpid(pid, &st, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &st, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  std::string text = ReadHostFile(out);
  unlink(out.c_str());
  return text;
}

std::string WineRun() { return std::string(KRV_SOURCE_DIR) + "/scripts/wine-run"; }

const char* ViewFlag(RegView view) { return view == RegView::k32 ? "/reg:32" : "/reg:64"; }

std::string ValueAfter(const std::string& text, const std::string& key) {
  size_t at = text.find(key + ": ");
  if (at == std::string::npos) return {};
  at += key.size() + 2;
  std::string value = text.substr(at, text.find('\n', at) - at);
  // Wine's console output ends lines with CR LF.
  if (!value.empty() && value.back() == '\r') value.pop_back();
  return value;
}

}  // namespace

// A host path as Wine sees it through its Z: drive.
std::string WindowsPathOf(const std::string& host_path) {
  if (host_path.empty() || host_path[0] != '/') return host_path;
  std::string p = "Z:" + host_path;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

WineBed::WineBed() : prefix_(Env("WINEPREFIX", std::string(KRV_SOURCE_DIR) + "/build/wine/prefix")) {}

std::string WineBed::HostPath(const std::string& windows_path) const {
  std::string p = windows_path;
  if (p.size() >= 2 && p[1] == ':') p = "drive_" + std::string(1, static_cast<char>(std::tolower(p[0]))) + p.substr(2);
  for (char& c : p)
    if (c == '\\') c = '/';
  return prefix_ + "/" + p;
}

std::string WineBed::WindowsProgram(const std::string& name) const {
  return std::string(KRV_WINDOWS64_BIN_DIR) + "/" + name;
}

std::string WineBed::ShippedBuildFile(const std::string& name) const {
  return std::string(KRV_WINDOWS32_BIN_DIR) + "/" + name;
}

std::string WineBed::ShippedStub() const { return ShippedBuildFile("stub/sfxstub.exe"); }

bool WineBed::Emulates32Bit() {
  std::ifstream entry("/proc/sys/fs/binfmt_misc/qemu-i386");
  std::string state;
  return std::getline(entry, state) && state == "enabled";
}

bool WineBed::RegAdd(RegView view, const std::string& key, const std::string& name, const std::string& type,
                     const std::string& data) const {
  int status = 0;
  Capture({WineRun(), "reg", "add", key, "/v", name, "/t", type, "/d", data, "/f", ViewFlag(view)}, &status,
          std::chrono::seconds(30));
  return status == 0;
}

bool WineBed::RegDeleteKey(RegView view, const std::string& key) const {
  int status = 0;
  Capture({WineRun(), "reg", "delete", key, "/f", ViewFlag(view)}, &status, std::chrono::seconds(30));
  return status == 0;
}

std::string WineBed::RegQuery(RegView view, const std::string& key, const std::string& name) const {
  int status = 0;
  std::string out = Capture({WineRun(), "reg", "query", key, "/v", name, ViewFlag(view)}, &status,
                            std::chrono::seconds(30));
  return status == 0 ? out : std::string();
}

WineBed::Running::Running(int pid, std::string output_file) : pid_(pid), output_file_(std::move(output_file)) {}

WineBed::Running::Running(Running&& other) noexcept : pid_(other.pid_), output_file_(std::move(other.output_file_)) {
  other.pid_ = -1;
}

WineBed::Running::~Running() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (!output_file_.empty()) unlink(output_file_.c_str());
}

ProgramResult WineBed::Running::Wait(std::chrono::seconds timeout) {
  ProgramResult result;
  auto deadline = std::chrono::steady_clock::now() + timeout;
  int st = 0;
  while (waitpid(pid_, &st, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &st, 0);
      pid_ = -1;
      result.output = ReadHostFile(output_file_);
      return result;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  pid_ = -1;
  result.output = ReadHostFile(output_file_);
  std::string code = ValueAfter(result.output, "exit code");
  result.finished = !code.empty();
  if (result.finished) result.exit_code = static_cast<uint32_t>(std::stoul(code, nullptr, 16));
  return result;
}

WineBed::Running WineBed::Start(const std::string& program, const std::vector<std::string>& args,
                                const std::map<std::string, std::string>& env) const {
  // The launcher takes the program as a Windows path through Wine's Z: drive.
  std::vector<std::string> argv = {WineRun(), WindowsProgram("tests/winebed/runexit.exe"), WindowsPathOf(program)};
  argv.insert(argv.end(), args.begin(), args.end());
  std::string out = TempFile();
  return Running(Spawn(argv, out, env), out);
}

ProgramResult WineBed::Run(const std::string& program, const std::vector<std::string>& args,
                           std::chrono::seconds timeout) const {
  return Start(program, args).Wait(timeout);
}

std::optional<MessageBoxSeen> WineBed::DismissMessageBox(std::chrono::milliseconds timeout) const {
  int status = 0;
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout) + std::chrono::seconds(30);
  std::string out = Capture(
      {WineRun(), WindowsProgram("tests/winebed/wintool.exe"), "msgbox", std::to_string(timeout.count())}, &status,
      seconds);
  if (status != 0) return std::nullopt;
  return MessageBoxSeen{ValueAfter(out, "title"), ValueAfter(out, "text"), ValueAfter(out, "owner-class"),
                        ValueAfter(out, "owner-title")};
}

}  // namespace krv::e2e
