// A second start of the program brings this copy to the front instead of a second one.
#include "ui/main/main_parts_win.h"

namespace quorrel::mainwin {

bool IsComeForwardMessage(UINT message) {
  static const UINT comeForward = RegisterWindowMessageA(kComeForwardMessageName);
  return message != 0 && message == comeForward;
}

void ComeForward(ui::Window& w, ui::EventArgs& args) {
  args.handled = true;
  args.result = TRUE;  // the asking copy knows it was heard
  const MainWindow& s = StateOf(w);
  HWND target = w.hwnd();
  // With an account open, its input window is what the user works with; the main window
  // stays in the tray unless the user must reach it.
  if (s.inputWindow && IsWindow(s.inputWindow) && args.wparam != kComeForwardMainWindow) {
    target = s.inputWindow;
  } else if (!IsWindowVisible(target)) {
    RestoreFromTray(w);
  }
  if (IsIconic(target)) ShowWindow(target, SW_RESTORE);
  // A window open over it (the editor, the keypad, a message) is where the user goes on.
  SetForegroundWindow(GetLastActivePopup(target));
}

}  // namespace quorrel::mainwin
