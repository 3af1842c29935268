#include "security/pin_pad_win.h"

#include "base/encoding_win.h"
#include "base/report.h"
#include "base/text.h"
#include "security/security_texts.h"
#include "security/startup_pin.h"
#include "store/table_messages_win.h"
#include "ui/toolkit/controls_win.h"
#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {

enum Control : int {
  kFrame,
  kProgress,
  kDigit1,
  kDigit2,
  kDigit3,
  kDigit4,
  kDigit5,
  kDigit6,
  kDigit7,
  kDigit8,
  kDigit9,
  kClear,
  kDigit0,
  kConfirm,
  kControlCount
};


struct PinPad : ui::WindowState {
  explicit PinPad(PinPadArgs a) : args(std::move(a)) {}
  PinPadArgs args;
  SecretText entered;  // the digits typed so far, never shown
};

PinPad& StateOf(ui::Window& w) { return w.State<PinPad>(); }

// Indicators 0..n-1 on, the others off.
void ShowPinProgress(ui::Window& w, size_t n) {
  HWND bar = w.Control(kProgress);
  for (size_t i = 0; i < kPinLength; ++i) {
    const bool on = i < n;
    ui::BarSetChecked(bar, static_cast<int>(i), on);
    ui::BarSetPressed(bar, static_cast<int>(i), on);
  }
}

void PinPadClear(ui::Window& w) {
  SecureWipe(StateOf(w).entered.str());
  ShowPinProgress(w, 0);
}

void PinPadEnterDigit(ui::Window& w, char digit) {
  PinPad& s = StateOf(w);
  std::string& entered = s.entered.str();
  if (entered.size() >= kPinLength) return;  // a fifth digit is ignored
  entered += digit;
  ShowPinProgress(w, entered.size());
  if (entered.size() != kPinLength || s.args.mode != PinPadMode::Verify) return;
  // The sealed form is the PIN in plain hex: it is wiped like the PIN itself.
  const SecretText sealed(s.args.settings.SealedPin());
  if (!PinMatches(sealed.view(), entered)) return;  // wrong: all four stay on until cleared
  if (s.args.onVerified) s.args.onVerified();
  DestroyWindow(w.hwnd());
}

void PinPadConfirm(ui::Window& w) {
  PinPad& s = StateOf(w);
  // Verify mode checks on the fourth digit, never on the button.
  if (s.args.mode != PinPadMode::Set || s.entered.str().size() != kPinLength) return;
  const SecretText sealed(SealPin(s.entered.str()));
  if (!s.args.settings.SetSealedPin(sealed.view())) {
    // The PIN in force is still the old one (or none): nothing may act as if it changed,
    // least of all switch the locked start on. The keypad stays for another try.
    PinPadClear(w);
    const Text& path = s.args.settings.path();
    const std::wstring text = Utf8ToWide(security_texts::PinNotSaved(
        WideToUtf8(AnsiToWide(path)), WriteAdviceFor(path, security_texts::kSetAgain)));
    MessageBoxW(w.hwnd(), text.c_str(), Utf8ToWide(security_texts::kKeypadTitle).c_str(), MB_OK | MB_ICONWARNING);
    return;
  }
  if (s.args.onPinSet) s.args.onPinSet();
  DestroyWindow(w.hwnd());
}

void OnCreated(ui::Window& w, ui::EventArgs&) { PinPadClear(w); }

// Every digit button: the one that fired gives the digit.
void OnDigitClicked(ui::Window& w, ui::EventArgs& args) {
  PinPadEnterDigit(w, args.control == kDigit0 ? '0' : static_cast<char>('1' + (args.control - kDigit1)));
}

void OnClearClicked(ui::Window& w, ui::EventArgs&) { PinPadClear(w); }
void OnConfirmClicked(ui::Window& w, ui::EventArgs&) { PinPadConfirm(w); }

// Whichever button has the focus: the main keyboard's digits enter, Backspace clears the
// whole entry, and every other key (the numeric keypad's digits, Enter, Space on the
// focused button) does nothing.
void OnKeyDown(ui::Window& w, ui::EventArgs& args) {
  args.handled = true;
  if (args.wparam >= '0' && args.wparam <= '9') {
    PinPadEnterDigit(w, static_cast<char>(args.wparam));
  } else if (args.wparam == VK_BACK) {
    PinPadClear(w);
  }
}

void OnDestroying(ui::Window& w, ui::EventArgs&) {
  PinPad& s = StateOf(w);
  SecureWipe(s.entered.str());
  if (s.args.onClosed) s.args.onClosed();
}

// Four indicators, no captions: a blank item is an indicator in this bar's style.
const ui::ControlSpec kControls[] = {
    ui::Frame(kFrame, "密码窗口UI", {8, 8, 24, 24}),
    ui::Bar(kProgress, "密码状态", {65, 35, 120, 15}, {"", "", "", ""}, {.style = ui::kBarIndicators}),
    ui::Button(kDigit1, "数字1", {40, 75, 50, 35}, "1"),
    ui::Button(kDigit2, "数字2", {100, 75, 50, 35}, "2"),
    ui::Button(kDigit3, "数字3", {160, 75, 50, 35}, "3"),
    ui::Button(kDigit4, "数字4", {40, 120, 50, 35}, "4"),
    ui::Button(kDigit5, "数字5", {100, 120, 50, 35}, "5"),
    ui::Button(kDigit6, "数字6", {160, 120, 50, 35}, "6"),
    ui::Button(kDigit7, "数字7", {40, 165, 50, 35}, "7"),
    ui::Button(kDigit8, "数字8", {100, 165, 50, 35}, "8"),
    ui::Button(kDigit9, "数字9", {160, 165, 50, 35}, "9"),
    ui::Button(kClear, "清除", {40, 210, 50, 35}, "×"),
    ui::Button(kDigit0, "数字0", {100, 210, 50, 35}, "0"),
    ui::Button(kConfirm, "确定", {160, 210, 50, 35}, "▶"),
};
static_assert(std::size(kControls) == kControlCount);

const ui::HandlerSpec kHandlers[] = {
    {ui::kNoControl, ui::Event::Created, OnCreated},
    {kDigit0, ui::Event::Clicked, OnDigitClicked},
    {kDigit1, ui::Event::Clicked, OnDigitClicked},
    {kDigit2, ui::Event::Clicked, OnDigitClicked},
    {kDigit3, ui::Event::Clicked, OnDigitClicked},
    {kDigit4, ui::Event::Clicked, OnDigitClicked},
    {kDigit5, ui::Event::Clicked, OnDigitClicked},
    {kDigit6, ui::Event::Clicked, OnDigitClicked},
    {kDigit7, ui::Event::Clicked, OnDigitClicked},
    {kDigit8, ui::Event::Clicked, OnDigitClicked},
    {kDigit9, ui::Event::Clicked, OnDigitClicked},
    {kClear, ui::Event::Clicked, OnClearClicked},
    {kConfirm, ui::Event::Clicked, OnConfirmClicked},
    {ui::kNoControl, ui::Event::KeyDown, OnKeyDown},
    {ui::kNoControl, ui::Event::Destroying, OnDestroying},
};

}  // namespace

HWND OpenPinPadWindow(HWND owner, PinPadArgs args) {
  ui::WindowSpec spec{security_texts::kKeypadTitle, 250, 275, kControls, kHandlers};
  spec.modal = args.mode == PinPadMode::Set && owner;
  ui::Window* w = ui::Window::Create(spec, owner, std::make_unique<PinPad>(std::move(args)));
  return w ? w->hwnd() : nullptr;
}

}  // namespace quorrel
