// Start-up: the command line, the two files beside the executable, the hotkey codes and
// the choice of the first window.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

#include "base/text.h"

namespace quorrel {

struct TopLevelWindowInfo {
  HWND handle = nullptr;
  DWORD processId = 0;
  DWORD threadId = 0;
  Text title;
  Text className;
};

void RunStartup();
// "UserKey" and "PassKey" into AccountHotkeyCode and PasswordHotkeyCode (decimal rule).
void LoadHotkeyCodes();
// The main window with everything the program hands it.
HWND OpenProgramMainWindow();
// A window handle written in decimal, or the first top-level window whose title holds the
// text (ANSI bytes); 0 when none.
HWND FindWindowByText(std::string_view text);
std::vector<TopLevelWindowInfo> ListTopLevelWindows();
void PostCloseRequest(HWND window);

// The executable's folder without a trailing backslash, and its file name.
Text ModuleDirectory();
Text ModuleFileName();

}  // namespace quorrel
