#include "tools/tool_args.h"

namespace krv::tools {

bool ToolArgs::Parse(const std::vector<std::string>& args, const std::vector<OptionSpec>& options,
                     std::string* error) {
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (options_ended || word.size() < 2 || word.compare(0, 2, "--") != 0) {
      positionals_.push_back(word);
      continue;
    }
    if (word == "--") {
      options_ended = true;
      continue;
    }
    if (word == "--help") {
      help_ = true;
      continue;
    }
    const size_t equals = word.find('=');
    const std::string name = word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const OptionSpec* spec = nullptr;
    for (const OptionSpec& option : options) {
      if (name == option.name) spec = &option;
    }
    if (spec == nullptr) {
      *error = "unknown option --" + name;
      return false;
    }
    if (values_.count(name) != 0) {
      *error = "option --" + name + " given twice";
      return false;
    }
    if (!spec->takes_value) {
      if (equals != std::string::npos) {
        *error = "option --" + name + " takes no value";
        return false;
      }
      values_[name] = std::string();
    } else if (equals != std::string::npos) {
      values_[name] = word.substr(equals + 1);
    } else if (i + 1 < args.size()) {
      values_[name] = args[++i];
    } else {
      *error = "option --" + name + " needs a value";
      return false;
    }
  }
  return true;
}

std::string ToolArgs::Value(const std::string& name, const std::string& fallback) const {
  const auto found = values_.find(name);
  return found == values_.end() ? fallback : found->second;
}

bool ParseU32(const std::string& text, uint32_t* value) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t result = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + static_cast<uint64_t>(c - '0');
  }
  if (result > 0xFFFFFFFFu) return false;
  *value = static_cast<uint32_t>(result);
  return true;
}

}  // namespace krv::tools
