#include "stub/command_line.h"

#include <cwchar>

namespace krv::stub {
namespace {

// A constant, so it is ready before any static initialiser could parse.
constexpr wchar_t kDelimiters[] = L" \t\r\n";

bool IsDelimiter(wchar_t c) { return c != L'\0' && std::wcschr(kDelimiters, c) != nullptr; }

}  // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& text) {
  std::vector<std::wstring> tokens;
  bool in_quotes = false;
  const wchar_t* p = text.c_str();
  while (*p != L'\0') {
    if (!in_quotes && IsDelimiter(*p)) {
      while (IsDelimiter(*p)) {
        ++p;
      }
      tokens.emplace_back();
      continue;
    }
    if (*p == L'"') {
      if (p[1] != L'"') {
        in_quotes = !in_quotes;
        ++p;
        continue;
      }
      ++p;  // The second quote of a pair is an ordinary character.
    }
    if (tokens.empty()) {
      tokens.emplace_back();
    }
    tokens.back().push_back(*p);
    ++p;
  }
  return tokens;
}

CommandLine::CommandLine(const std::wstring& text) { Parse(text, true); }

void CommandLine::Parse(const std::wstring& text, bool skip_program_name) {
  program_name_.clear();
  options_.clear();
  arguments_.clear();
  std::vector<std::wstring> tokens = SplitCommandLine(text);
  auto token = tokens.begin();
  if (skip_program_name && token != tokens.end()) {
    program_name_ = std::move(*token);
    ++token;
  }
  for (; token != tokens.end(); ++token) {
    if (token->empty()) {
      continue;
    }
    if ((*token)[0] != L'/') {
      arguments_.push_back(std::move(*token));
      continue;
    }
    const size_t colon = token->find(L':');
    std::wstring key = token->substr(1, colon == std::wstring::npos ? std::wstring::npos : colon - 1);
    std::wstring value = colon == std::wstring::npos ? std::wstring() : token->substr(colon + 1);
    // emplace keeps an existing entry's key: the first spelling stays.
    options_.emplace(std::move(key), std::wstring()).first->second = std::move(value);
  }
}

bool CommandLine::HasOption(const std::wstring& key) const { return options_.count(key) != 0; }

}  // namespace krv::stub
