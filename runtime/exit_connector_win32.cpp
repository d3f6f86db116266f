#include <windows.h>

#include "runtime/exceptions.h"
#include "runtime/exit_connector.h"

namespace krv::storage {

callback_cookie_holder_ifc* connect_exit_callback(void* module, exit_callback callback,
                                                  void* user_data, uint32_t first, uint32_t second) {
  FARPROC found = GetProcAddress(static_cast<HMODULE>(module), kExitConnectorName);
  if (found == nullptr) {
    throw exceptions::error(static_cast<int32_t>(GetLastError()),
                            "onexit_register_connector_orvane_2 export not found");
  }
  return reinterpret_cast<exit_connector>(reinterpret_cast<void*>(found))(callback, user_data,
                                                                          first, second);
}

}  // namespace krv::storage
