#include "exchange/record_editor_win.h"

#include "base/encoding_win.h"
#include "store/table_messages_win.h"
#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {

enum Control : int {
  kFrame,
  kNameLabel,
  kName,
  kUserLabel,
  kUser,
  kPasswordLabel,
  kPassword,
  kPidLabel,
  kPid,
  kOk,
  kControlCount
};

struct RecordEditor : ui::WindowState {
  explicit RecordEditor(RecordEditorArgs a) : args(std::move(a)) {}
  RecordEditorArgs args;
};

const AccountStore& AccountsOf(ui::Window& w) { return *w.State<RecordEditor>().args.accounts; }

constexpr char kTitle[] = "添加账号";  // of the editor's messages

// Posted when no PID could be proposed: the editor says why and closes once it is shown.
constexpr UINT kNoPid = WM_APP + 1;

void OnCreated(ui::Window& w, ui::EventArgs&) {
  const NewPid pid = NewAccountPid(AccountsOf(w));
  w.SetText(kPid, pid.pid);
  SetFocus(w.Control(kName));
  if (pid.outcome != TableOutcome::kOpened) PostMessageW(w.hwnd(), kNoPid, static_cast<WPARAM>(pid.outcome), 0);
}

void OnNoPid(ui::Window& w, ui::EventArgs& args) {
  args.handled = true;
  TellTableOutcome(w.hwnd(), kTitle, "现在不能添加账号。", static_cast<TableOutcome>(args.wparam), AccountsOf(w).table_path);
  DestroyWindow(w.hwnd());
}

// The boxes take any character, the table holds code-page bytes: a character the code page
// has no bytes for would be stored as "?" unseen, and the password typed later would not be
// the one shown here.
bool FitsCodePage(const ui::Window& w, int box) {
  const SecretWide wide = w.GetWideText(box);
  const SecretText ansi(WideToAnsi(wide.view()));
  const SecretWide back(AnsiToWide(ansi.view()));
  return back == wide.view();
}

void OnOk(ui::Window& w, ui::EventArgs&) {
  // Only the empty text counts as empty; the window stays open with what was typed. So it
  // does for a box holding a character the code page cannot store.
  for (int box : {kName, kUser, kPassword})
    if (GetWindowTextLengthW(w.Control(box)) == 0 || !FitsCodePage(w, box)) {
      SetFocus(w.Control(box));
      return;
    }
  if (!FitsCodePage(w, kPid)) {
    SetFocus(w.Control(kPid));
    return;
  }
  const AccountStore& accounts = AccountsOf(w);
  const SecretText pid = w.GetText(kPid), name = w.GetText(kName), user = w.GetText(kUser),
                   password = w.GetText(kPassword);
  const TableOutcome added = AddAccount(accounts, pid.view(), name.view(), user.view(), password.view());
  if (added != TableOutcome::kOpened) {
    // What was typed stays in the window, so the user can try again.
    TellTableOutcome(w.hwnd(), kTitle, "账号未能保存。填写的内容仍在窗口中，可以稍后再点“确定添加”。", added,
                     accounts.table_path);
    return;
  }
  if (accounts.log) accounts.log(Text("Add Data ").append(pid.view()));
  if (const auto& added = w.State<RecordEditor>().args.onAdded) added();
  w.SetText(kPassword, "");
  DestroyWindow(w.hwnd());
}

void OnDestroying(ui::Window& w, ui::EventArgs&) {
  if (const auto& closed = w.State<RecordEditor>().args.onClosed) closed();
}

const ui::ControlSpec kControls[] = {
    ui::Frame(kFrame, "数据窗口UI", {8, 8, 24, 24}),
    ui::Label(kNameLabel, "名称标签", {18, 15, 250, 20}, "▊  显示名称", {.accent = true}),
    ui::Edit(kName, "名称", {18, 40, 250, 32}),
    ui::Label(kUserLabel, "用户名标签", {18, 82, 250, 20}, "▊  用户名", {.accent = true}),
    ui::Edit(kUser, "用户名", {18, 107, 250, 32}),
    ui::Label(kPasswordLabel, "密码标签", {18, 149, 250, 20}, "▊  用户密码", {.accent = true}),
    ui::Edit(kPassword, "密码", {18, 174, 250, 32}),
    ui::Label(kPidLabel, "PID标签", {18, 216, 250, 20}, "▊  PID 标识", {.accent = true}),
    ui::Edit(kPid, "PID", {18, 241, 250, 32}),
    ui::Button(kOk, "确定按钮", {101, 283, 84, 35}, "确定添加"),
};
static_assert(std::size(kControls) == kControlCount);

const ui::HandlerSpec kHandlers[] = {
    {ui::kNoControl, ui::Event::Created, OnCreated},
    {ui::kNoControl, ui::Event::Message, OnNoPid, kNoPid},
    {kOk, ui::Event::Clicked, OnOk},
    {ui::kNoControl, ui::Event::Destroying, OnDestroying},
};

}  // namespace

void OpenRecordEditor(HWND owner, RecordEditorArgs args) {
  ui::WindowSpec spec{"", 286, 333, kControls, kHandlers};
  ui::Window::RunModal(spec, owner, std::make_unique<RecordEditor>(std::move(args)));
}

}  // namespace quorrel
