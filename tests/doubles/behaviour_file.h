#pragma once
// What the updater stand-in is told to do, read from "pkgrun-behaviour.txt"
// beside it.

#include <cstdint>
#include <string>

namespace krv::pkgrun {

struct Behaviour {
  uint32_t exit_code = 0;
  bool show_window = false;
  bool signal = false;      // signal the window-shown event
  uint32_t delay_ms = 0;    // after the record, before the window and signal
  uint32_t linger_ms = 0;   // after the window and signal, before the end
  // When not 0: before anything else, a second process keeps the first file
  // of the workspace open (sharing reading only) for this long, outliving
  // the stand-in and the stub.
  uint32_t hold_ms = 0;
};

// Parses lines "key=value" (exit_code, show_window, signal, delay_ms,
// linger_ms, hold_ms; numbers in decimal or 0x-hexadecimal, flags yes/no). Blank
// lines, lines starting with '#' and unknown keys are skipped; a key not
// given keeps its default.
Behaviour ParseBehaviour(const std::string& text);

}  // namespace krv::pkgrun
