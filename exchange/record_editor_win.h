// The record editor: a modal window in which a new account is typed in by hand.
#pragma once

#include <windows.h>

namespace quorrel {

// Runs the editor modally over owner (the main window, already dimmed by the caller).
void OpenRecordEditor(HWND owner);

}  // namespace quorrel
