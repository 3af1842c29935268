// The two global hotkeys of the input window and the window hook that routes them.
#pragma once

#include <windows.h>

#include <vector>

namespace quorrel {

inline constexpr int kAccountHotkeyId = 1001;   // types the 账号 box
inline constexpr int kPasswordHotkeyId = 1002;  // types the 密码 box

struct HotkeyRecord {
  HWND window;
  int id;
  WNDPROC handler;
};

// Registers key (with modifiers) on window under id and records handler for it. Earlier
// registrations of the same id are released first (their records stay). The first
// recorded hotkey subclasses the window. False when the system refused the key.
bool RegisterAppHotkey(HWND window, UINT modifiers, UINT key, WNDPROC handler, int id);
// Releases every recorded hotkey and gives the window its previous procedure back.
void UnregisterAllHotkeys(HWND window);
LRESULT CALLBACK HotkeyWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// The handler of both program hotkeys: types the input window's 账号 or 密码 box.
LRESULT CALLBACK OnInputHotkey(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The registry, for tests.
const std::vector<HotkeyRecord>& HotkeyRecords();

}  // namespace quorrel
