#include <string>

#include "store/settings.h"

namespace quorrel {

bool Settings::StartupLocked() const { return StartupLockedOf(file_.Read(kStartup)); }
bool Settings::SetStartupLocked(bool locked) const { return file_.Write(kStartup, locked ? "True" : "False"); }

bool Settings::ShowPasswords() const { return ShowPasswordsOf(file_.Read(kLaws)); }
bool Settings::SetShowPasswords(bool show) const { return file_.Write(kLaws, show ? "Show" : "Hide"); }

TrayRestore Settings::TrayRestoreClick() const { return TrayRestoreOf(file_.Read(kTray)); }
bool Settings::SetTrayRestoreClick(TrayRestore click) const {
  return file_.Write(kTray, click == TrayRestore::kSingleClick ? "1" : click == TrayRestore::kRightClick ? "3" : "2");
}

HotkeySetting Settings::AccountHotkey() const { return HotkeySettingOf(file_.Read(kUserKey)); }
HotkeySetting Settings::PasswordHotkey() const { return HotkeySettingOf(file_.Read(kPassKey)); }
bool Settings::SetAccountHotkey(int32_t code) const { return file_.Write(kUserKey, std::to_string(code)); }
bool Settings::SetPasswordHotkey(int32_t code) const { return file_.Write(kPassKey, std::to_string(code)); }

Text Settings::SealedPin() const { return file_.Read(kPwd); }
bool Settings::SetSealedPin(std::string_view sealed) const { return file_.Write(kPwd, sealed); }

}  // namespace quorrel
