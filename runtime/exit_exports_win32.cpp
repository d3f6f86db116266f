// The executable's exports through which other modules loaded into the
// process take part in its exit sequence. Linked into the executable (not
// into a library) so that the exports land in its export table.

#include <cstdint>
#include <type_traits>

#include "runtime/callback_store.h"
#include "runtime/exit_actions.h"
#include "runtime/exit_connector.h"

// Runs the exit actions of the runtime singletons and the module registry
// (priority 100000 and up); the lower ones are left to process exit.
extern "C" __declspec(dllexport) void on_orvane_dll_unload() {
  krv::lifetime::run_exit_actions(krv::lifetime::priority::dll_unload_minimum);
}

// Registers `callback` in the executable's on-exit callback store; see
// krv::storage::register_exit_callback. The returned holder is released
// through its interface.
extern "C" __declspec(dllexport) krv::storage::callback_cookie_holder_ifc*
onexit_register_connector_orvane_2(krv::storage::exit_callback callback, void* user_data,
                                   uint32_t first, uint32_t second) {
  return krv::storage::register_exit_callback(callback, user_data, first, second);
}

static_assert(std::is_same_v<decltype(&onexit_register_connector_orvane_2),
                             krv::storage::exit_connector>,
              "the export must match the signature modules call it with");
