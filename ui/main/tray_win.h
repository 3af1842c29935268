// The main window's icon in the notification area.
#pragma once

#include <windows.h>

namespace quorrel {

inline constexpr UINT kTrayIconId = 100;
inline constexpr UINT WM_APP_TRAY = 0x8064;  // the icon's notifications to the main window

// Click codes of the icon: what the "Tray" setting names.
inline constexpr int kTrayClick = 1;
inline constexpr int kTrayDoubleClick = 2;
inline constexpr int kTrayRightClick = 3;

// Shows the tray icon (one at most) and hides the main window.
void HideToTray();
// Shows the main window and removes the tray icon.
void RestoreFromTray();
void RemoveTrayIcon();
bool TrayIconShown();

// The icon's notification (lParam: the mouse message on the icon).
void OnTrayNotification(LPARAM mouseMessage);
// 0 for a mouse message that is no click code.
int TrayClickCode(LPARAM mouseMessage);
// The shell restarted: the icon must be added again.
bool IsTaskbarCreatedMessage(UINT message);
void RestoreTrayIconAfterShellRestart();

}  // namespace quorrel
