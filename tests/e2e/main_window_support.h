// Shared by the end-to-end tests: the account list read across the process boundary, clicks
// on the drawn button bars, the editor, the tray icon, the log, typing and seeded tables.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "base/encoding_win.h"
#include "base/handles_win.h"
#include "driver/e2e_test.h"
#include "store/account_table.h"
#include "store/file_system_win.h"

namespace quorrel::e2e {

inline constexpr char kMainTitle[] = "Quorrel Ver 2.62";
inline constexpr char kInputTitle[] = "辅助输入";
inline constexpr char kLogName[] = "Quorrel Log.log";
inline constexpr UINT kTrayMessage = 0x8064;
inline constexpr UINT kTrayIconId = 100;

// Visible buttons of the account toolbar, left to right ("查看" is hidden).
enum ToolbarButton { kAdd = 0, kDelete = 1, kExport = 2, kRefresh = 3 };

// List-view messages carrying pointers must point into the list's own process.
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
  char* at(size_t offset) const { return static_cast<char*>(base_) + offset; }
  LPARAM param() const { return reinterpret_cast<LPARAM>(base_); }
  bool Write(const void* data, size_t size) const {
    SIZE_T done = 0;
    return base_ && size <= size_ && WriteProcessMemory(process_, base_, data, size, &done) && done == size;
  }
  bool Read(void* data, size_t size, size_t offset = 0) const {
    SIZE_T done = 0;
    return base_ && offset + size <= size_ && ReadProcessMemory(process_, at(offset), data, size, &done) &&
           done == size;
  }

 private:
  HANDLE process_ = nullptr;
  void* base_ = nullptr;
  size_t size_;
};

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
  if (!remote.Write(&item, sizeof item)) return "<no remote memory>";
  LRESULT n = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), remote.param());
  std::wstring text(kChars, L'\0');
  remote.Read(text.data(), kChars * sizeof(wchar_t), sizeof(LVITEMW));
  text.resize(static_cast<size_t>(n > 0 ? n : 0));
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr, nullptr);
  return utf8;
}

// Every row as its five cells: ID, 名称, 用户名, 密码, PID.
using Rows = std::vector<std::vector<std::string>>;
inline Rows ListRows(HWND list) {
  Rows rows;
  for (int r = 0; r < RowCount(list); ++r) {
    rows.emplace_back();
    for (int c = 0; c < 5; ++c) rows.back().push_back(Cell(list, r, c));
  }
  return rows;
}

inline bool SelectRow(HWND list, int row) {
  RemoteBuffer remote(list, sizeof(LVITEMW));
  LVITEMW item{};
  item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
  remote.Write(&item, sizeof item);
  return SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), remote.param()) != 0;
}

inline int SelectedRow(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
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
  // The overlay is up and covers exactly the client area.
  bool dimmed() const {
    RECT o, c;
    GetWindowRect(overlay, &o);
    GetClientRect(window, &c);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&c), 2);
    return IsWindowVisible(overlay) && EqualRect(&o, &c);
  }

  // The visible buttons share the bar's length, a 5-pixel (96 DPI) gap apart.
  static void ClickBar(HWND bar, int position, int visibleCount, bool vertical) {
    RECT r;
    GetWindowRect(bar, &r);
    int length = vertical ? r.bottom - r.top : r.right - r.left;
    int gap = MulDiv(5, vertical ? r.right - r.left : r.bottom - r.top, vertical ? 50 : 25);
    int span = length + gap;
    int mid = (position * span / visibleCount + (position + 1) * span / visibleCount - gap) / 2;
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
  void ClickRow(int row, bool twice = false) const {
    Foreground(window);
    RemoteBuffer remote(list, sizeof(RECT));
    RECT r{LVIR_LABEL, 0, 0, 0};
    remote.Write(&r, sizeof r);
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), remote.param());
    remote.Read(&r, sizeof r);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
    ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2, twice);
    Pump(100ms);
  }
  // What the shell sends on a click on the tray icon.
  void TrayClick(UINT mouseMessage) const {
    PostMessageW(window, kTrayMessage, kTrayIconId, static_cast<LPARAM>(mouseMessage));
    Pump(300ms);
  }
};

