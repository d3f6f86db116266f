#include "handoff/setup_gui_event.h"

namespace krv::handoff {

const wchar_t kSetupGuiShownEventName[] = L"Global\\krvSetupGuiShown_0x02fa47cc9a31afba";

os::scoped_handle SetupGuiShownEvent() {
  return os::scoped_handle(CreateEventW(nullptr, FALSE, FALSE, kSetupGuiShownEventName));
}

}  // namespace krv::handoff
