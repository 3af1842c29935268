#include "driver/driver.h"

#include <gtest/gtest.h>

#include "tests/win/test_util.h"

#include <fstream>
#include <sstream>
#include <thread>

namespace quorrel::e2e {
namespace {

std::wstring ToWide(UINT cp, const std::string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string FromWide(UINT cp, const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

}  // namespace

std::string ModuleDir() {
  char buf[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, buf, MAX_PATH);
  std::string p = buf;
  return p.substr(0, p.find_last_of('\\'));
}

std::string Ansi(const std::string& utf8) { return FromWide(CP_ACP, ToWide(CP_UTF8, utf8)); }
std::string Utf8(const std::string& ansi) { return FromWide(CP_UTF8, ToWide(CP_ACP, ansi)); }
std::wstring Wide(const std::string& utf8) { return ToWide(CP_UTF8, utf8); }

// --- run directory ----------------------------------------------------------------------

RunDirectory::RunDirectory() {
  char base[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, base);
  static int counter = 0;
  for (;;) {
    path_ = std::string(base) + "quorrel-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    if (CreateDirectoryA(path_.c_str(), nullptr)) break;
  }
  std::string source = ModuleDir() + "\\Quorrel.exe";
  if (!CopyFileA(source.c_str(), exe().c_str(), FALSE))
    ADD_FAILURE() << "cannot copy " << source << " into the run directory";
}

RunDirectory::~RunDirectory() { TempDir::RemoveTree(path_); }

bool RunDirectory::Exists(const std::string& name) const {
  return GetFileAttributesA(File(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> RunDirectory::Read(const std::string& name) const {
  std::ifstream in(File(name), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void RunDirectory::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream(File(name), std::ios::binary | std::ios::trunc) << bytes;
}

void RunDirectory::WriteConfig(const std::string& key, const std::string& value) const {
  WritePrivateProfileStringA("Config", key.c_str(), Ansi(value).c_str(), File("Config.ini").c_str());
}

// --- processes ----------------------------------------------------------------------------

Process::Process(Process&& other) noexcept : pi_(other.pi_) { other.pi_ = {}; }

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Terminate();
    pi_ = other.pi_;
    other.pi_ = {};
  }
  return *this;
}

Process::~Process() { Terminate(); }

Process Process::Start(const std::string& exe, const std::string& args, const std::string& dir,
                       DWORD creationFlags) {
  Process p;
  std::string cmd = "\"" + exe + "\"";
  if (!args.empty()) cmd += " " + args;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::string workDir = dir.empty() ? exe.substr(0, exe.find_last_of('\\')) : dir;
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, creationFlags, nullptr, workDir.c_str(), &si,
                      &p.pi_)) {
    ADD_FAILURE() << "cannot start " << cmd << " (error " << GetLastError() << ")";
    p.pi_ = {};
  }
  return p;
}

bool Process::Running() const {
  return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitExit(std::chrono::milliseconds timeout) {
  if (!pi_.hProcess) return std::nullopt;
  auto until = std::chrono::steady_clock::now() + timeout;
  while (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
    if (std::chrono::steady_clock::now() > until) return std::nullopt;
    Pump(20ms);
  }
  DWORD code = 0;
  GetExitCodeProcess(pi_.hProcess, &code);
  return code;
}

void Process::Terminate() {
  if (pi_.hProcess) {
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(pi_.hProcess, 1);
      WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
  }
  pi_ = {};
}

// --- waiting ------------------------------------------------------------------------------

void Pump(std::chrono::milliseconds duration) { PumpMessages(duration); }

bool WaitFor(const std::function<bool()>& cond, std::chrono::milliseconds timeout) {
  auto until = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (cond()) return true;
    if (std::chrono::steady_clock::now() > until) return false;
    Pump(20ms);
  }
}

// --- windows ------------------------------------------------------------------------------

std::string WindowTitle(HWND hwnd) {
  wchar_t buf[512] = {};
  GetWindowTextW(hwnd, buf, 512);
  return FromWide(CP_UTF8, buf);
}

std::vector<HWND> WindowsOf(DWORD processId, const std::string& titlePart) {
  struct Ctx {
    DWORD pid;
    std::string part;
    std::vector<HWND> found;
  } ctx{processId, titlePart, {}};
  struct Enum {
    static BOOL CALLBACK Proc(HWND h, LPARAM lp) {
      auto* c = reinterpret_cast<Ctx*>(lp);
      DWORD pid = 0;
      GetWindowThreadProcessId(h, &pid);
      if (pid == c->pid && WindowTitle(h).find(c->part) != std::string::npos) c->found.push_back(h);
      return TRUE;
    }
  };
  EnumWindows(Enum::Proc, reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

HWND WaitWindow(DWORD processId, const std::string& titlePart, std::chrono::milliseconds timeout) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        for (HWND h : WindowsOf(processId, titlePart))
          if (IsWindowVisible(h)) {
            found = h;
            return true;
          }
        return false;
      },
      timeout);
  return found;
}

std::string ControlText(HWND hwnd) {
  LRESULT n = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
  n = SendMessageW(hwnd, WM_GETTEXT, static_cast<WPARAM>(buf.size()), reinterpret_cast<LPARAM>(buf.data()));
  buf.resize(static_cast<size_t>(n));
  return FromWide(CP_UTF8, buf);
}

std::string ControlTextAnsi(HWND hwnd) { return Ansi(ControlText(hwnd)); }

std::vector<HWND> Children(HWND parent, const std::string& className) {
  struct Ctx {
    std::string cls;
    std::vector<HWND> found;
  } ctx{className, {}};
  struct Enum {
    static BOOL CALLBACK Proc(HWND h, LPARAM lp) {
      auto* c = reinterpret_cast<Ctx*>(lp);
      char cls[64] = {};
      GetClassNameA(h, cls, 64);
      if (c->cls.empty() || _stricmp(cls, c->cls.c_str()) == 0) c->found.push_back(h);
      return TRUE;
    }
  };
  EnumChildWindows(parent, Enum::Proc, reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

HWND ChildByText(HWND parent, const std::string& utf8Text) {
  for (HWND h : Children(parent))
    if (ControlText(h) == utf8Text) return h;
  return nullptr;
}

// --- input --------------------------------------------------------------------------------

bool Foreground(HWND hwnd) {
  for (int i = 0; i < 20; ++i) {
    SetForegroundWindow(hwnd);
    Pump(30ms);
    if (GetForegroundWindow() == hwnd) return true;
  }
  return false;
}

bool SettledForeground(HWND hwnd) {
  // Held for a while: a late activation of another window shows within it.
  const auto lost = [&] { return GetForegroundWindow() != hwnd; };
  return WaitFor([&] { return Foreground(hwnd) && !WaitFor(lost, 150ms); }, 5s);
}

void SendKey(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

void PressKey(WORD vk) {
  SendKey(vk, false);
  SendKey(vk, true);
}

void TypeUnicode(const std::string& utf8) {
  for (wchar_t c : ToWide(CP_UTF8, utf8)) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wScan = in[1].ki.wScan = c;
    in[0].ki.dwFlags = KEYEVENTF_UNICODE;
    in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
  }
}

void ClickAt(int x, int y, bool doubleClick) {
  SetCursorPos(x, y);
  Pump(20ms);
  for (int i = 0; i < (doubleClick ? 2 : 1); ++i) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
    Pump(doubleClick ? 30ms : 20ms);
  }
}

void ClickWindow(HWND hwnd, int dx, int dy, bool doubleClick) {
  RECT r;
  GetWindowRect(hwnd, &r);
  int x = dx < 0 ? (r.left + r.right) / 2 : r.left + dx;
  int y = dy < 0 ? (r.top + r.bottom) / 2 : r.top + dy;
  ClickAt(x, y, doubleClick);
}

void ClickClient(HWND hwnd, int x, int y) {
  LPARAM pos = MAKELPARAM(x, y);
  PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, pos);
  PostMessageW(hwnd, WM_LBUTTONUP, 0, pos);
}

// --- target window ------------------------------------------------------------------------

TargetWindow::TargetWindow() {
  static bool registered = false;
  HINSTANCE inst = GetModuleHandleW(nullptr);
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = inst;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"QuorrelTestTarget";
    RegisterClassW(&wc);
    registered = true;
  }
  hwnd_ = CreateWindowExW(0, L"QuorrelTestTarget", L"Typing target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600,
                          500, 500, 120, nullptr, nullptr, inst, nullptr);
  edit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10, 10, 460,
                          30, hwnd_, nullptr, inst, nullptr);
  SendMessageW(edit_, EM_LIMITTEXT, 0, 0);
  Pump(50ms);
}

