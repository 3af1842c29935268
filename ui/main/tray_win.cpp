#include "ui/main/tray_win.h"

#include "ui/main/main_window_win.h"

namespace quorrel {

void HideToTray() {
  if (HWND main = MainWindowHandle()) ShowWindow(main, SW_HIDE);
}

void RestoreFromTray() {
  if (HWND main = MainWindowHandle()) ShowWindow(main, SW_SHOW);
}

}  // namespace quorrel
