#include "input/hotkey_window_win.h"

#include <string>
#include <utility>

#include "base/report.h"
#include "input/key_names.h"
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

// A hotkey is a single key without modifiers: a modifier as the hotkey would fire on
// every capital letter the program types itself.
bool IsModifier(WPARAM key) {
  switch (key) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
      return true;
    default:
      return false;
  }
}

// A box shows the key a confirm would write for it: the one picked earlier in this run,
// else the stored one.
void ShowBox(ui::Window& w, int box, const ConfigKey& key) {
  const int32_t* pending = PendingOf(w, box);
  const int32_t code = pending && *pending != 0 ? *pending : ParseDecimal(StateOf(w).args.config.Read(key));
  w.SetCaption(box, KeyName(code));
}

void OnCreated(ui::Window& w, ui::EventArgs&) {
  ReportIf(!PendingOf(w, kAccountKey) || !PendingOf(w, kPasswordKey));
  ShowBox(w, kAccountKey, kUserKey);
  ShowBox(w, kPasswordKey, kPassKey);
  SetFocus(w.Control(kAccountKey));
}

// The boxes capture their keys: nothing typed reaches them, they show only key names.
void OnKeyReport(ui::Window& w, int box, ui::EventArgs& args) {
  const bool system = args.message == WM_SYSKEYDOWN || args.message == WM_SYSKEYUP;
  const bool altHeld = (args.lparam & (1 << 29)) != 0;
  if (system && altHeld && !IsModifier(args.wparam)) return;  // Alt+F4 and the like go on
  args.handled = true;
  const bool pressed = args.message == WM_KEYDOWN || args.message == WM_SYSKEYDOWN;
  if (!pressed || IsModifier(args.wparam)) return;  // the box keeps the key it shows
  const int32_t code = static_cast<int32_t>(args.wparam);
  w.SetCaption(box, "");
  w.SetCaption(box, KeyName(code));  // a key without a name leaves the box empty
  if (int32_t* pending = PendingOf(w, box)) *pending = code;
}

void OnAccountKey(ui::Window& w, ui::EventArgs& args) { OnKeyReport(w, kAccountKey, args); }
void OnPasswordKey(ui::Window& w, ui::EventArgs& args) { OnKeyReport(w, kPasswordKey, args); }

void OnConfirm(ui::Window& w, ui::EventArgs&) {
  const HotkeyWindowArgs& a = StateOf(w).args;
  // A box that got no key in this run keeps the stored code: 0 would name no key.
  for (auto [pending, key] : {std::pair{a.pendingAccountKey, &kUserKey}, std::pair{a.pendingPasswordKey, &kPassKey}})
    if (pending && *pending != 0) ReportIf(!a.config.Write(*key, std::to_string(*pending)));
  // The running program keeps its hotkeys; the stored ones take effect at the next start.
  DestroyWindow(w.hwnd());
}

void OnDestroying(ui::Window& w, ui::EventArgs&) {
  if (const auto& closed = StateOf(w).args.onClosed) closed();
}

// Read-only: the boxes take no typing and no pasting; the window puts the names in. The
// labels keep to one line, centred beside their box, at every scale.
const ui::ControlSpec kControls[] = {
    {kFrame, "设置快捷键UI", ui::ControlKind::Frame, 8, 8, 24, 24},
    {kAccountLabel, "账号标签", ui::ControlKind::Label, 18, 15, 79, 32, "账号快捷键：", ui::kNoControl, -1, {}, SS_CENTERIMAGE},
    {kAccountKey, "账号快捷键", ui::ControlKind::Edit, 102, 15, 100, 32, "", ui::kNoControl, -1, {}, ES_READONLY},
    {kPasswordLabel, "密码标签", ui::ControlKind::Label, 18, 57, 79, 32, "密码快捷键：", ui::kNoControl, -1, {}, SS_CENTERIMAGE},
    {kPasswordKey, "密码快捷键", ui::ControlKind::Edit, 102, 57, 100, 32, "", ui::kNoControl, -1, {}, ES_READONLY},
    {kConfirm, "确定设置", ui::ControlKind::Button, 54, 99, 112, 35, "设置完成"},
};
static_assert(std::size(kControls) == kControlCount);

const ui::HandlerSpec kHandlers[] = {
    {ui::kNoControl, ui::Event::Created, OnCreated},
    {kAccountKey, ui::Event::KeyReport, OnAccountKey},
    {kPasswordKey, ui::Event::KeyReport, OnPasswordKey},
    {kConfirm, ui::Event::Clicked, OnConfirm},
    {ui::kNoControl, ui::Event::Destroying, OnDestroying},
};

}  // namespace

void OpenHotkeyWindow(HWND owner, HotkeyWindowArgs args) {
  ui::WindowSpec spec{"设置快捷键", 220, 149, kControls, kHandlers};
  ui::Window::RunModal(spec, owner, std::make_unique<HotkeyWindow>(std::move(args)));
}

}  // namespace quorrel