// A horizontal bar's button on screen: the visible buttons share the bar, 5 pixels (96 DPI)
// apart.
inline RECT BarButtonOnScreen(HWND bar, int position, int visibleCount) {
  RECT r;
  GetWindowRect(bar, &r);
  const int gap = Scaled(5);
  const int span = r.right - r.left + gap;
  return RECT{r.left + position * span / visibleCount, r.top, r.left + (position + 1) * span / visibleCount - gap,
              r.bottom};
}

inline void ClickBarButton(HWND bar, int position, int visibleCount) {
  Foreground(GetAncestor(bar, GA_ROOT));
  RECT b = BarButtonOnScreen(bar, position, visibleCount);
  ClickAt((b.left + b.right) / 2, (b.top + b.bottom) / 2);
  Pump(100ms);
}

// The screen's pixels in a rectangle, row by row.
inline std::vector<COLORREF> ScreenPixels(const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  std::vector<COLORREF> pixels;
  if (w <= 0 || h <= 0) return pixels;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, dib);
  if (bits && BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY)) {
    GdiFlush();
    const auto* p = static_cast<const uint8_t*>(bits);
    for (int i = 0; i < w * h; ++i, p += 4) pixels.push_back(RGB(p[2], p[1], p[0]));
  }
  SelectObject(mem, old);
  DeleteObject(dib);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return pixels;
}

inline constexpr COLORREF kAccentColour = RGB(0x62, 0x3C, 0xEA);
inline constexpr COLORREF kWhiteColour = RGB(0xFF, 0xFF, 0xFF);

// How a switch button is drawn inside its outline: selected is filled with the accent
// colour and has white text, not selected is white with text in the accent colour.
enum class Look { Selected, NotSelected, Other };
inline Look SwitchLook(HWND bar, int position) {
  // A button under the mouse has a hover fill.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  RECT b = BarButtonOnScreen(bar, position, 2);
  const int inset = Scaled(4);
  InflateRect(&b, -inset, -inset);
  size_t accent = 0, white = 0, all = 0;
  for (COLORREF c : ScreenPixels(b)) {
    ++all;
    accent += c == kAccentColour;
    white += c == kWhiteColour;
  }
  if (accent > all / 2 && white > 0) return Look::Selected;
  if (white > all / 2 && accent > 0) return Look::NotSelected;
  return Look::Other;
}

inline const char* LookName(Look look) {
  return look == Look::Selected ? "selected" : look == Look::NotSelected ? "not selected" : "neither";
}

// The settings page (page 1): its bars by their place on the page, top to bottom and left
// to right.
struct SettingsUi {
  HWND association = nullptr;  // 设定_文件关联: 0 "取消关联", 1 "设置关联"
  HWND hotkeys = nullptr;      // 设定_快捷键: "点击设置"
  HWND import = nullptr;       // 设定_导入导出: "开始导入"
  HWND pinSet = nullptr;       // 设定_启动密码_设置: the gear
  HWND pin = nullptr;          // 设定_启动密码: 0 "开启", 1 "关闭"
  HWND tray = nullptr;         // 设定_托盘载入: 0 "单击", 1 "双击"
  HWND laws = nullptr;         // 设定_显示明文: 0 "明文", 1 "密文"

