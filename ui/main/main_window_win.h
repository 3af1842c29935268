// The main window "Quorrel Ver 2.62".
#pragma once

#include <windows.h>

namespace quorrel {

// Opens the main window modeless and without owner.
HWND OpenMainWindow();
// The main window while it exists (hidden counts), else null.
HWND MainWindowHandle();

}  // namespace quorrel
