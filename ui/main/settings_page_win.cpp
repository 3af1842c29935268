// Page 1 of the main window: the ".Pw" association, the hotkey and import windows, and three
// switches (startup password, tray click, passwords in the list) that show their choice and
// write it at the click.
#include <windows.h>

#include <functional>

#include "base/encoding_win.h"
#include "base/report.h"
#include "exchange/file_association_win.h"
#include "exchange/import_window_win.h"
#include "input/hotkey_window_win.h"
#include "res/resource.h"
#include "security/pin_pad_win.h"
#include "security/startup_pin.h"
#include "store/table_messages_win.h"
#include "ui/main/main_parts_win.h"
#include "ui/main/main_texts.h"
#include "ui/toolkit/controls_win.h"
#include "ui/toolkit/picture_win.h"

namespace quorrel::mainwin {
namespace {

constexpr char kAssociatedExtensions[] = "Pw";
constexpr char kAssociatedTypeDescription[] = "Quorrel 加密数据";  // UTF-8

// Neither side of a switch: a stored value that the switch does not write.
constexpr int kNeitherSide = -1;

// The side shows selected: pressed with white text; the other not pressed, with text in the
// accent colour (both so for kNeitherSide).
void SelectSegment(ui::Window& w, int control, int side) {
  HWND bar = w.Control(control);
  for (int i : {kSwitchOn, kSwitchOff}) {
    ui::BarSetPressed(bar, i, i == side);
    ui::BarSetColour(bar, i, i == side ? ui::kWhite : ui::kAccent);
  }
}

int TraySide(TrayRestore click) {
  switch (click) {
    case TrayRestore::kSingleClick: return kSwitchOn;
    case TrayRestore::kDoubleClick: return kSwitchOff;
    case TrayRestore::kRightClick: break;  // "3" by hand
  }
  return kNeitherSide;
}

void HideOverlayOf(HWND main) { WithMainWindow(main, HideBlurOverlay); }

// A switch moves only once its value is stored: a switch showing a choice that the next
// start will not find would be a lie.
void StoreSwitch(ui::Window& w, int control, int side, bool stored) {
  if (stored) {
    SelectSegment(w, control, side);
    return;
  }
  const Text& path = StateOf(w).args.settings.path();
  const std::wstring text = Utf8ToWide(std::string(main_texts::kSettingNotSavedHead) + "\r\n") + AnsiToWide(path) +
                            Utf8ToWide(std::string("\r\n\r\n") + main_texts::kSettingNotSavedTail +
                                       WriteAdviceFor(path, main_texts::kSwitchAgain));
  MessageBoxW(w.hwnd(), text.c_str(), Utf8ToWide(main_texts::kTitle).c_str(), MB_OK | MB_ICONWARNING);
}

void SwitchPinOn(ui::Window& w) { StoreSwitch(w, kPinSwitch, kSwitchOn, StateOf(w).args.settings.SetStartupLocked(true)); }

// The keypad in set mode over the dimmed window; the dimming goes when it closes, however
// it closes. It may run modally, so nothing here uses the window after the call.
void OpenKeypadToSetPin(ui::Window& w, std::function<void()> onPinSet) {
  ShowBlurOverlay(w);
  HWND main = w.hwnd();
  PinPadArgs pad;
  pad.mode = PinPadMode::Set;
  pad.settings = StateOf(w).args.settings;
  pad.onPinSet = std::move(onPinSet);
  pad.onClosed = [main] { HideOverlayOf(main); };
  OpenPinPadWindow(main, std::move(pad));
}

}  // namespace

void SetUpSettingsPage(ui::Window& w) {
  MainWindow& s = StateOf(w);
  s.gear = LoadPngResource(IDR_GEAR_PNG);
  ReportIf(!s.gear);
  ui::BarSetPicture(w.Control(kPinSetButton), 0, s.gear.get());
  // What the stored values mean, as every other reader of them takes it.
  const Settings& settings = s.args.settings;
  SelectSegment(w, kPinSwitch, settings.StartupLocked() ? kSwitchOn : kSwitchOff);
  SelectSegment(w, kTraySwitch, TraySide(settings.TrayRestoreClick()));
  SelectSegment(w, kLawsSwitch, settings.ShowPasswords() ? kSwitchOn : kSwitchOff);
}

void AssociationClick(ui::Window& w, ui::EventArgs& args) {
  const Text& program = StateOf(w).args.programPath;
  switch (args.index) {
    case kSetAssociation:
      // An empty path would remove the association instead.
      if (ReportIf(program.empty())) return;
      UpdateFileAssociation(program, kAssociatedExtensions, program, Utf8ToAnsi(kAssociatedTypeDescription), "");
      break;
    case kRemoveAssociation:
      UpdateFileAssociation("", kAssociatedExtensions, "", "", "");
      break;
    default:
      break;
  }
}

void HotkeyClick(ui::Window& w, ui::EventArgs& args) {
  if (args.index != 0) return;
  const MainWindow& s = StateOf(w);
  ShowBlurOverlay(w);
  HWND main = w.hwnd();
  HotkeyWindowArgs hotkeys;
  hotkeys.settings = s.args.settings;
  hotkeys.pendingAccountKey = s.args.pendingAccountKey;
  hotkeys.pendingPasswordKey = s.args.pendingPasswordKey;
  hotkeys.onClosed = [main] { HideOverlayOf(main); };
  OpenHotkeyWindow(main, std::move(hotkeys));
}

void ImportClick(ui::Window& w, ui::EventArgs& args) {
  if (args.index != 0) return;
  const MainWindow& s = StateOf(w);
  ShowBlurOverlay(w);
  HWND main = w.hwnd();
  ImportWindowArgs import;
  import.accounts = s.args.accounts;
  import.importFilePath = s.args.importFilePath;
  import.onImported = [main] { WithMainWindow(main, FillAccountList); };
  import.onClosed = [main] { HideOverlayOf(main); };
  OpenImportWindow(main, std::move(import));
}

void PinSwitchClick(ui::Window& w, ui::EventArgs& args) {
  const Settings& settings = StateOf(w).args.settings;
  if (args.index == kSwitchOff) {
    StoreSwitch(w, kPinSwitch, kSwitchOff, settings.SetStartupLocked(false));
  } else if (args.index == kSwitchOn) {
    if (HoldsValidPin(settings.SealedPin())) {
      SwitchPinOn(w);
      return;
    }
    // Switched on without a PIN, the next start would ask for one that no entry matches
    // and the main window would never open again. The PIN is set first; the switch moves
    // only once the keypad has stored it.
    HWND main = w.hwnd();
    OpenKeypadToSetPin(w, [main] { WithMainWindow(main, SwitchPinOn); });
  }
}

void PinSetClick(ui::Window& w, ui::EventArgs& args) {
  if (args.index != 0) return;
  // A new PIN does not switch the startup password on or off.
  OpenKeypadToSetPin(w, {});
}

void TraySwitchClick(ui::Window& w, ui::EventArgs& args) {
  if (args.index != kSwitchOn && args.index != kSwitchOff) return;
  const TrayRestore click = args.index == kSwitchOn ? TrayRestore::kSingleClick : TrayRestore::kDoubleClick;
  StoreSwitch(w, kTraySwitch, args.index, StateOf(w).args.settings.SetTrayRestoreClick(click));
}

void LawsSwitchClick(ui::Window& w, ui::EventArgs& args) {
  if (args.index != kSwitchOn && args.index != kSwitchOff) return;
  StoreSwitch(w, kLawsSwitch, args.index, StateOf(w).args.settings.SetShowPasswords(args.index == kSwitchOn));
  FillAccountList(w);  // the password column follows at once
}

}  // namespace quorrel::mainwin
