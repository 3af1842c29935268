// The auxiliary input window "辅助输入": shows the pending account and holds the hotkeys.
#pragma once

#include <windows.h>

#include <string_view>

#include "base/text.h"

namespace quorrel {

// Opens the window modeless, owned by owner (the main window) or without owner at a
// file start. Returns its handle, or null when it could not be created.
HWND OpenInputWindow(HWND owner);

// The text of the input window's box ("账号" or "密码") for typing: the exact bytes the
// window put there while the box still shows them, else what the box holds now.
Text InputBoxText(HWND inputWindow, std::string_view box);

}  // namespace quorrel
