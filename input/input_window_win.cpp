#include "input/input_window_win.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "base/encoding_win.h"
#include "exchange/account_file.h"
#include "input/hotkeys_win.h"
#include "input/key_names.h"
#include "store/settings.h"
#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {

enum Control : int {
  kFrame,
  kAccountLabel,
  kAccount,
  kPasswordLabel,
  kPassword,
  kHint,
  kDropTarget,
  kControlCount
};

// Display styles of the 密码 box: an account chosen from the list shows its password (the
// user keeps it in the table anyway); one read from a file shows it masked, since whoever
// received the file is meant to type the password, not to read it.
constexpr int kStylePlain = 12;
constexpr int kStyleMasked = 14;
constexpr wchar_t kMaskChar = 0x25CF;  // ●

struct InputWindow : ui::WindowState {
  explicit InputWindow(InputWindowArgs a) : args(std::move(a)) {}
  InputWindowArgs args;
  // The bytes put into the two boxes. An edit box holds UTF-16, so bytes that form no GBK
  // character (a stray lead byte, a lead byte before a digit) would come back as '?' and
  // swallow the byte after them: the hotkey would type a wrong password.
  std::array<SecretText, 2> shown;
};

InputWindow& StateOf(ui::Window& w) { return w.State<InputWindow>(); }

void SetBoxStyle(ui::Window& w, int box, int style) {
  HWND edit = w.Control(box);
  if (!edit) return;
  SendMessageW(edit, EM_SETPASSWORDCHAR, style == kStyleMasked ? kMaskChar : 0, 0);
  InvalidateRect(edit, nullptr, TRUE);
}

void ShowAccount(ui::Window& w, SecretText user, SecretText password) {
  InputWindow& s = StateOf(w);
  s.shown[0] = std::move(user);
  s.shown[1] = std::move(password);
  w.SetText(kAccount, s.shown[0].str());
  w.SetText(kPassword, s.shown[1].str());
}

// The user name and password of an account file; an unreadable file gives empty texts (the
// hotkeys type nothing for them).
void ShowAccountFile(ui::Window& w, std::string_view path) {
  AccountFileParts parts = SplitAccountFileInner(ReadAccountFile(path).view());
  SetBoxStyle(w, kPassword, kStyleMasked);
  ShowAccount(w, std::move(parts.user), std::move(parts.password));
}

// Why a hotkey is not registered, in the hint's words.
enum class Refusal { kNone, kTaken, kModifier, kSameAsAccount };

// "F9键", or the name with the reason when the key does not work: the user must not press
// a key in vain.
std::string HintPart(int32_t code, Refusal refusal) {
  std::string name = KeyName(code);
  switch (refusal) {
    case Refusal::kNone: break;
    case Refusal::kTaken:
      if (!name.empty()) name += "(被占用)";  // another program holds it
      break;
    case Refusal::kModifier: name += "(不可用)"; break;
    case Refusal::kSameAsAccount: name += "(同账号键)"; break;
  }
  return name;
}

// Registers one of the two hotkeys unless it cannot work; the reason when it is not.
Refusal RegisterInputHotkey(HWND window, int32_t code, int id) {
  if (IsModifierKey(code)) return Refusal::kModifier;
  return RegisterAppHotkey(window, 0, static_cast<UINT>(code), OnInputHotkey, id) ? Refusal::kNone : Refusal::kTaken;
}

void OnCreated(ui::Window& w, ui::EventArgs&) {
  InputWindow& s = StateOf(w);
  const InputWindowArgs& a = s.args;
  SetBoxStyle(w, kAccount, kStylePlain);
  if (a.accountFile) {
    ShowAccountFile(w, *a.accountFile);
  } else {
    SetBoxStyle(w, kPassword, kStylePlain);
    ShowAccount(w, std::move(s.args.user), std::move(s.args.password));
  }
  const Refusal account = RegisterInputHotkey(w.hwnd(), a.accountHotkeyCode, kAccountHotkeyId);
  // The same key for both would go to the user name; the password's is not tried (the
  // system's refusal would blame another program).
  const Refusal password = a.passwordHotkeyCode == a.accountHotkeyCode && account == Refusal::kNone
                               ? Refusal::kSameAsAccount
                               : RegisterInputHotkey(w.hwnd(), a.passwordHotkeyCode, kPasswordHotkeyId);
  w.SetCaption(kHint, "账号：" + HintPart(a.accountHotkeyCode, account) + "；密码：" +
                          HintPart(a.passwordHotkeyCode, password));
}

void OnFilesDropped(ui::Window& w, ui::EventArgs& args) { ShowAccountFile(w, args.text); }

// The hotkeys' messages (the presses, the watch of a held key's release) go to them.
void OnHotkeyMessage(ui::Window& w, ui::EventArgs& args) {
  args.handled = HotkeyMessage(w.hwnd(), args.message, args.wparam, args.lparam, &args.result);
}

void OnDestroying(ui::Window& w, ui::EventArgs&) {
  InputWindow& s = StateOf(w);
  UnregisterAllHotkeys(w.hwnd());
  // Nothing of the account stays behind in the controls' memory or in the window's own.
  w.SetText(kAccount, "");
  w.SetText(kPassword, "");
  s.shown = {};
  if (s.args.onClosed) s.args.onClosed();
}

const ui::ControlSpec kControls[] = {
    ui::Frame(kFrame, "模拟窗口UI", {8, 8, 24, 24}),
    ui::Label(kAccountLabel, "账号标签", {18, 15, 214, 20}, "▊ 待输入账号", {.accent = true}),
    ui::Edit(kAccount, "账号", {18, 40, 214, 32}),
    ui::Label(kPasswordLabel, "密码标签", {16, 82, 214, 20}, "▊ 待输入密码", {.accent = true}),
    ui::Edit(kPassword, "密码", {18, 107, 214, 32}),
    ui::Label(kHint, "说明", {18, 149, 214, 20}),
    ui::DropTarget(kDropTarget, "拖放对象", {232, 8, 16, 8}),
};
static_assert(std::size(kControls) == kControlCount);

const ui::HandlerSpec kHandlers[] = {
    {ui::kNoControl, ui::Event::Created, OnCreated},
    {kDropTarget, ui::Event::FilesDropped, OnFilesDropped},
    {ui::kNoControl, ui::Event::Message, OnHotkeyMessage, 0},
    {ui::kNoControl, ui::Event::Destroying, OnDestroying},
};

}  // namespace

HWND OpenInputWindow(HWND owner, InputWindowArgs args) {
  ui::WindowSpec spec{kInputWindowTitle, 250, 184, kControls, kHandlers};
  spec.exStyle = WS_EX_TOPMOST;  // stays in sight while the user works in the target program
  ui::Window* w = ui::Window::Create(spec, owner, std::make_unique<InputWindow>(std::move(args)));
  return w ? w->hwnd() : nullptr;
}

SecretText InputBoxText(HWND inputWindow, InputBox box) {
  ui::Window* w = ui::Window::FromHwnd(inputWindow);
  const InputWindow* s = w ? w->StateIf<InputWindow>() : nullptr;
  if (!s) return {};
  const int control = box == InputBox::Account ? kAccount : kPassword;
  const SecretText& shown = s->shown[box == InputBox::Account ? 0 : 1];
  const SecretWide now = w->GetWideText(control);
  const SecretWide put(AnsiToWide(shown.view()));
  // Edited by the user since: type what the box shows.
  return put == now.view() ? shown.Clone() : SecretText(WideToAnsi(now.view()));
}

}  // namespace quorrel
