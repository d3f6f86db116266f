// runexit [--env:NAME=VALUE...] <program> [arguments...]
// Starts a Windows program, waits for it and prints its full 32-bit exit
// code: the shell sees only the low 8 bits of a Wine process's exit code, and
// Wine turns a nonzero code whose low byte is 0 into 1. Each --env: word
// (without blanks) sets a variable for the program: Wine takes TEMP and TMP
// from the registry, not from the Unix environment.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// The tail of our own command line after the first token, which is
// runexit's own name (quoted or not).
const wchar_t* CommandTail(const wchar_t* line) {
  bool quoted = false;
  for (; *line; ++line) {
    if (*line == L'"') quoted = !quoted;
    else if (!quoted && (*line == L' ' || *line == L'\t')) break;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

// Sets the variables of the leading --env: words of `tail` and returns the
// rest.
const wchar_t* SetLeadingVariables(const wchar_t* tail) {
  constexpr wchar_t kPrefix[] = L"--env:";
  constexpr size_t kPrefixLength = sizeof kPrefix / sizeof kPrefix[0] - 1;
  while (std::wcsncmp(tail, kPrefix, kPrefixLength) == 0) {
    const wchar_t* word = tail + kPrefixLength;
    const wchar_t* end = word;
    while (*end && *end != L' ' && *end != L'\t') ++end;
    const std::wstring assignment(word, end);
    const size_t equals = assignment.find(L'=');
    if (equals != std::wstring::npos) {
      SetEnvironmentVariableW(assignment.substr(0, equals).c_str(), assignment.substr(equals + 1).c_str());
    }
    tail = end;
    while (*tail == L' ' || *tail == L'\t') ++tail;
  }
  return tail;
}

}  // namespace

int wmain() {
  const wchar_t* tail = SetLeadingVariables(CommandTail(GetCommandLineW()));
  if (!*tail) {
    std::fputs("usage: runexit <program> [arguments...]\n", stderr);
    return 2;
  }
  // CreateProcessW may write into the command-line buffer.
  size_t n = std::wcslen(tail) + 1;
  wchar_t* cmd = new wchar_t[n];
  std::wmemcpy(cmd, tail, n);
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "runexit: cannot start program (error %lu)\n", GetLastError());
    delete[] cmd;
    return 2;
  }
  delete[] cmd;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  std::printf("exit code: 0x%08lx\n", code);
  std::fflush(stdout);
  return 0;
}
