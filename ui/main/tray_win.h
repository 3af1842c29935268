// The main window's icon in the notification area.
#pragma once

#include <windows.h>

#include <string_view>

#include "base/handles_win.h"
#include "store/settings.h"

namespace quorrel {

inline constexpr UINT kTrayIconId = 100;
inline constexpr UINT WM_APP_TRAY = 0x8064;  // the icon's notifications to the main window


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

// Whether the icon's mouse message is the click that the "Tray" setting names.
[[nodiscard]] bool IsRestoringClick(LPARAM mouseMessage, TrayRestore restore);
bool IsTaskbarCreatedMessage(UINT message);

}  // namespace quorrel
