// The main window "Quorrel Ver 2.62": menu strip, function panel, blur overlay.
#pragma once

#include <windows.h>

namespace quorrel {

// Opens the main window modeless and without owner.
HWND OpenMainWindow();
// The main window while it exists (hidden counts), else null.
HWND MainWindowHandle();

// The menu strip's action for button index (0-2 pages, 4 tray, 5 exit, others nothing).
void SelectMenuButton(int index);
// Dims the whole main window while a modal child is open, and takes the dimming away.
void ShowBlurOverlay();
void HideBlurOverlay();

}  // namespace quorrel
