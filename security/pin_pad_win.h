// The startup-password keypad "启动密码".
#pragma once

#include <windows.h>

#include <functional>

#include "store/settings.h"

namespace quorrel {

enum class PinPadMode { Set = 1, Verify = 2 };

struct PinPadArgs {
  PinPadMode mode = PinPadMode::Verify;
  Settings settings;                  // where the sealed PIN is kept
  std::function<void()> onVerified;   // verify mode: the right four digits were typed
  std::function<void()> onPinSet;     // set mode: a new PIN was stored in "Pwd"
  std::function<void()> onClosed;     // the keypad is gone (set mode: the dimming goes)
};

// Opens the keypad, modeless without owner (verify mode at a locked start) or modal over
// owner (set mode from the settings page).
HWND OpenPinPadWindow(HWND owner, PinPadArgs args);

}  // namespace quorrel
