// The main window's icon in the notification area.
#pragma once

#include <windows.h>

#include <string_view>

#include "base/handles_win.h"

namespace quorrel {

inline constexpr UINT kTrayIconId = 100;
inline constexpr UINT WM_APP_TRAY = 0x8064;  // the icon's notifications to the main window

// Click codes of the icon: what the "Tray" setting names.
inline constexpr int kTrayClick = 1;
inline constexpr int kTrayDoubleClick = 2;
inline constexpr int kTrayRightClick = 3;

// At most one icon, owned by one window, removed when this object goes.
class TrayIcon {
 public:
  TrayIcon() = default;
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;
  ~TrayIcon() { Remove(); }

  // Shows the icon for owner (replacing it when it is shown); true when it is in the
  // notification area.
  [[nodiscard]] bool Show(HWND owner);
  void Remove();
  bool Shown() const { return shown_; }
  // The shell restarted: it knows no icon of ours, so a shown one is added again.
  void AfterShellRestart();

 private:
  HWND owner_ = nullptr;
  bool shown_ = false;
  UniqueIcon icon_;
};

// 0 for a mouse message that is no click code.
int TrayClickCode(LPARAM mouseMessage);
// The "Tray" setting as the click code that restores the window. A value that names no
// click (only possible by editing the file) falls back to the double click, so the window
// can always be brought back.
int RestoringClick(std::string_view trayValue);
bool IsTaskbarCreatedMessage(UINT message);

}  // namespace quorrel
