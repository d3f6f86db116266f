// The Windows side of the runtime core: the exit-started event is a kernel
// event, and the executable's exit exports work when called through its
// export table, also from another module.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <thread>

#include "runtime/callback_store.h"
#include "runtime/exceptions.h"
#include "runtime/exit_actions.h"
#include "runtime/exit_connector.h"
#include "runtime/manual_event.h"

namespace krv {
namespace {

using unload_export = void (*)();
using client_connect_export = storage::callback_cookie_holder_ifc* (*)(uint32_t*, uint32_t,
                                                                       uint32_t);

FARPROC FromMainModule(const char* name) { return GetProcAddress(GetModuleHandleW(nullptr), name); }

unload_export Unload() {
  return reinterpret_cast<unload_export>(
      reinterpret_cast<void*>(FromMainModule("on_orvane_dll_unload")));
}

storage::exit_connector Connector() {
  return reinterpret_cast<storage::exit_connector>(
      reinterpret_cast<void*>(FromMainModule(storage::kExitConnectorName)));
}

void Count(void* user_data, uint32_t first, uint32_t second) {
  auto* record = static_cast<uint32_t*>(user_data);
  ++record[0];
  record[1] = first;
  record[2] = second;
}

// Each test that runs the exit sequence does so in a child process.
class ExitExportsTest : public testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(ExitExportsTest, ExportsArePresent) {
  EXPECT_NE(Unload(), nullptr);
  EXPECT_NE(Connector(), nullptr);
}

TEST_F(ExitExportsTest, ExitStartedEventIsSignalledByTheUnloadExport) {
  EXPECT_EXIT(
      {
        HANDLE event = lifetime::exit_started_event().native_handle();
        const bool clear_before = WaitForSingleObject(event, 0) == WAIT_TIMEOUT;
        DWORD waited = WAIT_FAILED;
        std::thread waiter([&] { waited = WaitForSingleObject(event, INFINITE); });
        Unload()();
        waiter.join();
        std::_Exit(clear_before && waited == WAIT_OBJECT_0 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST_F(ExitExportsTest, UnloadExportRunsOnlyHighPriorities) {
  EXPECT_EXIT(
      {
        static int ran = 0;
        lifetime::register_exit_action(lifetime::priority::branding, [] { ran |= 1; });
        lifetime::register_exit_action(lifetime::priority::runtime_singletons, [] { ran |= 2; });
        lifetime::register_exit_action(lifetime::priority::module_registry, [] { ran |= 4; });
        Unload()();
        std::_Exit(ran);
      },
      testing::ExitedWithCode(6), "");
}

TEST_F(ExitExportsTest, CallbackFromAnotherModuleRunsAtUnload) {
  EXPECT_EXIT(
      {
        HMODULE client = LoadLibraryW(L"krv_exit_client.dll");
        auto connect = reinterpret_cast<client_connect_export>(
            reinterpret_cast<void*>(GetProcAddress(client, "client_connect")));
        uint32_t record[3] = {};
        const bool connected = connect != nullptr && connect(record, 7, 8) != nullptr;
        Unload()();
        std::_Exit(connected && record[0] == 1 && record[1] == 7 && record[2] == 8 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST_F(ExitExportsTest, CallbackOfUnloadedModuleIsSkipped) {
  EXPECT_EXIT(
      {
        uint32_t own[3] = {};
        Connector()(&Count, own, 1, 2);
        HMODULE client = LoadLibraryW(L"krv_exit_client.dll");
        auto connect = reinterpret_cast<client_connect_export>(
            reinterpret_cast<void*>(GetProcAddress(client, "client_connect")));
        uint32_t theirs[3] = {};
        const bool connected = connect != nullptr && connect(theirs, 3, 4) != nullptr;
        FreeLibrary(client);
        const bool unloaded = GetModuleHandleW(L"krv_exit_client.dll") == nullptr;
        // Calling into the unloaded module would crash the process.
        Unload()();
        std::_Exit(connected && unloaded && own[0] == 1 && theirs[0] == 0 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST_F(ExitExportsTest, ReleasedHolderRemovesTheCallback) {
  EXPECT_EXIT(
      {
        uint32_t record[3] = {};
        storage::callback_cookie_holder_ifc* holder = Connector()(&Count, record, 0, 0);
        if (holder != nullptr) {
          holder->release();
        }
        Unload()();
        std::_Exit(holder != nullptr && record[0] == 0 ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST(ExitConnectorTest, ModuleWithoutTheExportIsRefused) {
  uint32_t record[3] = {};
  try {
    storage::connect_exit_callback(GetModuleHandleW(L"kernel32.dll"), &Count, record, 0, 0);
    ADD_FAILURE() << "no exception";
  } catch (const exceptions::error& e) {
    EXPECT_STREQ(e.what(), "onexit_register_connector_orvane_2 export not found");
    EXPECT_EQ(e.code(), ERROR_PROC_NOT_FOUND);
  }
}

TEST(ExitConnectorTest, FindsTheExecutablesConnector) {
  uint32_t record[3] = {};
  storage::callback_cookie_holder_ifc* holder =
      storage::connect_exit_callback(GetModuleHandleW(nullptr), &Count, record, 0, 0);
  ASSERT_NE(holder, nullptr);
  holder->release();
}

}  // namespace
}  // namespace krv
