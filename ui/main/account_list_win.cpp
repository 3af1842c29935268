// Page 0 of the main window: the account list and its toolbar.
#include <windows.h>
#include <commctrl.h>

#include "base/encoding_win.h"
#include "base/report.h"
#include "exchange/account_file.h"
#include "exchange/record_editor_win.h"
#include "input/input_window_win.h"
#include "ui/main/main_parts_win.h"
#include "ui/toolkit/controls_win.h"

namespace quorrel::mainwin {
namespace {

constexpr int kPidColumn = 4;

struct Column {
  const char* title;
  int width;
};
constexpr Column kColumns[] = {{"ID", 30}, {"名称", 70}, {"用户名", 145}, {"密码", 145}, {"PID", 0}};

void SetCell(HWND list, int row, int column, const std::wstring& text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// The whole cell: texts are stored whole even beyond 512 bytes, and a PID cut short would
// match no record.
std::wstring CellText(HWND list, int row, int column) {
  std::wstring buf(1024, L'\0');
  for (;;) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buf.data();
    item.cchTextMax = static_cast<int>(buf.size());
    auto n = static_cast<size_t>(
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
    if (n + 1 < buf.size()) {
      buf.resize(n);
      return buf;
    }
    buf.assign(buf.size() * 2, L'\0');
  }
}


// The message loop's dialog keys would turn Enter into a default-button press; on the list
// it activates the selected row instead (the list then reports the key).
LRESULT CALLBACK ListKeys(HWND list, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == WM_GETDLGCODE && lp) {
    const auto* m = reinterpret_cast<const MSG*>(lp);
    if (m->message == WM_KEYDOWN && m->wParam == VK_RETURN)
      return DefSubclassProc(list, msg, wp, lp) | DLGC_WANTMESSAGE;
  }
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(list, ListKeys, 0);
  return DefSubclassProc(list, msg, wp, lp);
}

int SelectedRow(HWND list) { return list ? ListView_GetNextItem(list, -1, LVNI_SELECTED) : -1; }

// One "●" for each stored byte (a double-byte character counts twice).
std::wstring PasswordCell(const Text& password, bool masked) {
  return masked ? std::wstring(password.size(), L'\u25CF') : AnsiToWide(password);
}

}  // namespace

void CreateAccountListColumns(ui::Window& w) {
  HWND list = w.Control(kList);
  if (!list) return;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    std::wstring title = Utf8ToWide(kColumns[i].title);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = title.data();
    col.cx = w.Scale(kColumns[i].width);
    col.iSubItem = i;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
  }
  ListView_SetTextColor(list, ui::kAccent);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  SetWindowSubclass(list, ListKeys, 0, 0);
}

void FillAccountList(ui::Window& w) {
  HWND list = w.Control(kList);
  if (!list) return;
  const MainWindow& s = StateOf(w);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list);
  // Read once per fill (the settings page may switch it between fills).
  const bool masked = s.args.config.Read(kLaws) == "Hide";
  ForEachAccount(*s.args.accounts, [&](int ordinal, const AccountRecord& r) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = ordinal - 1;
    std::wstring id = std::to_wstring(ordinal);
    item.pszText = id.data();
    int row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    SetCell(list, row, 1, AnsiToWide(r.name));
    SetCell(list, row, 2, AnsiToWide(r.user));
    std::wstring password = PasswordCell(r.password, masked);
    SetCell(list, row, 3, password);
    SecureWipe(password.data(), password.size() * sizeof(wchar_t));
    SetCell(list, row, kPidColumn, AnsiToWide(r.pid));
  });
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

namespace {

void AddAccountByEditor(ui::Window& w) {
  ShowBlurOverlay(w);
  RecordEditorArgs editor;
  editor.accounts = StateOf(w).args.accounts;
  HWND main = w.hwnd();
  editor.onAdded = [main] { WithMainWindow(main, FillAccountList); };
  editor.onClosed = [main] { WithMainWindow(main, HideBlurOverlay); };
  OpenRecordEditor(main, std::move(editor));
}

void ExportSelected(ui::Window& w) {
  HWND list = w.Control(kList);
  int row = SelectedRow(list);
  if (row < 0) return;
  Text pid = WideToAnsi(CellText(list, row, kPidColumn));
  if (auto record = FindAccountByPid(*StateOf(w).args.accounts, pid)) {
    Text base = AccountFileBaseName(WideToAnsi(CellText(list, row, 1)), record->user);
    // Nothing is shown whatever the outcome; a failure goes to the diagnostic output.
    ReportIf(!WriteAccountFile(base, record->user, record->password));
    SecureWipe(record->password);
  }
}

void DeleteSelected(ui::Window& w) {
  HWND list = w.Control(kList);
  int row = SelectedRow(list);
  if (row < 0) return;
  DeleteAccountByPid(*StateOf(w).args.accounts, WideToAnsi(CellText(list, row, kPidColumn)));
  FillAccountList(w);
}

}  // namespace

void AccountToolbarClick(ui::Window& w, ui::EventArgs& args) {
  switch (args.index) {
    case kAdd: AddAccountByEditor(w); break;
    case kDelete: DeleteSelected(w); break;
    case kExport: ExportSelected(w); break;
    case kRefresh: FillAccountList(w); break;
    default: break;  // "查看" has no action
  }
}

void InputWindowClosed(ui::Window& w) {
  StateOf(w).inputWindow = nullptr;
  RestoreFromTray(w);
}

void UseAccountRow(ui::Window& w, ui::EventArgs& args) {
  HWND list = w.Control(kList);
  if (!list || args.index < 0) return;
  MainWindow& s = StateOf(w);
  Text pid = WideToAnsi(CellText(list, args.index, kPidColumn));
  auto record = FindAccountByPid(*s.args.accounts, pid);
  if (!record) {
    // The table changed under the list (or stayed locked): typing whatever was shown
    // before could put another account's password into this log-in. Show the table as it
    // is now instead.
    FillAccountList(w);
    return;
  }
  InputWindowArgs input;
  input.user = SecretText(std::move(record->user));
  input.password = SecretText(std::move(record->password));
  input.accountHotkeyCode = s.args.accountHotkeyCode;
  input.passwordHotkeyCode = s.args.passwordHotkeyCode;
  HWND main = w.hwnd();
  input.onClosed = [main] { WithMainWindow(main, InputWindowClosed); };
  // The main window can come back from the tray while an input window is still open. Only
  // one window can hold the hotkeys, so the earlier one goes before the new one opens.
  if (s.inputWindow) DestroyWindow(s.inputWindow);
  HideToTray(w);
  s.inputWindow = OpenInputWindow(main, std::move(input));
}

}  // namespace quorrel::mainwin
