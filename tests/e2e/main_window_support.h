// What the main-window tests need beyond the driver: the account list read across the
// process boundary, clicks on the drawn button bars, the editor, the tray icon, the log and
// an account table written by the test itself.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "driver/e2e_test.h"
#include "store/account_table.h"
#include "store/file_system_win.h"

namespace quorrel::e2e {

inline constexpr char kMainTitle[] = "Quorrel Ver 2.62";
inline constexpr char kInputTitle[] = "辅助输入";
inline constexpr char kLogName[] = "Quorrel Log.log";
inline constexpr UINT kTrayMessage = 0x8064;
inline constexpr UINT kTrayIconId = 100;
inline constexpr char kMask[] = "●";

// Visible buttons of the account toolbar, left to right ("查看" is hidden).
enum ToolbarButton { kAdd = 0, kDelete = 1, kExport = 2, kRefresh = 3 };

// Memory inside the process that owns a window: list-view messages carrying pointers must
// point into the list's own process.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND owner, size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(owner, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) base_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  ~RemoteBuffer() {
    if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  bool ok() const { return base_ != nullptr; }
  char* at(size_t offset) const { return static_cast<char*>(base_) + offset; }
  LPARAM param(size_t offset = 0) const { return reinterpret_cast<LPARAM>(at(offset)); }
  bool Write(const void* data, size_t size, size_t offset = 0) const {
    SIZE_T done = 0;
    return ok() && offset + size <= size_ && WriteProcessMemory(process_, at(offset), data, size, &done) &&
           done == size;
  }
  bool Read(void* data, size_t size, size_t offset = 0) const {
    SIZE_T done = 0;
    return ok() && offset + size <= size_ && ReadProcessMemory(process_, at(offset), data, size, &done) &&
           done == size;
  }

 private:
  HANDLE process_ = nullptr;
  void* base_ = nullptr;
  size_t size_;
};

// --- the account list -------------------------------------------------------------------

inline std::string FromWide(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

// 96-DPI pixels at the screen's DPI.
inline int Scaled(int px) {
  HDC dc = GetDC(nullptr);
  int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return MulDiv(px, dpi, 96);
}

inline int RowCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

// One cell as UTF-8.
inline std::string Cell(HWND list, int row, int column) {
  constexpr size_t kChars = 2048;
  RemoteBuffer remote(list, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<wchar_t*>(remote.at(sizeof(LVITEMW)));
  item.cchTextMax = kChars;
  std::wstring text(kChars, L'\0');
  if (!remote.Write(&item, sizeof item)) return "<no remote memory>";
  LRESULT n = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), remote.param());
  remote.Read(text.data(), kChars * sizeof(wchar_t), sizeof(LVITEMW));
  text.resize(static_cast<size_t>(n > 0 ? n : 0));
  return FromWide(text);
}

// Column title and width.
inline std::pair<std::string, int> Column(HWND list, int column) {
  constexpr size_t kChars = 256;
  RemoteBuffer remote(list, sizeof(LVCOLUMNW) + kChars * sizeof(wchar_t));
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.pszText = reinterpret_cast<wchar_t*>(remote.at(sizeof(LVCOLUMNW)));
  col.cchTextMax = kChars;
  remote.Write(&col, sizeof col);
  if (!SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), remote.param())) return {"<none>", -1};
  std::wstring text(kChars, L'\0');
  remote.Read(&col, sizeof col);
  remote.Read(text.data(), kChars * sizeof(wchar_t), sizeof(LVCOLUMNW));
  text.resize(wcslen(text.c_str()));
  return {FromWide(text), col.cx};
}

// Every row as its five cells: ID, 名称, 用户名, 密码, PID.
using Rows = std::vector<std::vector<std::string>>;
inline Rows ListRows(HWND list) {
  Rows rows;
  for (int r = 0; r < RowCount(list); ++r) {
    std::vector<std::string> cells;
    for (int c = 0; c < 5; ++c) cells.push_back(Cell(list, r, c));
    rows.push_back(cells);
  }
  return rows;
}

