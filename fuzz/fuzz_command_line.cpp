// Fuzz target: the command-line tokenizer and parser. The input is taken as
// UTF-16 little-endian code units, as Windows hands a program its command
// line (an odd last byte is dropped).

#include <cstddef>
#include <cstdint>
#include <string>

#include "stub/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text;
  text.reserve(size / 2);
  for (size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));
  }
  krv::stub::SplitCommandLine(text);
  for (bool skip_program_name : {true, false}) {
    krv::stub::CommandLine command_line;
    command_line.Parse(text, skip_program_name);
    command_line.HasOption(L"silent");
    command_line.HasOption(L"DEBUG");
  }
  return 0;
}
