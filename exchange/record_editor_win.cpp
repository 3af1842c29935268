#include "exchange/record_editor_win.h"

#include "store/account_store_win.h"
#include "ui/main/account_list_win.h"
#include "ui/main/main_window_win.h"
#include "base/encoding_win.h"
#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {

void OnCreated(ui::Window& w, ui::EventArgs&) {
  // A table that does not open restarts the program here.
  w.SetText("PID", NewAccountPid(AppAccountStore()));
  SetFocus(w.Control("名称"));
}

// The boxes take any character, the table holds code-page bytes: a character the code page
// has no bytes for would be stored as "?" unseen, and the password typed later would not be
// the one shown here.
bool FitsCodePage(const ui::Window& w, const char* box) {
  std::wstring wide = w.GetWideText(box);
  std::string ansi = WideToAnsi(wide);
  std::wstring back = AnsiToWide(ansi);
  bool same = back == wide;
  SecureWipe(ansi);
  SecureWipe(wide.data(), wide.size() * sizeof(wchar_t));
  SecureWipe(back.data(), back.size() * sizeof(wchar_t));
  return same;
}

void OnOk(ui::Window& w, ui::EventArgs&) {
  // Only the empty text counts as empty; the window stays open with what was typed. So it
  // does for a box holding a character the code page cannot store.
  for (const char* box : {"名称", "用户名", "密码"})
    if (GetWindowTextLengthW(w.Control(box)) == 0 || !FitsCodePage(w, box)) {
      SetFocus(w.Control(box));
      return;
    }
  if (!FitsCodePage(w, "PID")) {
    SetFocus(w.Control("PID"));
    return;
  }
  Text pid = w.GetText("PID");
  Text name = w.GetText("名称");
  Text user = w.GetText("用户名");
  Text password = w.GetText("密码");
  bool ok = AddAccount(AppAccountStore(), pid, name, user, password);
  SecureWipe(password);
  if (ok) {
    AppAccountStore().log("Add Data " + w.GetText("PID"));
    FillAccountList();
  }
  w.SetText("密码", "");
  DestroyWindow(w.hwnd());
}

void OnDestroying(ui::Window&, ui::EventArgs&) { HideBlurOverlay(); }

const ui::ControlSpec kControls[] = {
    {"数据窗口UI", ui::ControlKind::Frame, 8, 8, 24, 24},
    {"名称标签", ui::ControlKind::Label, 18, 15, 250, 20, "▊  显示名称"},
    {"名称", ui::ControlKind::Edit, 18, 40, 250, 32},
    {"用户名标签", ui::ControlKind::Label, 18, 82, 250, 20, "▊  用户名"},
    {"用户名", ui::ControlKind::Edit, 18, 107, 250, 32},
    {"密码标签", ui::ControlKind::Label, 18, 149, 250, 20, "▊  用户密码"},
    {"密码", ui::ControlKind::Edit, 18, 174, 250, 32},
    {"PID标签", ui::ControlKind::Label, 18, 216, 250, 20, "▊  PID 标识"},
    {"PID", ui::ControlKind::Edit, 18, 241, 250, 32},
    {"确定按钮", ui::ControlKind::Button, 101, 283, 84, 35, "确定添加"},
};

const ui::HandlerSpec kHandlers[] = {
    {"", ui::Event::Created, OnCreated},
    {"确定按钮", ui::Event::Clicked, OnOk},
    {"", ui::Event::Destroying, OnDestroying},
};

}  // namespace

void OpenRecordEditor(HWND owner) {
  ui::WindowSpec spec{"", 286, 333, kControls, kHandlers};
  ui::Window::RunModal(spec, owner);
}

}  // namespace quorrel
