// The two global hotkeys of the input window, and the routing of their messages.
#pragma once

#include <windows.h>

#include <vector>

#include "input/typing.h"

namespace quorrel {

inline constexpr int kAccountHotkeyId = 1001;   // types the 账号 box
inline constexpr int kPasswordHotkeyId = 1002;  // types the 密码 box
// The same keys with Shift: the same boxes, typed slowly (one event at a time), for a
// window that loses keys sent in a burst (a web console, a client no list knows).
inline constexpr int kAccountSlowHotkeyId = 1003;
inline constexpr int kPasswordSlowHotkeyId = 1004;

struct HotkeyRecord {
  HWND window;
  int id;
  WNDPROC handler;
  UINT key = 0;  // virtual-key code
};

// Registers key (with modifiers) on window under id and records handler for it. Earlier
// registrations of the same id are released first (their records stay). The window's own
// procedure passes its messages to HotkeyMessage (nothing replaces the procedure). False when
// the system refused the key (taken by another program, or id 0); the refusal goes to the
// diagnostic channel.
//
// A held key fires once: the key is registered with MOD_NOREPEAT, and since Wine takes
// that flag but ignores it (and systems before Windows 7 refuse it, so the key is then
// registered without it), a press also counts only once its key was seen released after
// the press that counted before.
[[nodiscard]] bool RegisterAppHotkey(HWND window, UINT modifiers, UINT key, WNDPROC handler, int id);
// Releases every recorded hotkey.
void UnregisterAllHotkeys(HWND window);
// The hotkeys' part of a window's message handling: WM_HOTKEY to the handler recorded for
// its id (a repeat of a held key, or an id nobody recorded, does nothing), and the timer and
// message that watch a held key's release. True, with *result set, for a message that was
// the hotkeys'; the window handles every other message itself.
bool HotkeyMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

// The keys of every recorded hotkey: the typing must not press them, or its own events
// would fire the hotkey again (and the system would swallow the key).
ReservedKeys HotkeyKeys();

// The registry, for tests.
const std::vector<HotkeyRecord>& HotkeyRecords();

}  // namespace quorrel
