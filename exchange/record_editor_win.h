// The record editor: a modal window in which a new account is typed in by hand.
#pragma once

#include <windows.h>

#include <functional>

#include "store/account_table.h"

namespace quorrel {

struct RecordEditorArgs {
  const AccountStore* accounts = nullptr;  // outlives the window
  std::function<void()> onAdded;           // an account was added (the list is refilled)
  std::function<void()> onClosed;          // the window is gone (the opener's dimming goes)
};

// Runs the editor modally over owner (the main window, already dimmed by the caller).
void OpenRecordEditor(HWND owner, RecordEditorArgs args);

}  // namespace quorrel
