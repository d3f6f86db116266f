#include "tests/doubles/behaviour_file.h"

#include <cstdlib>
#include <sstream>

namespace krv::pkgrun {
namespace {

std::string Trim(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

uint32_t Number(const std::string& value) { return static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 0)); }

}  // namespace

Behaviour ParseBehaviour(const std::string& text) {
  Behaviour behaviour;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    line = Trim(line);
    const size_t equals = line.find('=');
    if (line.empty() || line[0] == '#' || equals == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, equals));
    const std::string value = Trim(line.substr(equals + 1));
    if (key == "exit_code") behaviour.exit_code = Number(value);
    else if (key == "show_window") behaviour.show_window = value == "yes";
    else if (key == "signal") behaviour.signal = value == "yes";
    else if (key == "delay_ms") behaviour.delay_ms = Number(value);
    else if (key == "linger_ms") behaviour.linger_ms = Number(value);
    else if (key == "hold_ms") behaviour.hold_ms = Number(value);
  }
  return behaviour;
}

}  // namespace krv::pkgrun
