// The program's settings, typed: each key of Config.ini has one reader and one writer here,
// and every window asks this class instead of comparing texts itself. A new switch is a key
// in store/config_file.h, a reader and a writer here, and its place on the settings page.
//
// Stored values are the exact texts the settings page writes, compared case-sensitively;
// any other value reads as the key's default meaning, the same for every reader.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/text.h"
#include "store/config_file.h"

namespace quorrel {

// Which click on the tray icon brings the main window back. The settings page writes the
// first two; "3" by hand names the right click, which the page's switch shows as neither.
enum class TrayRestore { kSingleClick, kDoubleClick, kRightClick };

// What the stored texts mean (portable, for the readers below and their tests).
[[nodiscard]] bool StartupLockedOf(std::string_view startup);    // "True" only
[[nodiscard]] bool ShowPasswordsOf(std::string_view laws);       // "Show" only; else masked
[[nodiscard]] TrayRestore TrayRestoreOf(std::string_view tray);  // "1" single, "3" right; else double

// Shift, Ctrl, Alt and the Windows keys, left, right or either (16-18, 160-165, 91, 92).
// A hotkey on one of them would fire on every capital letter the program types itself, and
// the system holds them for its own shortcuts: they are never hotkeys.
[[nodiscard]] bool IsModifierKey(int32_t code);

// A hotkey code as stored ("UserKey", "PassKey": the decimal rule) and whether it can work.
struct HotkeySetting {
  int32_t code = 0;
  bool usable = false;  // not a modifier key
};
[[nodiscard]] HotkeySetting HotkeySettingOf(std::string_view stored);

// Config.ini at one path. A plain value: windows keep their own copy. Writers return false
// when the file could not be written (the caller tells the user; the old value stays).
class Settings {
 public:
  Settings() = default;
  explicit Settings(ConfigFile file) : file_(std::move(file)) {}
  const Text& path() const { return file_.path(); }

  // "Startup": the start asks for the PIN.
  [[nodiscard]] bool StartupLocked() const;
  [[nodiscard]] bool SetStartupLocked(bool locked) const;
  // "Laws": the account list shows passwords in clear.
  [[nodiscard]] bool ShowPasswords() const;
  [[nodiscard]] bool SetShowPasswords(bool show) const;
  // "Tray".
  [[nodiscard]] TrayRestore TrayRestoreClick() const;
  [[nodiscard]] bool SetTrayRestoreClick(TrayRestore click) const;
  // "UserKey" and "PassKey": the keys that type the user name and the password.
  [[nodiscard]] HotkeySetting AccountHotkey() const;
  [[nodiscard]] HotkeySetting PasswordHotkey() const;
  [[nodiscard]] bool SetAccountHotkey(int32_t code) const;
  [[nodiscard]] bool SetPasswordHotkey(int32_t code) const;
  // "Pwd": the startup PIN, sealed (security/startup_pin.h seals and checks it).
  [[nodiscard]] Text SealedPin() const;
  [[nodiscard]] bool SetSealedPin(std::string_view sealed) const;

 private:
  ConfigFile file_;
};

}  // namespace quorrel