inline bool SelectRow(HWND list, int row) {
  RemoteBuffer remote(list, sizeof(LVITEMW));
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  remote.Write(&item, sizeof item);
  return SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), remote.param()) != 0;
}

inline int SelectedRow(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// The row's rectangle in screen coordinates.
inline RECT RowRect(HWND list, int row) {
  RemoteBuffer remote(list, sizeof(RECT));
  RECT r{LVIR_LABEL, 0, 0, 0};
  remote.Write(&r, sizeof r);
  SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), remote.param());
  remote.Read(&r, sizeof r);
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// --- the main window ----------------------------------------------------------------------

inline std::string ClassOf(HWND hwnd) {
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  return cls;
}

inline bool Covers(HWND overlay, HWND window) {
  RECT o, c;
  GetWindowRect(overlay, &o);
  GetClientRect(window, &c);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&c), 2);
  return EqualRect(&o, &c) != FALSE;
}

struct MainUi {
  HWND window = nullptr;
  HWND list = nullptr;     // 账号列表
  HWND menu = nullptr;     // 主菜单: the button bar directly on the window
  HWND toolbar = nullptr;  // 账号操作: the button bar beside the list
  HWND overlay = nullptr;  // 模糊

  explicit MainUi(HWND main) : window(main) {
    if (!main) return;
    std::vector<HWND> lists = Children(main, "SysListView32");
    if (!lists.empty()) list = lists[0];
    for (HWND bar : Children(main, "QuorrelBar")) {
      if (GetParent(bar) == main) menu = bar;
      else if (list && GetParent(bar) == GetParent(list)) toolbar = bar;
    }
    std::vector<HWND> overlays = Children(main, "QuorrelOverlay");
    if (!overlays.empty()) overlay = overlays[0];
  }
  bool complete() const { return window && list && menu && toolbar && overlay; }
  bool visible() const { return IsWindowVisible(window) != FALSE; }
  bool dimmed() const { return IsWindowVisible(overlay) && Covers(overlay, window); }

  // Real mouse clicks at a bar's button: the visible buttons share the bar's length, a
  // 5-pixel (96 DPI) gap apart.
  static void ClickBar(HWND bar, int position, int visibleCount, bool vertical) {
    RECT r;
    GetWindowRect(bar, &r);
    int length = vertical ? r.bottom - r.top : r.right - r.left;
    int gap = MulDiv(5, vertical ? r.right - r.left : r.bottom - r.top, vertical ? 50 : 25);
    int span = length + gap;
    int start = position * span / visibleCount;
    int end = (position + 1) * span / visibleCount - gap;
    int mid = (start + end) / 2;
    if (vertical) ClickAt((r.left + r.right) / 2, r.top + mid);
    else ClickAt(r.left + mid, (r.top + r.bottom) / 2);
  }
  void Toolbar(ToolbarButton button) const {
    Foreground(window);
    ClickBar(toolbar, button, 4, false);
    Pump(100ms);
  }
  // Menu strip button by index (all six take room; 3 is the blank spacer).
  void Menu(int index) const {
    Foreground(window);
    ClickBar(menu, index, 6, true);
    Pump(100ms);
  }
  void DoubleClickRow(int row) const {
    Foreground(window);
    RECT r = RowRect(list, row);
    ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2, true);
    Pump(100ms);
  }
  void ClickRow(int row) const {
    Foreground(window);
    RECT r = RowRect(list, row);
    ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Pump(100ms);
  }
  // What the shell sends on a click on the tray icon.
  void TrayClick(UINT mouseMessage) const {
    PostMessageW(window, kTrayMessage, kTrayIconId, static_cast<LPARAM>(mouseMessage));
    Pump(300ms);
  }
};

