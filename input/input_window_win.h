// The auxiliary input window "辅助输入": shows an account and holds the two hotkeys that
// type it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "base/text.h"

namespace quorrel {

inline constexpr char kInputWindowTitle[] = "辅助输入";  // UTF-8

// What the opener tells the input window.
struct InputWindowArgs {
  // The account shown and typed when it comes from the list (its password in clear).
  SecretText user;
  SecretText password;
  // At a file start: the account file to read instead (its password masked).
  std::optional<Text> accountFile;
  // The hotkey codes read at start.
  int32_t accountHotkeyCode = 0;
  int32_t passwordHotkeyCode = 0;
  // Runs when the window is destroyed (the main window comes back from the tray).
  std::function<void()> onClosed;
};

// Opens the window modeless, owned by owner (the main window) or without owner at a file
// start. Returns its handle, or null when it could not be created.
HWND OpenInputWindow(HWND owner, InputWindowArgs args);

enum class InputBox { Account, Password };

// The text of the window's 账号 or 密码 box for typing: the exact bytes the window put
// there while the box still shows them, else what the box holds now.
[[nodiscard]] SecretText InputBoxText(HWND inputWindow, InputBox box);

}  // namespace quorrel
