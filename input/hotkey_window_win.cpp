#include "input/hotkey_window_win.h"

#include <string>
#include <utility>

#include "base/encoding_win.h"
#include "base/report.h"
#include "input/input_texts.h"
#include "input/key_names.h"
#include "store/table_messages_win.h"
#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {

enum Control : int {
  kFrame,
  kAccountLabel,
  kAccountKey,
  kPasswordLabel,
  kPasswordKey,
  kConfirm,
  kControlCount
};

struct HotkeyWindow : ui::WindowState {
  explicit HotkeyWindow(HotkeyWindowArgs a) : args(std::move(a)) {}
  HotkeyWindowArgs args;
};

HotkeyWindow& StateOf(ui::Window& w) { return w.State<HotkeyWindow>(); }

int32_t* PendingOf(ui::Window& w, int box) {
  const HotkeyWindowArgs& a = StateOf(w).args;
  return box == kAccountKey ? a.pendingAccountKey : a.pendingPasswordKey;
}

// The code a confirm stores for a box: the key picked in this run, else the stored one.
int32_t CodeOf(ui::Window& w, int box) {
  const int32_t* pending = PendingOf(w, box);
  if (pending && *pending != 0) return *pending;
  const Settings& settings = StateOf(w).args.settings;
  return (box == kAccountKey ? settings.AccountHotkey() : settings.PasswordHotkey()).code;
}

// A box shows the key a confirm would write for it.
void ShowBox(ui::Window& w, int box) { w.SetCaption(box, KeyName(CodeOf(w, box))); }

void OnCreated(ui::Window& w, ui::EventArgs&) {
  ReportIf(!PendingOf(w, kAccountKey) || !PendingOf(w, kPasswordKey));
  ShowBox(w, kAccountKey);
  ShowBox(w, kPasswordKey);
  SetFocus(w.Control(kAccountKey));
}

// The boxes capture their keys: nothing typed reaches them, they show only key names.
void OnBoxKey(ui::Window& w, ui::EventArgs& args) {
  const int box = args.control;
  const bool system = args.message == WM_SYSKEYDOWN || args.message == WM_SYSKEYUP;
  const bool altHeld = (args.lparam & (1 << 29)) != 0;
  if (system && altHeld && !IsModifierKey(static_cast<int>(args.wparam))) return;  // Alt+F4 and the like go on
  args.handled = true;
  const bool pressed = args.message == WM_KEYDOWN || args.message == WM_SYSKEYDOWN;
  if (!pressed || IsModifierKey(static_cast<int>(args.wparam))) return;  // the box keeps the key it shows
  const int32_t code = static_cast<int32_t>(args.wparam);
  w.SetCaption(box, "");
  w.SetCaption(box, KeyName(code));  // a key without a name leaves the box empty
  if (int32_t* pending = PendingOf(w, box)) *pending = code;
}

void Tell(ui::Window& w, const std::string& utf8, UINT icon = MB_ICONWARNING) {
  MessageBoxW(w.hwnd(), Utf8ToWide(utf8).c_str(), Utf8ToWide(input_texts::kHotkeyWindowTitle).c_str(), MB_OK | icon);
}

void OnConfirm(ui::Window& w, ui::EventArgs&) {
  const HotkeyWindowArgs& a = StateOf(w).args;
  // One key cannot type both: the system would give it to the user name only.
  if (CodeOf(w, kAccountKey) == CodeOf(w, kPasswordKey)) {
    Tell(w, input_texts::kSameKeyForBoth);
    return;
  }
  // A box that got no key in this run keeps the stored code: 0 would name no key.
  const bool newAccount = a.pendingAccountKey && *a.pendingAccountKey != 0;
  const bool newPassword = a.pendingPasswordKey && *a.pendingPasswordKey != 0;
  const bool accountSaved = newAccount && a.settings.SetAccountHotkey(*a.pendingAccountKey);
  const bool passwordSaved = newPassword && a.settings.SetPasswordHotkey(*a.pendingPasswordKey);
  if (accountSaved != newAccount || passwordSaved != newPassword) {
    // Say which of the two the next start takes: one may have gone in without the other.
    const std::string path = WideToUtf8(AnsiToWide(a.settings.path()));
    Tell(w, input_texts::HotkeysNotSaved(path, accountSaved, passwordSaved,
                                         WriteAdviceFor(a.settings.path(), input_texts::kConfirmAgain)));
    return;
  }
  // The running program keeps its hotkeys, and a second start only brings it forward: the
  // user learns here that the new keys need the exit and a new start.
  if (newAccount || newPassword)
    Tell(w, input_texts::HotkeysSaved(KeyName(CodeOf(w, kAccountKey)), KeyName(CodeOf(w, kPasswordKey))),
         MB_ICONINFORMATION);
  DestroyWindow(w.hwnd());
}

void OnDestroying(ui::Window& w, ui::EventArgs&) {
  if (const auto& closed = StateOf(w).args.onClosed) closed();
}

// Read-only: the boxes take no typing and no pasting; the window puts the names in. The
// labels keep to one line, centred beside their box, at every scale.
const ui::ControlSpec kControls[] = {
    ui::Frame(kFrame, "设置快捷键UI", {8, 8, 24, 24}),
    ui::Label(kAccountLabel, "账号标签", {18, 15, 79, 32}, "账号快捷键：", {.style = SS_CENTERIMAGE}),
    ui::Edit(kAccountKey, "账号快捷键", {102, 15, 100, 32}, {.style = ES_READONLY}),
    ui::Label(kPasswordLabel, "密码标签", {18, 57, 79, 32}, "密码快捷键：", {.style = SS_CENTERIMAGE}),
    ui::Edit(kPasswordKey, "密码快捷键", {102, 57, 100, 32}, {.style = ES_READONLY}),
    ui::Button(kConfirm, "确定设置", {54, 99, 112, 35}, "设置完成"),
};
static_assert(std::size(kControls) == kControlCount);

const ui::HandlerSpec kHandlers[] = {
    {ui::kNoControl, ui::Event::Created, OnCreated},
    {kAccountKey, ui::Event::KeyReport, OnBoxKey},
    {kPasswordKey, ui::Event::KeyReport, OnBoxKey},
    {kConfirm, ui::Event::Clicked, OnConfirm},
    {ui::kNoControl, ui::Event::Destroying, OnDestroying},
};

}  // namespace

void OpenHotkeyWindow(HWND owner, HotkeyWindowArgs args) {
  ui::WindowSpec spec{input_texts::kHotkeyWindowTitle, 220, 149, kControls, kHandlers};
  ui::Window::RunModal(spec, owner, std::make_unique<HotkeyWindow>(std::move(args)));
}

}  // namespace quorrel
