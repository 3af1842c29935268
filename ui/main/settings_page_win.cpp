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
#include "ui/main/main_parts_win.h"
#include "ui/toolkit/controls_win.h"
#include "ui/toolkit/picture_win.h"

namespace quorrel::mainwin {
namespace {

constexpr char kAssociatedExtensions[] = "Pw";
constexpr char kAssociatedTypeDescription[] = "Quorrel 加密数据";  // UTF-8

// Exactly one side shows selected: pressed with white text; the other not pressed, with
// text in the accent colour.
void SelectSegment(ui::Window& w, int control, int side) {
  HWND bar = w.Control(control);
  for (int i : {kSwitchOn, kSwitchOff}) {
    ui::BarSetPressed(bar, i, false);
    ui::BarSetColour(bar, i, ui::kAccent);
  }
  ui::BarSetPressed(bar, side, true);
  ui::BarSetColour(bar, side, ui::kWhite);
}

void HideOverlayOf(HWND main) { WithMainWindow(main, HideBlurOverlay); }

void SwitchPinOn(ui::Window& w) {
  SelectSegment(w, kPinSwitch, kSwitchOn);
  StateOf(w).args.config.Write(kStartup, "True");
}

// The keypad in set mode over the dimmed window; the dimming goes when it closes, however
// it closes. It may run modally, so nothing here uses the window after the call.
void OpenKeypadToSetPin(ui::Window& w, std::function<void()> onPinSet) {
  ShowBlurOverlay(w);
  HWND main = w.hwnd();
  PinPadArgs pad;
  pad.mode = PinPadMode::Set;
  pad.config = StateOf(w).args.config;
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
  // The stored choices, compared exactly: any other value leaves the "off" side selected.
  const ConfigFile& config = s.args.config;
  SelectSegment(w, kPinSwitch, config.Read(kStartup) == "True" ? kSwitchOn : kSwitchOff);
  SelectSegment(w, kTraySwitch, config.Read(kTray) == "1" ? kSwitchOn : kSwitchOff);
  SelectSegment(w, kLawsSwitch, config.Read(kLaws) == "Show" ? kSwitchOn : kSwitchOff);
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
  hotkeys.config = s.args.config;
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
  const ConfigFile& config = StateOf(w).args.config;
  if (args.index == kSwitchOff) {
    SelectSegment(w, kPinSwitch, kSwitchOff);
    config.Write(kStartup, "False");
  } else if (args.index == kSwitchOn) {
    if (HoldsValidPin(config.Read(kPwd))) {
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
  SelectSegment(w, kTraySwitch, args.index);
  StateOf(w).args.config.Write(kTray, args.index == kSwitchOn ? "1" : "2");
}

void LawsSwitchClick(ui::Window& w, ui::EventArgs& args) {
  if (args.index != kSwitchOn && args.index != kSwitchOff) return;
  SelectSegment(w, kLawsSwitch, args.index);
  StateOf(w).args.config.Write(kLaws, args.index == kSwitchOn ? "Show" : "Hide");
  FillAccountList(w);  // the password column follows at once
}

}  // namespace quorrel::mainwin
