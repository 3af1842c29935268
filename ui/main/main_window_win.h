// The main window "Quorrel Ver 2.62": menu strip, function panel, blur overlay, tray icon.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "base/text.h"
#include "store/account_table.h"
#include "store/settings.h"

namespace quorrel {

inline constexpr char kMainWindowTitle[] = "Quorrel Ver 2.62";

// The registered message by which a second start asks the running main window to come to
// the front: its input window when one is open, or the main window itself when wparam is
// kComeForwardMainWindow (the user is to reach its exit button).
inline constexpr char kComeForwardMessageName[] = "Quorrel.ComeForward";
inline constexpr WPARAM kComeForwardMainWindow = 1;

// What the program tells the main window when it opens it.
struct MainWindowArgs {
  Settings settings;
  const AccountStore* accounts = nullptr;  // outlives the window
  // The hotkey codes read at start; the input window opened from the list registers them.
  int32_t accountHotkeyCode = 0;
  int32_t passwordHotkeyCode = 0;
  // Process-wide values the settings page hands to its windows, which outlive them within
  // a run: the hotkey window's last captured codes and the import window's last file.
  int32_t* pendingAccountKey = nullptr;
  int32_t* pendingPasswordKey = nullptr;
  Text* importFilePath = nullptr;
  // The program's full path (run directory + "\" + file name): what the ".Pw" file type
  // opens.
  Text programPath;
  // Runs first, before the window is made: the single-instance guard, which ends the
  // process when another main window runs.
  std::function<void()> guard;
  // The menu strip's exit button: ends the process at once.
  std::function<void()> exitProgram;
  // No account table could be put in place (a folder that cannot be written): the program
  // decides, once the window is in sight, whether a restart can help or the user is told.
  std::function<void()> onTableCannotBeCreated;
};

// Opens the main window modeless and without owner; null when it could not be created.
HWND OpenMainWindow(MainWindowArgs args);

}  // namespace quorrel