  explicit SettingsUi(const MainUi& ui) {
    // The bars of the first page window after the account list's.
    HWND page = nullptr;
    std::vector<HWND> bars;
    for (HWND bar : Children(ui.window, "QuorrelBar")) {
      HWND parent = GetParent(bar);
      if (parent == ui.window || parent == GetParent(ui.list)) continue;
      if (!page) page = parent;
      if (parent == page) bars.push_back(bar);
    }
    if (bars.size() != 7) return;
    std::sort(bars.begin(), bars.end(), [](HWND a, HWND b) {
      RECT ra, rb;
      GetWindowRect(a, &ra);
      GetWindowRect(b, &rb);
      return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
    });
    association = bars[0];
    hotkeys = bars[1];
    import = bars[2];
    pinSet = bars[3];
    pin = bars[4];
    tray = bars[5];
    laws = bars[6];
  }
  bool complete() const { return association && laws; }
  // The side of a switch shown selected: 0, 1, or -1 when the drawing is neither.
  static int Selected(HWND bar) {
    Look first = SwitchLook(bar, 0), second = SwitchLook(bar, 1);
    if (first == Look::Selected && second == Look::NotSelected) return 0;
    if (first == Look::NotSelected && second == Look::Selected) return 1;
    return -1;
  }
};

// The running program's main window, switched to its settings page.
inline MainUi SettingsPageOf(const Process& p) {
  MainUi ui(WaitWindow(p.id(), kMainTitle));
  EXPECT_TRUE(ui.complete()) << "main window or one of its controls not found";
  ui.Menu(1);
  return ui;
}

// A value of Config.ini beside the program; nothing when the key is absent.
inline std::optional<std::string> ConfigValue(const RunDirectory& run, const std::string& key) {
  char value[256] = {};
  GetPrivateProfileStringA("Config", key.c_str(), "\x01", value, sizeof value, run.File("Config.ini").c_str());
  if (std::string(value) == "\x01") return std::nullopt;
  return Utf8(value);
}

// The icon exists while the shell accepts a change of nothing to it.
// A message box of the program (a dialog titled titleUtf8); null when none appears.
inline HWND WaitMessageBox(const Process& p, const std::string& titleUtf8, std::chrono::milliseconds timeout = 5s) {
  HWND found = nullptr;
  WaitFor([&] {
    for (HWND h : WindowsOf(p.id(), titleUtf8)) {
      wchar_t cls[16] = {};
      GetClassNameW(h, cls, 16);
      if (IsWindowVisible(h) && lstrcmpW(cls, L"#32770") == 0) found = h;
    }
    return found != nullptr;
  }, timeout);
  return found;
}

// The text a message box shows (its static control holding the message).
inline std::string MessageBoxText(HWND box) {
  std::string text;
  for (HWND c : Children(box, "Static")) text += ControlText(c);
  return text;
}

