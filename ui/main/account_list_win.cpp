// Page 0 of the main window: the account list and its toolbar.
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <system_error>

#include "base/encoding_win.h"
#include "base/milestones.h"
#include "base/report.h"
#include "exchange/account_file.h"
#include "exchange/exchange_texts.h"
#include "exchange/record_editor_win.h"
#include "input/input_window_win.h"
#include "store/table_messages_win.h"
#include "ui/main/main_parts_win.h"
#include "ui/main/main_texts.h"
#include "ui/toolkit/controls_win.h"

namespace quorrel::mainwin {
namespace {

constexpr int kPidColumn = 4;

struct Column {
  const char* title;
  int width;
};
constexpr Column kColumns[] = {{"ID", 30}, {"名称", 70}, {"用户名", 145}, {"密码", 145}, {"PID", 0}};

int SelectedRow(HWND list) { return list ? ListView_GetNextItem(list, -1, LVNI_SELECTED) : -1; }

// The text of one cell; a masked password is one "●" for each stored byte (a double-byte
// character counts twice).
std::wstring CellOf(const AccountRow& row, int ordinal, int column) {
  switch (column) {
    case 0: return std::to_wstring(ordinal);
    case 1: return AnsiToWide(row.name);
    case 2: return AnsiToWide(row.user);
    case 3: return row.masked ? std::wstring(row.passwordBytes, L'\u25CF') : AnsiToWide(row.password.str());
    case kPidColumn: return AnsiToWide(row.pid);
    default: return {};
  }
}

const AccountRow* RowAt(const MainWindow& s, int row) {
  return row >= 0 && static_cast<size_t>(row) < s.rows.size() ? &s.rows[static_cast<size_t>(row)] : nullptr;
}

// A masked list keeps no password at all, only its length.
AccountListRead ReadAccountList(const AccountStore& accounts, bool masked) {
  AccountListRead read;
  read.masked = masked;
  struct Sizes {
    size_t pid, name, user;
  };
  std::vector<Sizes> sizes;
  read.outcome = ForEachAccount(
      accounts,
      [&](int, const AccountRecord& r) {
        for (const Text* text : {&r.pid, &r.name, &r.user})
          read.texts.insert(read.texts.end(), text->begin(), text->end());
        sizes.push_back({r.pid.size(), r.name.size(), r.user.size()});
        AccountRow& row = read.rows.emplace_back();
        row.masked = masked;
        row.passwordBytes = r.password.size();
        if (!masked) row.password = r.password.Clone();
      },
      [&](size_t count) {
        read.rows.reserve(count);
        sizes.reserve(count);
      });
  // The block is whole now: the rows may point into it.
  const char* next = read.texts.data();
  const auto take = [&next](size_t size) {
    const std::string_view text(next, size);
    next += size;
    return text;
  };
  for (size_t i = 0; i < read.rows.size(); ++i) {
    read.rows[i].pid = take(sizes[i].pid);
    read.rows[i].name = take(sizes[i].name);
    read.rows[i].user = take(sizes[i].user);
  }
  return read;
}

}  // namespace

void StartFirstAccountRead(MainWindow& s) {
  const AccountStore* accounts = s.args.accounts;
  if (!accounts) return;
  const bool masked = !s.args.settings.ShowPasswords();
  try {
    s.firstRead = std::async(std::launch::async, [accounts, masked] { return ReadAccountList(*accounts, masked); });
  } catch (const std::system_error&) {
    // No thread to be had: the first fill reads the table itself.
  }
}

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
}

