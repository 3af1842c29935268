// The hotkey settings window: the user presses the key wanted for each hotkey and confirms.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "store/settings.h"

namespace quorrel {

struct HotkeyWindowArgs {
  Settings settings;  // where the two codes are kept
  // The codes last captured in each box; they outlive the window within a run.
  int32_t* pendingAccountKey = nullptr;
  int32_t* pendingPasswordKey = nullptr;
  std::function<void()> onClosed;  // the window is gone (the opener's dimming goes)
};

// Runs the window modally over owner (the main window, already dimmed by the caller).
void OpenHotkeyWindow(HWND owner, HotkeyWindowArgs args);

}  // namespace quorrel