inline bool TrayIconPresent(HWND main) {
  NOTIFYICONDATAA nid{};
  nid.cbSize = sizeof nid;
  nid.hWnd = main;
  nid.uID = kTrayIconId;
  return Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

// The program shows the window before it takes the icon away.
inline bool TrayIconGone(HWND main) {
  return WaitFor([&] { return !TrayIconPresent(main); }, 3s);
}

// The editors: the process's visible skinned windows without a title.
inline std::vector<HWND> Editors(DWORD pid) {
  std::vector<HWND> found;
  char cls[64];
  for (HWND h : WindowsOf(pid))
    if (IsWindowVisible(h) && WindowTitle(h).empty() && GetClassNameA(h, cls, sizeof cls) &&
        std::string(cls) == "QuorrelWindow")
      found.push_back(h);
  return found;
}

// Types into a box as a person would: click into it, select what it holds, type.
inline void TypeInto(HWND box, const std::string& utf8) {
  ClickWindow(box);
  SendMessageW(box, EM_SETSEL, 0, -1);
  if (utf8.empty()) PressKey(VK_DELETE);
  else TypeUnicode(utf8);
  Pump(50ms);
}

// Presses the hotkey with the caret in the target's box; what landed there (ANSI). With
// nothing expected the program gets ample time to type.
inline std::string Typed(TargetWindow& target, WORD vk, size_t expectedLength) {
  target.Clear();
  EXPECT_TRUE(target.Focus()) << "the target window does not keep the keyboard";
  PressKey(vk);
  if (expectedLength) return target.WaitText(expectedLength);
  Pump(500ms);
  return target.TextAnsi();
}

// The note a window of the process shows beside it (the input window's balloon): its
// text, or "" while none is shown.
inline std::string NoteOf(DWORD processId) {
  for (HWND tip : WindowsOf(processId)) {
    wchar_t cls[32] = {};
    GetClassNameW(tip, cls, 32);
    if (lstrcmpiW(cls, L"tooltips_class32") != 0 || !IsWindowVisible(tip)) continue;
    constexpr size_t kChars = 512;
    RemoteBuffer remote(tip, sizeof(TTTOOLINFOW) + kChars * sizeof(wchar_t));
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    // The first tool, then its text into the remote buffer.
    if (!remote.Write(&tool, sizeof tool) || !SendMessageW(tip, TTM_ENUMTOOLSW, 0, remote.param())) continue;
    remote.Read(&tool, sizeof tool);
    tool.lpszText = reinterpret_cast<wchar_t*>(remote.at(sizeof(TTTOOLINFOW)));
    remote.Write(&tool, sizeof tool);
    SendMessageW(tip, TTM_GETTEXTW, kChars, remote.param());
    std::wstring text(kChars, L'\0');
    remote.Read(text.data(), kChars * sizeof(wchar_t), sizeof(TTTOOLINFOW));
    text.resize(wcsnlen(text.c_str(), kChars));
    return WideToUtf8(text);
  }
  return "";
}

// The log's messages; a line not of the form <14 digits> ---> <message> CR LF fails the test.
inline std::vector<std::string> LogMessages(const RunDirectory& run) {
  std::vector<std::string> messages;
  std::string log = run.Read(kLogName).value_or("");
  static const std::regex line("(\\d{14}) ---> ([^\\r\\n]*)\\r\\n");
  auto begin = log.cbegin();
  std::smatch m;
  while (begin != log.cend()) {
    if (!std::regex_search(begin, log.cend(), m, line, std::regex_constants::match_continuous)) {
      ADD_FAILURE() << "bad log line: " << std::string(begin, log.cend());
      break;
    }
    messages.push_back(Utf8(m[2].str()));
    begin = m[0].second;
  }
  return messages;
}

inline AccountStore TableAt(const RunDirectory& run) {
  static Win32FileSystem fs;
  AccountStore store;
  store.table_path = run.File(kAccountTableFileName);
  store.fs = &fs;
  store.log = [](std::string_view) {};
  return store;
}

// An account as the tests write and read it: UTF-8 texts.
struct Account {
  std::string pid, name, user, password;
};

// An account table written by the test itself.
inline void SeedTable(const RunDirectory& run, const std::vector<Account>& records) {
  AccountStore store = TableAt(run);
  ASSERT_EQ(CreateAccountTable(store), TableOutcome::kCreated);
  for (const Account& r : records)
    ASSERT_EQ(AddAccount(store, Ansi(r.pid), Ansi(r.name), Ansi(r.user), Ansi(r.password)), TableOutcome::kOpened);
}

// Puts a freshly seeded table in place behind the running program's back.
inline void ReplaceTable(const RunDirectory& run, const std::vector<Account>& records) {
  RunDirectory scratch;
  SeedTable(scratch, records);
  run.Write(kAccountTableFileName, scratch.Read(kAccountTableFileName).value_or(""));
}

inline std::optional<Account> StoredAccount(const RunDirectory& run, const std::string& pid) {
  AccountStore store = TableAt(run);
  const auto r = FindAccountByPid(store, Ansi(pid)).record;
  if (!r) return std::nullopt;
  return Account{Utf8(r->pid), Utf8(r->name), Utf8(r->user), Utf8(r->password.str())};
}

inline std::string DesktopFolder() {
  char path[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

inline std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::string(fd.cFileName) != "." && std::string(fd.cFileName) != "..") names.push_back(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

inline std::string RandomBytes(size_t n, uint32_t seed = 0x9E3779B9u) {
  std::string bytes;
  for (uint32_t x = seed; bytes.size() < n;) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes += static_cast<char>(x >> 24);
  }
  return bytes;
}

}  // namespace quorrel::e2e