TargetWindow::~TargetWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

bool TargetWindow::Focus() {
  return WaitFor([&] { return Foreground(hwnd_) && (SetFocus(edit_), SettledForeground(hwnd_)) && GetFocus() == edit_; }, 5s);
}

void TargetWindow::Clear() { SetWindowTextW(edit_, L""); }

std::string TargetWindow::TextAnsi() const { return ControlTextAnsi(edit_); }

std::string TargetWindow::WaitText(size_t length, std::chrono::milliseconds timeout) {
  std::string last;
  auto stableSince = std::chrono::steady_clock::now();
  auto until = stableSince + timeout;
  for (;;) {
    Pump(20ms);
    std::string now = TextAnsi();
    auto t = std::chrono::steady_clock::now();
    if (now != last) {
      last = now;
      stableSince = t;
    }
    if (last.size() >= length && t - stableSince > 150ms) return last;
    if (t > until) return last;
  }
}

// --- screenshots ----------------------------------------------------------------------------

std::string SaveScreenshot(const std::string& name) {
  int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  std::string dir = ModuleDir() + "\\e2e-screens";
  CreateDirectoryA(dir.c_str(), nullptr);
  std::string safe;
  for (char c : name) safe += (isalnum(static_cast<unsigned char>(c)) ? c : '_');
  std::string path = dir + "\\" + safe + ".bmp";
  DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) & ~3u);
  DWORD size = stride * static_cast<DWORD>(h);
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + size;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
  out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
  if (bits) out.write(static_cast<const char*>(bits), size);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return path;
}

}  // namespace quorrel::e2e
