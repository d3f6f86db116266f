#pragma once
// The command line of one sfxtool command: options ("--name VALUE",
// "--name=VALUE" or a bare "--flag") and positional arguments.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace krv::tools {

struct OptionSpec {
  const char* name;  // without the leading "--"
  bool takes_value;
};

class ToolArgs {
 public:
  // Parses `args` (the words after the command's name). "--help" anywhere
  // sets help(); "--" ends the options. Returns false with `*error` set for
  // an unknown option, a missing value, a value given to a flag, or an
  // option given twice; what was parsed stays.
  bool Parse(const std::vector<std::string>& args, const std::vector<OptionSpec>& options, std::string* error);

  bool help() const { return help_; }
  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  // The option's value, `fallback` when it was not given.
  std::string Value(const std::string& name, const std::string& fallback = std::string()) const;
  const std::vector<std::string>& positionals() const { return positionals_; }

 private:
  bool help_ = false;
  std::map<std::string, std::string> values_;
  std::vector<std::string> positionals_;
};

// Parses decimal digits only (no sign, no blanks) into a u32. False for
// anything else or a value above 0xFFFFFFFF.
bool ParseU32(const std::string& text, uint32_t* value);

}  // namespace krv::tools
