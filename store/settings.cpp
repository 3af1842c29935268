#include "store/settings.h"

namespace quorrel {

bool StartupLockedOf(std::string_view startup) { return startup == "True"; }
bool ShowPasswordsOf(std::string_view laws) { return laws == "Show"; }
TrayRestore TrayRestoreOf(std::string_view tray) {
  if (tray == "1") return TrayRestore::kSingleClick;
  return tray == "3" ? TrayRestore::kRightClick : TrayRestore::kDoubleClick;
}

bool IsModifierKey(int32_t code) {
  switch (code) {
    case 16: case 17: case 18:               // Shift, Ctrl, Alt
    case 160: case 161: case 162: case 163:  // left and right Shift, Ctrl
    case 164: case 165:                      // left and right Alt
    case 91: case 92:                        // left and right Windows key
      return true;
    default:
      return false;
  }
}

HotkeySetting HotkeySettingOf(std::string_view stored) {
  const int32_t code = ParseDecimal(stored);
  return {code, !IsModifierKey(code)};
}

}  // namespace quorrel
