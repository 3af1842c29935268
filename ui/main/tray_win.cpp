#include "ui/main/tray_win.h"

#include <shellapi.h>

#include "app/config.h"
#include "res/resource.h"
#include "ui/main/main_window_win.h"
#include "base/handles_win.h"

namespace quorrel {
namespace {

bool g_shown = false;
UniqueIcon g_icon;

NOTIFYICONDATAA IconData(HWND main) {
  NOTIFYICONDATAA nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = main;
  nid.uID = kTrayIconId;
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uCallbackMessage = WM_APP_TRAY;
  if (!g_icon)
    g_icon.reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TRAY), IMAGE_ICON,
                                               16, 16, LR_DEFAULTCOLOR)));
  nid.hIcon = g_icon.get();
  nid.szTip[0] = '\0';  // no tooltip
  return nid;
}

// True when the icon is in the notification area.
bool ShowIcon(HWND main) {
  NOTIFYICONDATAA nid = IconData(main);
  // Setting the icon while one is shown replaces it, so there is never a second one.
  if (g_shown && Shell_NotifyIconA(NIM_MODIFY, &nid)) return true;
  g_shown = Shell_NotifyIconA(NIM_ADD, &nid) != FALSE;
  return g_shown;
}

// The "Tray" setting as a click code. A value that names no click (only possible by editing
// the file) falls back to the default, so the window can always be brought back.
int RestoringClick() {
  int code = ParseDecimal(ReadConfig(kTray));
  return code >= kTrayClick && code <= kTrayRightClick ? code : kTrayDoubleClick;
}

}  // namespace

bool TrayIconShown() { return g_shown; }

void HideToTray() {
  HWND main = MainWindowHandle();
  if (!main) return;
  // A hidden window without an icon could not be brought back: when the shell takes no
  // icon (not running, busy), the window stays in sight.
  if (!ShowIcon(main)) return;
  ShowWindow(main, SW_HIDE);
}

void RemoveTrayIcon() {
  HWND main = MainWindowHandle();
  if (!main || !g_shown) return;
  NOTIFYICONDATAA nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = main;
  nid.uID = kTrayIconId;
  Shell_NotifyIconA(NIM_DELETE, &nid);
  g_shown = false;
}

void RestoreFromTray() {
  HWND main = MainWindowHandle();
  if (!main) return;
  ShowWindow(main, SW_SHOW);
  SetForegroundWindow(main);
  RemoveTrayIcon();
}

int TrayClickCode(LPARAM mouseMessage) {
  switch (static_cast<UINT>(mouseMessage)) {
    case WM_LBUTTONUP: return kTrayClick;
    case WM_LBUTTONDBLCLK: return kTrayDoubleClick;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU: return kTrayRightClick;
    default: return 0;
  }
}

void OnTrayNotification(LPARAM mouseMessage) {
  int code = TrayClickCode(mouseMessage);
  if (code != 0 && code == RestoringClick()) RestoreFromTray();
}

bool IsTaskbarCreatedMessage(UINT message) {
  static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  return message != 0 && message == taskbarCreated;
}

void RestoreTrayIconAfterShellRestart() {
  if (!g_shown) return;
  g_shown = false;  // the new shell knows no icon of ours
  if (HWND main = MainWindowHandle()) ShowIcon(main);
}

}  // namespace quorrel
