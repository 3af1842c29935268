// Dropping files on a window of another process through real OLE drag and drop, as the
// shell does when the user drags files from a folder window.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace quorrel::e2e {

// Drags the files (ANSI paths, CF_HDROP with fWide = FALSE) from this thread onto target:
// DoDragDrop runs here while a helper thread moves the mouse onto the target, and the drop
// happens as soon as the cursor is over it. True when the target took the drop as a copy.
// Initialises OLE on this thread if needed. Gives up after a few seconds.
bool DropFiles(HWND target, const std::vector<std::string>& ansiPaths);

}  // namespace quorrel::e2e
