#include "app/startup_win.h"

#include <algorithm>

#include "app/cmdline.h"
#include "app/instance_win.h"
#include "app/state.h"
#include "base/encoding_win.h"
#include "base/milestones.h"
#include "base/report.h"
#include "input/input_window_win.h"
#include "security/pin_pad_win.h"
#include "store/account_store_win.h"
#include "ui/main/main_window_win.h"
#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {

// How long a file start waits for the input window of an earlier run to go: a busy process
// may take a moment to handle the request, a hung one must not keep this one from opening.
constexpr DWORD kEarlierWindowBudgetMs = 3000;

Text ModulePath() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

size_t LastSeparator(const Text& path) {
  // The trail byte of a double-byte character can be 0x5C: walk by characters of the code
  // page GetModuleFileNameA used, which is the system's, not always GBK.
  return LastPathSeparator(path, &IsSystemLeadByte);
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
  auto* list = reinterpret_cast<std::vector<TopLevelWindowInfo>*>(lp);
  TopLevelWindowInfo info;
  info.handle = hwnd;
  info.threadId = GetWindowThreadProcessId(hwnd, &info.processId);
  int len = GetWindowTextLengthA(hwnd);
  if (len > 0) {
    std::string title(static_cast<size_t>(len) + 1, '\0');
    int got = GetWindowTextA(hwnd, title.data(), len + 1);
    title.resize(static_cast<size_t>(got > 0 ? got : 0));
    info.title = std::move(title);
  }
  char cls[50] = {};
  int n = GetClassNameA(hwnd, cls, sizeof cls);
  info.className.assign(cls, static_cast<size_t>(n > 0 ? n : 0));
  list->push_back(std::move(info));
  return TRUE;
}

void PumpPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

Text ModuleDirectory() {
  Text path = ModulePath();
  size_t sep = LastSeparator(path);
  return sep == Text::npos ? Text{} : path.substr(0, sep);
}

Text ModuleFileName() {
  Text path = ModulePath();
  size_t sep = LastSeparator(path);
  return sep == Text::npos ? path : path.substr(sep + 1);
}

std::vector<TopLevelWindowInfo> ListTopLevelWindows() {
  std::vector<TopLevelWindowInfo> list;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&list));
  return list;
}

std::vector<HWND> EarlierInputWindows() {
  const Text title = Utf8ToAnsi(kInputWindowTitle);
  const Text windowClass = WideToAnsi(ui::kWindowClassName);
  std::vector<HWND> found;
  for (const TopLevelWindowInfo& w : ListTopLevelWindows())
    if (w.title == title && w.className == windowClass) found.push_back(w.handle);
  return found;
}

void CloseEarlierInputWindows(DWORD budgetMs) {
  std::vector<HWND> earlier = EarlierInputWindows();
  for (HWND w : earlier) PostCloseRequest(w);
  const ULONGLONG end = GetTickCount64() + budgetMs;
  while (std::any_of(earlier.begin(), earlier.end(), [](HWND w) { return IsWindow(w) != FALSE; }) &&
         GetTickCount64() < end) {
    PumpPendingMessages();
    Sleep(20);
  }
}

void PostCloseRequest(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

void LoadHotkeyCodes() {
  // Read once: codes saved while the program runs take effect at the next start.
  const Settings settings(ConfigFile(State().ConfigPath));
  State().AccountHotkeyCode = settings.AccountHotkey().code;
  State().PasswordHotkeyCode = settings.PasswordHotkey().code;
}

HWND OpenProgramMainWindow() {
  ProcessState& s = State();
  MainWindowArgs args;
  args.settings = Settings(ConfigFile(s.ConfigPath));
  args.accounts = &s.Accounts;
  args.accountHotkeyCode = s.AccountHotkeyCode;
  args.passwordHotkeyCode = s.PasswordHotkeyCode;
  args.pendingAccountKey = &s.PendingAccountKey;
  args.pendingPasswordKey = &s.PendingPasswordKey;
  args.importFilePath = &s.ImportFilePath;
  args.programPath = s.RunDirectory + "\\" + s.ExeFileName;
  args.guard = [] { EnsureSingleInstance(); };
  args.exitProgram = [] { TerminateProcessById(); };
  args.onTableCannotBeCreated = [] { AnswerTableCannotBeCreated(); };
  return OpenMainWindow(std::move(args));
}

void RunStartup() {
  ProcessState& s = State();
  s.CommandLineArgs = SplitCommandLine(GetCommandLineA());
  s.RunDirectory = ModuleDirectory();
  s.ExeFileName = ModuleFileName();
  s.ConfigPath = s.RunDirectory + "\\Config.ini";
  s.RestartedForTable = TakeRestartedForTable();
  s.Accounts = MakeAccountStore(s.RunDirectory);
  LoadHotkeyCodes();
  Milestone("settings read");

  if (!s.CommandLineArgs.empty()) {
    // An input window of an earlier run gives way to this one, hotkeys included.
    CloseEarlierInputWindows(kEarlierWindowBudgetMs);
    InputWindowArgs input;
    input.accountFile = s.CommandLineArgs[0];
    input.accountHotkeyCode = s.AccountHotkeyCode;
    input.passwordHotkeyCode = s.PasswordHotkeyCode;
    ReportIf(!OpenInputWindow(nullptr, std::move(input)));
    return;
  }
  GiveWayIfAnotherCopyRuns();  // a copy already runs: it comes to the front instead
  const Settings settings(ConfigFile(s.ConfigPath));
  if (settings.StartupLocked()) {
    PinPadArgs pad;
    pad.mode = PinPadMode::Verify;
    pad.settings = settings;
    pad.onVerified = [] { ReportIf(!OpenProgramMainWindow()); };
    ReportIf(!OpenPinPadWindow(nullptr, std::move(pad)));
  } else {
    ReportIf(!OpenProgramMainWindow());
  }
}

}  // namespace quorrel
