#include "input/hotkey_window_win.h"

namespace quorrel {

void OpenHotkeyWindow(HWND, HotkeyWindowArgs args) {
  if (args.onClosed) args.onClosed();
}

}  // namespace quorrel