// The tray icon exists while the shell accepts a change to it (a change of nothing).
inline bool TrayIconPresent(HWND main) {
  NOTIFYICONDATAA nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = main;
  nid.uID = kTrayIconId;
  return Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

// The program shows the window before it takes the icon away: wait for the icon to go.
inline bool TrayIconGone(HWND main) {
  return WaitFor([&] { return !TrayIconPresent(main); }, 3s);
}

// --- the record editor --------------------------------------------------------------------

// The editor: the process's visible skinned window without a title.
inline HWND FindEditor(DWORD pid) {
  for (HWND h : WindowsOf(pid))
    if (IsWindowVisible(h) && WindowTitle(h).empty() && ClassOf(h) == "QuorrelWindow") return h;
  return nullptr;
}

inline HWND WaitEditor(DWORD pid, std::chrono::milliseconds timeout = 10s) {
  HWND found = nullptr;
  WaitFor([&] { return (found = FindEditor(pid)) != nullptr; }, timeout);
  return found;
}

// The four boxes in creation order: 名称, 用户名, 密码, PID.
inline std::vector<HWND> EditorBoxes(HWND editor) { return Children(editor, "Edit"); }

// Types into a box as a person would: click into it, select what it holds, type.
inline void TypeInto(HWND box, const std::string& utf8) {
  ClickWindow(box);
  SendMessageW(box, EM_SETSEL, 0, -1);
  if (utf8.empty()) {
    PressKey(VK_DELETE);
  } else {
    TypeUnicode(utf8);
  }
  Pump(50ms);
}

inline void ClickOk(HWND editor) {
  HWND ok = ChildByText(editor, "确定添加");
  if (!ok) {
    ADD_FAILURE() << "no 确定添加 button";
    return;
  }
  Foreground(editor);
  ClickWindow(ok);
  Pump(200ms);
}

// --- files --------------------------------------------------------------------------------

// The log's lines without their CR LF; a line not ending in CR LF fails the test.
inline std::vector<std::string> LogMessages(const RunDirectory& run) {
  std::vector<std::string> messages;
  std::string log = run.Read(kLogName).value_or("");
  static const std::regex line("(\\d{14}) ---> ([^\\r\\n]*)\\r\\n");
  auto begin = log.cbegin();
  std::smatch m;
  while (begin != log.cend()) {
    if (!std::regex_search(begin, log.cend(), m, line, std::regex_constants::match_continuous)) {
      ADD_FAILURE() << "log line not of the form <14 digits> ---> <message> CR LF: "
                    << std::string(begin, log.cend());
      break;
    }
    messages.push_back(Utf8(m[2].str()));
    begin = m[0].second;
  }
  return messages;
}

// An account table written by the test itself, to start the program over it.
inline void SeedTable(const RunDirectory& run, const std::vector<AccountRecord>& records) {
  static Win32FileSystem fs;
  AccountStore store;
  store.table_path = run.File(kAccountTableFileName);
  store.fs = &fs;
  store.log = [](std::string_view) {};
  store.restart = [] { ADD_FAILURE() << "the test's table could not be created"; };
  ASSERT_TRUE(CreateAccountTable(store));
  for (const AccountRecord& r : records)
    ASSERT_TRUE(AddAccount(store, Ansi(r.pid), Ansi(r.name), Ansi(r.user), Ansi(r.password)));
}

inline std::optional<AccountRecord> StoredAccount(const RunDirectory& run, const std::string& pid) {
  static Win32FileSystem fs;
  AccountStore store;
  store.table_path = run.File(kAccountTableFileName);
  store.fs = &fs;
  store.log = [](std::string_view) {};
  store.restart = [] {};
  auto r = FindAccountByPid(store, Ansi(pid));
  if (r) *r = {Utf8(r->pid), Utf8(r->name), Utf8(r->user), Utf8(r->password)};
  return r;
}

inline std::string DesktopFolder() {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

// Names of the files in a folder.
inline std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = fd.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace quorrel::e2e
