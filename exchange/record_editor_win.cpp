#include "exchange/record_editor_win.h"

#include "base/encoding_win.h"
#include "exchange/exchange_texts.h"
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

// The boxes by the names their labels give them, for the messages.
constexpr struct {
  int box;
  const char* name;
} kBoxNames[] = {{kName, "显示名称"}, {kUser, "用户名"}, {kPassword, "用户密码"}, {kPid, "PID 标识"}};

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
  TellTableOutcome(w.hwnd(), exchange_texts::kEditorTitle, exchange_texts::kCannotAdd,
                   static_cast<TableOutcome>(args.wparam), AccountsOf(w).table_path, exchange_texts::kOpenAgain);
  DestroyWindow(w.hwnd());
}

// The boxes take any character, the table holds code-page bytes: a character the code page
// has no bytes for would be stored as "?" unseen, and the password typed later would not be
// the one shown here. The first such character of the box (UTF-16) and its place (from 1).
struct Unstorable {
  std::wstring character;  // empty: the box holds none
  size_t position = 0;
};
Unstorable FindUnstorable(const ui::Window& w, int box) {
  const SecretWide wide = w.GetWideText(box);
  const std::wstring_view text = wide.view();
  for (size_t i = 0, position = 1; i < text.size(); ++position) {
    // A character beyond the first plane is two UTF-16 units.
    const size_t n = IS_HIGH_SURROGATE(text[i]) && i + 1 < text.size() ? 2 : 1;
    const std::wstring_view one = text.substr(i, n);
    if (AnsiToWide(WideToAnsi(one)) != one) return {std::wstring(one), position};
    i += n;
  }
  return {};
}

void OnOk(ui::Window& w, ui::EventArgs&) {
  // Only the empty text counts as empty; the window stays open with what was typed, the
  // caret in the box to fill.
  for (int box : {kName, kUser, kPassword})
    if (GetWindowTextLengthW(w.Control(box)) == 0) {
      SetFocus(w.Control(box));
      return;
    }
  // A character that cannot be stored is named, with its box: nothing else shows it.
  for (const auto& [box, name] : kBoxNames) {
    const Unstorable bad = FindUnstorable(w, box);
    if (bad.character.empty()) continue;
    const std::wstring text =
        Utf8ToWide(exchange_texts::UnstorableCharacter(name, bad.position, WideToUtf8(bad.character)));
    MessageBoxW(w.hwnd(), text.c_str(), Utf8ToWide(exchange_texts::kEditorTitle).c_str(), MB_OK | MB_ICONWARNING);
    SetFocus(w.Control(box));
    return;
  }
  const AccountStore& accounts = AccountsOf(w);
  const SecretText pid = w.GetText(kPid), name = w.GetText(kName), user = w.GetText(kUser),
                   password = w.GetText(kPassword);
  const TableOutcome added = AddAccount(accounts, pid.view(), name.view(), user.view(), password.view());
  if (added != TableOutcome::kOpened) {
    // What was typed stays in the window, so the user can try again.
    TellTableOutcome(w.hwnd(), exchange_texts::kEditorTitle, exchange_texts::kNotSaved, added, accounts.table_path,
                     exchange_texts::kSaveAgain);
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
