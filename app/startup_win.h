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
std::vector<TopLevelWindowInfo> ListTopLevelWindows();
void PostCloseRequest(HWND window);
// The input windows of the program's earlier runs: top-level windows of the program's own
// window class titled exactly "辅助输入". A browser tab or a document whose title merely holds
// those characters is none of them.
std::vector<HWND> EarlierInputWindows();
// Asks each earlier input window to close and waits, at most budgetMs, until all are gone:
// until then their process still holds the hotkeys that the new window registers.
void CloseEarlierInputWindows(DWORD budgetMs);

// The executable's folder without a trailing backslash, and its file name.
Text ModuleDirectory();
Text ModuleFileName();

}  // namespace quorrel
