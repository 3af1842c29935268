// Drives the real Quorrel.exe as a person would: a fresh run directory with a copy of
// the exe, windows found by title, keys and clicks sent with SendInput, controls read with
// WM_GETTEXT, files beside the exe checked. Every process it starts it ends by its id.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorrel::e2e {

using namespace std::chrono_literals;

// Texts in this driver are UTF-8 unless a name says Ansi.
std::string Ansi(const std::string& utf8);     // UTF-8 -> ANSI code page bytes
std::string Utf8(const std::string& ansi);     // ANSI code page bytes -> UTF-8
std::wstring Wide(const std::string& utf8);

class RunDirectory {
 public:
  RunDirectory();  // a new folder with a copy of Quorrel.exe
  RunDirectory(const RunDirectory&) = delete;
  RunDirectory& operator=(const RunDirectory&) = delete;
  ~RunDirectory();

  const std::string& path() const { return path_; }  // ANSI
  std::string File(const std::string& name) const { return path_ + "\\" + name; }
  std::string exe() const { return File("Quorrel.exe"); }
  bool Exists(const std::string& name) const;
  std::optional<std::string> Read(const std::string& name) const;  // bytes
  void Write(const std::string& name, const std::string& bytes) const;
  void WriteConfig(const std::string& key, const std::string& value) const;

 private:
  std::string path_;
};

// One started process; ended by its id when the object goes away.
class Process {
 public:
  Process() = default;
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process();

  // Starts exe with the given (already quoted) argument text, working directory dir.
  static Process Start(const std::string& exe, const std::string& args = "",
                       const std::string& dir = "", DWORD creationFlags = 0);
  DWORD id() const { return pi_.dwProcessId; }
  HANDLE handle() const { return pi_.hProcess; }
  bool Running() const;
  // Waits for the process to end; its exit code, or nothing on time-out.
  std::optional<DWORD> WaitExit(std::chrono::milliseconds timeout);
  void Terminate();
  // Stops and resumes its main (user-interface) thread: a program too busy to answer.
  void Suspend() const { SuspendThread(pi_.hThread); }
  void Resume() const { ResumeThread(pi_.hThread); }

 private:
  PROCESS_INFORMATION pi_{};
};

// The test program's folder, which also holds Quorrel.exe and the test tools.
std::string ModuleDir();

// Pumps this thread's messages while polling cond, until it holds or the time runs out.
bool WaitFor(const std::function<bool()>& cond, std::chrono::milliseconds timeout = 10s);
void Pump(std::chrono::milliseconds duration);

// Top-level windows of a process whose title holds the text (UTF-8); visible or not.
std::vector<HWND> WindowsOf(DWORD processId, const std::string& titlePart = "");
HWND WaitWindow(DWORD processId, const std::string& titlePart, std::chrono::milliseconds timeout = 15s);
std::string WindowTitle(HWND hwnd);   // UTF-8
std::string ControlText(HWND hwnd);   // UTF-8, by WM_GETTEXT
std::string ControlTextAnsi(HWND hwnd);
// Child controls of a window in creation order (depth first), optionally by class name.
std::vector<HWND> Children(HWND parent, const std::string& className = "");
HWND ChildByText(HWND parent, const std::string& utf8Text);

// Input.
bool Foreground(HWND hwnd);
// In front and still so a moment later: a program's new window may take the foreground a
// little after it shows, and the keys of the next press would go there.
bool SettledForeground(HWND hwnd);
void PressKey(WORD vk);
void SendKey(WORD vk, bool up);  // one key going down or up
void TypeUnicode(const std::string& utf8);
void ClickAt(int x, int y, bool doubleClick = false);
void ClickWindow(HWND hwnd, int dx = -1, int dy = -1, bool doubleClick = false);
void ClickClient(HWND hwnd, int x, int y);  // posted WM_LBUTTONDOWN/UP at client coordinates

// A window of the test's own with one edit box: the target of the typing.
class TargetWindow {
 public:
  TargetWindow();
  TargetWindow(const TargetWindow&) = delete;
  TargetWindow& operator=(const TargetWindow&) = delete;
  ~TargetWindow();
  HWND hwnd() const { return hwnd_; }
  HWND edit() const { return edit_; }
  // Foreground with the caret in the edit, and still so a moment later: a window another
  // process shows meanwhile would take the keys of the next press. False when it cannot.
  bool Focus();
  void Clear();
  std::string TextAnsi() const;  // what landed, as ANSI bytes
  // Waits until the text stops changing and is at least `length` bytes long.
  std::string WaitText(size_t length, std::chrono::milliseconds timeout = 5s);

 private:
  HWND hwnd_ = nullptr;
  HWND edit_ = nullptr;
};

// Saves the screen as a BMP beside the test's run directory (on failures).
std::string SaveScreenshot(const std::string& name);

}  // namespace quorrel::e2e
