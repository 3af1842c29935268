// The import window "导入文件": accounts from a text file of "name----user----password" lines
// or from a password export (CSV) of a browser or a password manager.
#pragma once

#include <windows.h>

#include <functional>

#include "base/text.h"
#include "store/account_table.h"

namespace quorrel {

struct ImportWindowArgs {
  const AccountStore* accounts = nullptr;  // outlives the window
  Text* importFilePath = nullptr;          // the file last picked; outlives the window
  std::function<void()> onImported;        // an import ran (the list is refilled)
  std::function<void()> onClosed;          // the window is gone (the opener's dimming goes)
};

// Runs the window modally over owner (the main window, already dimmed by the caller). An
// import that stored accounts is told over owner once the window is gone.
void OpenImportWindow(HWND owner, ImportWindowArgs args);

}  // namespace quorrel
