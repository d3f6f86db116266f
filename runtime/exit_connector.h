#pragma once
// The module side of the executable's exit sequence: how a module loaded into
// the process registers a callback with the executable. Windows only.

#include <cstdint>

#include "runtime/callback_store.h"

namespace krv::storage {

// The name the executable exports its connector under.
constexpr char kExitConnectorName[] = "onexit_register_connector_orvane_2";

// The connector's signature.
using exit_connector = callback_cookie_holder_ifc* (*)(exit_callback callback, void* user_data,
                                                       uint32_t first, uint32_t second);

// Looks the connector up in `module` (an HMODULE; the process's main module,
// GetModuleHandleW(nullptr), for the executable) and registers the callback
// through it. Returns the holder the connector returned (the caller releases
// it). Raises krv::exceptions::error "onexit_register_connector_orvane_2
// export not found" with the system's code when the module does not export it.
callback_cookie_holder_ifc* connect_exit_callback(void* module, exit_callback callback,
                                                  void* user_data, uint32_t first, uint32_t second);

}  // namespace krv::storage
