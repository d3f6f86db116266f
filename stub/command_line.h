#pragma once
// The command-line parser: a program name, slash options matched without
// regard to case, and positional arguments.

#include <map>
#include <string>
#include <vector>

#include "runtime/nocase.h"

namespace krv::stub {

// Splits `text` (up to its first NUL) into tokens. A run of blanks, tabs,
// CRs and LFs outside double quotes ends a token (leading delimiters yield
// no token of their own, trailing ones an empty last token); a double quote
// switches quoting and is dropped; two double quotes in a row give one
// literal double quote and leave quoting as it is; an unclosed quote runs
// to the end.
std::vector<std::wstring> SplitCommandLine(const std::wstring& text);

class CommandLine {
 public:
  // Option key to value, keys ordered and matched by nocase::compare.
  using OptionMap = std::map<std::wstring, std::wstring, nocase::less>;

  // Parses `text` with the program name skipped (see Parse).
  explicit CommandLine(const std::wstring& text = std::wstring());

  // Replaces the contents with those of `text`. With `skip_program_name`
  // the first token (even an empty one) is the program name. Of the other
  // tokens, empty ones are dropped; one beginning with "/" is an option
  // whose key runs to the first ":" and whose value is the rest (empty
  // without a colon) -- a repeated key keeps its first spelling and takes
  // the last value; every other token is an argument. Never fails.
  void Parse(const std::wstring& text, bool skip_program_name);

  // Whether an option with `key` (any case) was given, whatever its value.
  bool HasOption(const std::wstring& key) const;

  // Empty unless the program name was skipped when parsing.
  const std::wstring& ProgramName() const { return program_name_; }
  const OptionMap& Options() const { return options_; }
  const std::vector<std::wstring>& Arguments() const { return arguments_; }

 private:
  std::wstring program_name_;
  OptionMap options_;
  std::vector<std::wstring> arguments_;
};

}  // namespace krv::stub
