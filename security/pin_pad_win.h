// The startup-password keypad "启动密码".
#pragma once

#include <windows.h>

namespace quorrel {

// Opens the keypad in the mode held by PinPadMode (2 verify, 1 set).
HWND OpenPinPadWindow(HWND owner);

}  // namespace quorrel