void FillAccountList(ui::Window& w) {
  HWND list = w.Control(kList);
  if (!list) return;
  MainWindow& s = StateOf(w);
  // Read once per fill (the settings page may switch it between fills).
  const bool masked = !s.args.settings.ShowPasswords();
  std::optional<AccountListRead> read;
  if (s.firstRead.valid()) read = s.firstRead.get();  // made while the window was made
  if (!read || read->masked != masked) read = ReadAccountList(*s.args.accounts, masked);
  const TableOutcome outcome = read->outcome;
  if (outcome == TableOutcome::kBusy) {
    // Held by another program for a moment: the accounts are not gone, the list stays.
    PostMessageW(w.hwnd(), kTellTableProblem, static_cast<WPARAM>(outcome), 0);
    return;
  }
  // The list asks for its cells (an owner-data list): the rows live here, so a table of
  // thousands of accounts shows at once.
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  s.rows = std::move(read->rows);
  s.rowTexts = std::move(read->texts);
  s.search.Clear();
  s.searchMade = false;
  ListView_SetItemCountEx(list, static_cast<int>(s.rows.size()), 0);
  InvalidateRect(list, nullptr, TRUE);
  Milestone("list filled");
  if (outcome == TableOutcome::kCannotCreate) {
    PostMessageW(w.hwnd(), kTableCannotBeCreated, 0, 0);
  } else if (outcome == TableOutcome::kDiskFull) {
    PostMessageW(w.hwnd(), kTellTableProblem, static_cast<WPARAM>(outcome), 0);
  } else if (outcome == TableOutcome::kCannotOpen && !s.toldTableProblem) {
    // An empty list over a table that is there but does not open would make the user believe
    // the accounts are gone: say so, once per start, after the window is in sight.
    s.toldTableProblem = true;
    PostMessageW(w.hwnd(), kTellTableProblem, static_cast<WPARAM>(outcome), 0);
  }
}

void TellTableProblem(ui::Window& w, ui::EventArgs& args) {
  args.handled = true;
  const auto outcome = static_cast<TableOutcome>(args.wparam);
  const std::wstring text = ListReadText(outcome, StateOf(w).args.accounts->table_path);
  if (!text.empty()) MessageBoxW(w.hwnd(), text.c_str(), Utf8ToWide(main_texts::kTitle).c_str(), MB_OK | MB_ICONWARNING);
}

void AnswerTableCannotBeCreated(ui::Window& w, ui::EventArgs& args) {
  args.handled = true;
  if (const auto& answer = StateOf(w).args.onTableCannotBeCreated) answer();
}

void ListCellRequest(ui::Window& w, ui::EventArgs& args) {
  const auto* hdr = reinterpret_cast<const NMHDR*>(args.lparam);
  if (!hdr || hdr->code != LVN_GETDISPINFOW || hdr->hwndFrom != w.Control(kList)) return;
  auto* info = reinterpret_cast<NMLVDISPINFOW*>(args.lparam);
  args.handled = true;
  if (!(info->item.mask & LVIF_TEXT) || !info->item.pszText || info->item.cchTextMax <= 0) return;
  const AccountRow* row = RowAt(StateOf(w), info->item.iItem);
  const SecretWide text(row ? CellOf(*row, info->item.iItem + 1, info->item.iSubItem) : std::wstring());
  lstrcpynW(info->item.pszText, text.str().c_str(), info->item.cchTextMax);
}

