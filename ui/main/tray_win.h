// The main window's icon in the notification area.
#pragma once

#include <windows.h>

namespace quorrel {

inline constexpr UINT kTrayIconId = 100;
inline constexpr UINT WM_APP_TRAY = 0x8064;  // the icon's notifications to the main window

// Shows the tray icon and hides the main window.
void HideToTray();
// Shows the main window and removes the tray icon.
void RestoreFromTray();

}  // namespace quorrel
