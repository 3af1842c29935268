#include "ui/main/account_list_win.h"

#include <commctrl.h>

#include "app/config.h"
#include "app/state.h"
#include "exchange/account_file.h"
#include "exchange/record_editor_win.h"
#include "input/input_window_win.h"
#include "store/account_store_win.h"
#include "ui/main/main_window_win.h"
#include "ui/main/tray_win.h"
#include "ui/toolkit/controls_win.h"
#include "base/encoding_win.h"

namespace quorrel {
namespace {

constexpr char kList[] = "账号列表";
constexpr char kToolbar[] = "账号操作";
constexpr int kPidColumn = 4;

struct Column {
  const char* title;
  int width;
};
constexpr Column kColumns[] = {{"ID", 30}, {"名称", 70}, {"用户名", 145}, {"密码", 145}, {"PID", 0}};

HWND ListControl() {
  ui::Window* w = ui::Window::FromHwnd(MainWindowHandle());
  return w ? w->Control(kList) : nullptr;
}

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

// The input window opened from the list, while it exists.
HWND g_inputWindow = nullptr;

// A closed window's handle may be given to another window later: check what it is.
bool IsOurInputWindow(HWND hwnd) {
  wchar_t title[16] = {};
  return hwnd && ui::Window::FromHwnd(hwnd) && GetWindowTextW(hwnd, title, 16) > 0 &&
         title == Utf8ToWide("辅助输入");
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

void CreateAccountListColumns(ui::Window& main) {
  HWND list = main.Control(kList);
  if (!list) return;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    std::wstring title = Utf8ToWide(kColumns[i].title);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = title.data();
    col.cx = main.Scale(kColumns[i].width);
    col.iSubItem = i;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
  }
  ListView_SetTextColor(list, ui::kAccent);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  SetWindowSubclass(list, ListKeys, 0, 0);
}

void FillAccountList() {
  HWND list = ListControl();
  if (!list) return;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list);
  // Read once per fill (the settings page may switch it between fills).
  const bool masked = ReadConfig(kLaws) == "Hide";
  ForEachAccount(AppAccountStore(), [&](int ordinal, const AccountRecord& r) {
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
    SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t));
    SetCell(list, row, kPidColumn, AnsiToWide(r.pid));
  });
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void AccountToolbarClick(ui::Window& main, ui::EventArgs& args) {
  // The buttons are known by their captions, not by their positions.
  std::wstring caption = ui::BarCaption(main.Control(kToolbar), args.index);
  HWND list = main.Control(kList);
  if (caption == Utf8ToWide("添加")) {
    ShowBlurOverlay();
    OpenRecordEditor(main.hwnd());
  }
  if (caption == Utf8ToWide("刷新")) FillAccountList();
  if (caption == Utf8ToWide("导出")) {
    int row = SelectedRow(list);
    if (row >= 0) {
      Text pid = WideToAnsi(CellText(list, row, kPidColumn));
      if (auto record = FindAccountByPid(AppAccountStore(), pid)) {
        Text base = AccountFileBaseName(WideToAnsi(CellText(list, row, 1)), record->user);
        WriteAccountFile(base, record->user, record->password);
        SecureWipe(record->password);
      }
    }
  }
  if (caption == Utf8ToWide("删除")) {
    int row = SelectedRow(list);
    if (row >= 0) {
      DeleteAccountByPid(AppAccountStore(), WideToAnsi(CellText(list, row, kPidColumn)));
      FillAccountList();
    }
  }
}

void UseAccountRow(ui::Window& main, ui::EventArgs& args) {
  HWND list = main.Control(kList);
  if (!list || args.index < 0) return;
  Text pid = WideToAnsi(CellText(list, args.index, kPidColumn));
  if (auto record = FindAccountByPid(AppAccountStore(), pid)) {
    SetPendingAccount({record->user, record->password});
    SecureWipe(record->password);
  }
  // The main window can come back from the tray while an input window is still open. Only
  // one window can hold the hotkeys, so the earlier one goes before the new one opens.
  if (IsOurInputWindow(g_inputWindow)) DestroyWindow(g_inputWindow);
  HideToTray();
  g_inputWindow = OpenInputWindow(main.hwnd());
}

}  // namespace quorrel