namespace {

void AddAccountByEditor(ui::Window& w) {
  // A new PID needs the table. One that does not open is explained rather than answered
  // by a restart; one that cannot be created gets the program's restart (once).
  const TableOutcome table = ForEachAccount(*StateOf(w).args.accounts, nullptr);
  if (table == TableOutcome::kCannotCreate) {
    if (const auto& answer = StateOf(w).args.onTableCannotBeCreated) answer();
    return;
  }
  if (!Succeeded(table)) {
    TellTableOutcome(w.hwnd(), main_texts::kTitle, main_texts::kCannotAdd, table, StateOf(w).args.accounts->table_path,
                     main_texts::kAddAgain);
    return;
  }
  ShowBlurOverlay(w);
  RecordEditorArgs editor;
  editor.accounts = StateOf(w).args.accounts;
  HWND main = w.hwnd();
  editor.onAdded = [main] { WithMainWindow(main, FillAccountList); };
  editor.onClosed = [main] { WithMainWindow(main, HideBlurOverlay); };
  OpenRecordEditor(main, std::move(editor));
}

void ExportSelected(ui::Window& w) {
  const AccountRow* row = RowAt(StateOf(w), SelectedRow(w.Control(kList)));
  if (!row) return;
  const AccountStore& accounts = *StateOf(w).args.accounts;
  FoundAccount found = FindAccountByPid(accounts, row->pid);
  if (!found.record) {
    // Gone from the table, or a table that does not open: the list shows what is there
    // (and says, once a start, that the table does not open).
    if (found.outcome == TableOutcome::kOpened || found.outcome == TableOutcome::kCannotOpen) {
      FillAccountList(w);
    } else {
      TellTableOutcome(w.hwnd(), main_texts::kTitle, main_texts::kNotExported, found.outcome, accounts.table_path,
                       main_texts::kExportAgain);
    }
    return;
  }
  const AccountRecord& record = *found.record;
  const Text base = AccountFileBaseName(row->name, record.user);
  const ExportOutcome exported = WriteAccountFile(base, record.user, record.password.view());
  if (exported != ExportOutcome::kWritten) {
    // A name the file cannot carry: a new entry mends one in the display name, nothing one in
    // the user name (the file is named after both).
    const bool userAtFault = exported == ExportOutcome::kBadName &&
                             !IsSafeFileBaseName(AnsiToWide(AccountFileBaseName("x", record.user)));
    const std::string why = userAtFault ? exchange_texts::kBadUserName : ExportOutcomeText(exported);
    const std::wstring text = Utf8ToWide(main_texts::kNotExported + std::string("\r\n\r\n") + why);
    MessageBoxW(w.hwnd(), text.c_str(), Utf8ToWide(main_texts::kTitle).c_str(), MB_OK | MB_ICONWARNING);
  }
}

// One mis-click must not lose a password for good: the user confirms, No is the default.
bool ConfirmDelete(ui::Window& w, const AccountRow& row) {
  const std::wstring text =
      Utf8ToWide(main_texts::ConfirmDelete(WideToUtf8(AnsiToWide(row.name)), WideToUtf8(AnsiToWide(row.user))));
  return MessageBoxW(w.hwnd(), text.c_str(), Utf8ToWide(main_texts::kDeleteTitle).c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void DeleteSelected(ui::Window& w) {
  const AccountRow* row = RowAt(StateOf(w), SelectedRow(w.Control(kList)));
  if (!row || !ConfirmDelete(w, *row)) return;
  const Text pid(row->pid);  // the rows go with the refill
  const AccountStore& accounts = *StateOf(w).args.accounts;
  const DeletedAccounts deleted = DeleteAccountByPid(accounts, pid);
  // A table that does not open is told by the refill, once a start.
  if (deleted.outcome != TableOutcome::kCannotOpen)
    TellTableOutcome(w.hwnd(), main_texts::kTitle, main_texts::kNotDeleted, deleted.outcome, accounts.table_path,
                     main_texts::kDeleteAgain);
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
  MainWindow& s = StateOf(w);
  const AccountRow* row = RowAt(s, args.index);
  if (!row) return;
  FoundAccount found = FindAccountByPid(*s.args.accounts, row->pid);
  if (found.outcome == TableOutcome::kBusy) {
    // Held by another program for a moment: the list stays as it is.
    TellTableOutcome(w.hwnd(), main_texts::kTitle, main_texts::kCannotOpenAccount, found.outcome,
                     s.args.accounts->table_path, main_texts::kOpenAgain);
    return;
  }
  if (!found.record) {
    // The table changed under the list: typing whatever was shown before could put another
    // account's password into this log-in. Show the table as it is now instead.
    FillAccountList(w);
    return;
  }
  InputWindowArgs input;
  input.user = SecretText(std::move(found.record->user));
  input.password = SecretText(std::move(found.record->password));
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
