#include "input/input_window_win.h"

#include "app/state.h"
#include "exchange/account_file.h"
#include "input/hotkeys_win.h"
#include "input/key_names.h"
#include "ui/main/main_window_win.h"
#include "ui/main/tray_win.h"
#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {

// Display styles of the 密码 box: an account chosen from the list shows its password (the
// user keeps it in the table anyway); one read from a file shows it masked, since whoever
// received the file is meant to type the password, not to read it.
constexpr int kStylePlain = 12;
constexpr int kStyleMasked = 14;
constexpr wchar_t kMaskChar = 0x25CF;  // ●

void SetBoxStyle(ui::Window& w, const char* box, int style) {
  HWND edit = w.Control(box);
  if (!edit) return;
  SendMessageW(edit, EM_SETPASSWORDCHAR, style == kStyleMasked ? kMaskChar : 0, 0);
  InvalidateRect(edit, nullptr, TRUE);
}

void ShowPendingAccount(ui::Window& w) {
  w.SetText("账号", PendingAccountPart(0));
  w.SetText("密码", PendingAccountPart(1));
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
  SetBoxStyle(w, "账号", kStylePlain);
  if (s.StartedWithFile) {
    LoadAccountFile(s.CommandLineArgs.empty() ? std::string_view{} : s.CommandLineArgs[0]);
    SetBoxStyle(w, "密码", kStyleMasked);
  } else {
    SetBoxStyle(w, "密码", kStylePlain);
  }
  ShowPendingAccount(w);
  RegisterAppHotkey(w.hwnd(), 0, static_cast<UINT>(s.AccountHotkeyCode), OnInputHotkey, kAccountHotkeyId);
  RegisterAppHotkey(w.hwnd(), 0, static_cast<UINT>(s.PasswordHotkeyCode), OnInputHotkey, kPasswordHotkeyId);
}

void OnFilesDropped(ui::Window& w, ui::EventArgs& args) {
  LoadAccountFile(args.text);
  SetBoxStyle(w, "密码", kStyleMasked);
  ShowPendingAccount(w);
}

void OnDestroying(ui::Window& w, ui::EventArgs&) {
  UnregisterAllHotkeys(w.hwnd());
  // Nothing of the account stays behind in the controls' memory.
  w.SetText("账号", "");
  w.SetText("密码", "");
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

}  // namespace quorrel
