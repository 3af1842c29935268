#include "ui/main/tray_win.h"

#include <shellapi.h>

#include "base/report.h"
#include "base/text.h"
#include "res/resource.h"
#include "ui/main/main_parts_win.h"

namespace quorrel {

bool TrayIcon::Show(HWND owner) {
  if (owner_ != owner) Remove();
  owner_ = owner;
  if (!icon_)
    icon_.reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TRAY), IMAGE_ICON,
                                              16, 16, LR_DEFAULTCOLOR)));
  ReportIf(!icon_);
  NOTIFYICONDATAA nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = owner;
  nid.uID = kTrayIconId;
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uCallbackMessage = WM_APP_TRAY;
  nid.hIcon = icon_.get();
  lstrcpynA(nid.szTip, "Quorrel", sizeof nid.szTip);  // names the icon, which may sit among hidden ones
  // Setting the icon while one is shown replaces it, so there is never a second one.
  if (shown_ && Shell_NotifyIconA(NIM_MODIFY, &nid)) return true;
  shown_ = !ReportIf(!Shell_NotifyIconA(NIM_ADD, &nid));
  return shown_;
}

void TrayIcon::Remove() {
  if (!shown_) return;
  NOTIFYICONDATAA nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = owner_;
  nid.uID = kTrayIconId;
  ReportIf(!Shell_NotifyIconA(NIM_DELETE, &nid));
  shown_ = false;
}

void TrayIcon::AfterShellRestart() {
  if (!shown_) return;
  shown_ = false;
  ReportIf(!Show(owner_));
}

bool IsRestoringClick(LPARAM mouseMessage, TrayRestore restore) {
  const auto message = static_cast<UINT>(mouseMessage);
  switch (restore) {
    case TrayRestore::kSingleClick: return message == WM_LBUTTONUP;
    case TrayRestore::kDoubleClick: return message == WM_LBUTTONDBLCLK;
    // The shell sends the button's release, or the menu request under a newer icon version.
    case TrayRestore::kRightClick: return message == WM_RBUTTONUP || message == WM_CONTEXTMENU;
  }
  return false;
}

bool IsTaskbarCreatedMessage(UINT message) {
  static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  return message != 0 && message == taskbarCreated;
}

namespace mainwin {

void HideToTray(ui::Window& w) {
  // A hidden window without an icon could not be brought back: when the shell takes no
  // icon (not running, busy), the window stays in sight.
  if (!StateOf(w).tray.Show(w.hwnd())) return;
  ShowWindow(w.hwnd(), SW_HIDE);
}

void RestoreFromTray(ui::Window& w) {
  ShowWindow(w.hwnd(), SW_SHOW);
  SetForegroundWindow(w.hwnd());
  StateOf(w).tray.Remove();
}

}  // namespace mainwin
}  // namespace quorrel
