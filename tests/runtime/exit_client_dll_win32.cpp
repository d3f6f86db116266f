// A module loaded into the test executable that takes part in the
// executable's exit sequence the way other product modules do: it finds the
// executable's connector export and registers a callback of its own code.

#include <windows.h>

#include <cstdint>

#include "runtime/exit_connector.h"

namespace {

// user_data points to three words of the caller: calls, first, second.
void OnHostExit(void* user_data, uint32_t first, uint32_t second) {
  auto* record = static_cast<uint32_t*>(user_data);
  ++record[0];
  record[1] = first;
  record[2] = second;
}

}  // namespace

// Registers OnHostExit with the executable; null when that fails.
extern "C" __declspec(dllexport) krv::storage::callback_cookie_holder_ifc* client_connect(
    uint32_t* record, uint32_t first, uint32_t second) {
  try {
    return krv::storage::connect_exit_callback(GetModuleHandleW(nullptr), &OnHostExit, record,
                                               first, second);
  } catch (...) {
    return nullptr;
  }
}
