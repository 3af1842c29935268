#include "input/input_window_win.h"

#include <array>
#include <map>
#include <string>

#include "app/state.h"
#include "exchange/account_file.h"
#include "input/hotkeys_win.h"
#include "input/key_names.h"
#include "ui/main/main_window_win.h"
#include "ui/main/tray_win.h"
#include "base/encoding_win.h"
#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {

constexpr std::string_view kAccountBox = "账号";
constexpr std::string_view kPasswordBox = "密码";

// The bytes each open window put into its two boxes. An edit box holds UTF-16, so bytes
// that form no GBK character (a stray lead byte, a lead byte before a digit) would come
// back as '?' and swallow the byte after them: the hotkey would type a wrong password.
std::map<HWND, std::array<SecretText, 2>>& ShownTexts() {
  static std::map<HWND, std::array<SecretText, 2>> shown;
  return shown;
}

// Display styles of the 密码 box: an account chosen from the list shows its password (the
// user keeps it in the table anyway); one read from a file shows it masked, since whoever
// received the file is meant to type the password, not to read it.
constexpr int kStylePlain = 12;
constexpr int kStyleMasked = 14;
constexpr wchar_t kMaskChar = 0x25CF;  // ●

void SetBoxStyle(ui::Window& w, std::string_view box, int style) {
  HWND edit = w.Control(box);
  if (!edit) return;
  SendMessageW(edit, EM_SETPASSWORDCHAR, style == kStyleMasked ? kMaskChar : 0, 0);
  InvalidateRect(edit, nullptr, TRUE);
}

void ShowPendingAccount(ui::Window& w) {
  auto& shown = ShownTexts()[w.hwnd()];
  shown[0] = SecretText(PendingAccountPart(0));
  shown[1] = SecretText(PendingAccountPart(1));
  w.SetText(kAccountBox, shown[0].str());
  w.SetText(kPasswordBox, shown[1].str());
}

// The parts of an account file's inner text; an unreadable file gives none, and the boxes
// then show empty texts for the missing parts (the hotkeys type nothing for them).
void LoadAccountFile(std::string_view path) {
  Text inner = ReadAccountFile(path);
  SetPendingAccount(SplitText(inner, kAccountFileSeparator));
  SecureWipe(inner);
}

void OnCreated(ui::Window& w, ui::EventArgs&) {
  ProcessState& s = State();
  w.SetCaption("说明", "账号：" + KeyName(s.AccountHotkeyCode) + "；密码：" + KeyName(s.PasswordHotkeyCode));
  SetBoxStyle(w, kAccountBox, kStylePlain);
  if (s.StartedWithFile) {
    LoadAccountFile(s.CommandLineArgs.empty() ? std::string_view{} : s.CommandLineArgs[0]);
    SetBoxStyle(w, kPasswordBox, kStyleMasked);
  } else {
    SetBoxStyle(w, kPasswordBox, kStylePlain);
  }
  ShowPendingAccount(w);
  RegisterAppHotkey(w.hwnd(), 0, static_cast<UINT>(s.AccountHotkeyCode), OnInputHotkey, kAccountHotkeyId);
  RegisterAppHotkey(w.hwnd(), 0, static_cast<UINT>(s.PasswordHotkeyCode), OnInputHotkey, kPasswordHotkeyId);
}

void OnFilesDropped(ui::Window& w, ui::EventArgs& args) {
  LoadAccountFile(args.text);
  SetBoxStyle(w, kPasswordBox, kStyleMasked);
  ShowPendingAccount(w);
}

void OnDestroying(ui::Window& w, ui::EventArgs&) {
  UnregisterAllHotkeys(w.hwnd());
  // Nothing of the account stays behind in the controls' memory.
  w.SetText(kAccountBox, "");
  w.SetText(kPasswordBox, "");
  ShownTexts().erase(w.hwnd());
  if (MainWindowHandle()) RestoreFromTray();
}

const ui::ControlSpec kControls[] = {
    {"模拟窗口UI", ui::ControlKind::Frame, 8, 8, 24, 24},
    {"账号标签", ui::ControlKind::Label, 18, 15, 214, 20, "▊ 待输入账号"},
    {"账号", ui::ControlKind::Edit, 18, 40, 214, 32},
    {"密码标签", ui::ControlKind::Label, 16, 82, 214, 20, "▊ 待输入密码"},
    {"密码", ui::ControlKind::Edit, 18, 107, 214, 32},
    {"说明", ui::ControlKind::Label, 18, 149, 214, 20},
    {"拖放对象", ui::ControlKind::DropTarget, 232, 8, 16, 8},
};

const ui::HandlerSpec kHandlers[] = {
    {"", ui::Event::Created, OnCreated},
    {"拖放对象", ui::Event::FilesDropped, OnFilesDropped},
    {"", ui::Event::Destroying, OnDestroying},
};

}  // namespace

HWND OpenInputWindow(HWND owner) {
  ui::WindowSpec spec{"辅助输入", 250, 184, kControls, kHandlers};
  spec.exStyle = WS_EX_TOPMOST;  // stays in sight while the user works in the target program
  ui::Window* w = ui::Window::Create(spec, owner);
  return w ? w->hwnd() : nullptr;
}

Text InputBoxText(HWND inputWindow, std::string_view box) {
  ui::Window* w = ui::Window::FromHwnd(inputWindow);
  if (!w || (box != kAccountBox && box != kPasswordBox)) return {};
  std::wstring now = w->GetWideText(box);
  Text text;
  bool unchanged = false;
  auto it = ShownTexts().find(inputWindow);
  if (it != ShownTexts().end()) {
    const SecretText& shown = it->second[box == kAccountBox ? 0 : 1];
    std::wstring put = AnsiToWide(shown.str());
    unchanged = put == now;
    if (unchanged) text = shown.str();
    SecureWipe(put.data(), put.size() * sizeof(wchar_t));
  }
  // Edited by the user since: type what the box shows.
  if (!unchanged) text = WideToAnsi(now);
  SecureWipe(now.data(), now.size() * sizeof(wchar_t));
  return text;
}

}  // namespace quorrel
