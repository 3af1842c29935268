// The auxiliary input window "辅助输入": shows the pending account and holds the hotkeys.
#pragma once

#include <windows.h>

namespace quorrel {

// Opens the window modeless, owned by owner (the main window) or without owner at a
// file start. Returns its handle, or null when it could not be created.
HWND OpenInputWindow(HWND owner);

}  // namespace quorrel
