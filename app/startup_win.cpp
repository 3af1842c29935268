#include "app/startup_win.h"

#include "app/cmdline.h"
#include "app/instance_win.h"
#include "app/state.h"
#include "base/encoding_win.h"
#include "base/report.h"
#include "input/input_window_win.h"
#include "security/pin_pad_win.h"
#include "store/account_store_win.h"
#include "ui/main/main_window_win.h"

namespace quorrel {
namespace {

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

HWND FindWindowByText(std::string_view text) {
  auto asHandle = reinterpret_cast<HWND>(static_cast<intptr_t>(ParseDecimal(text)));
  WINDOWINFO wi{};
  wi.cbSize = sizeof wi;
  static_assert(sizeof(WINDOWINFO) == 60, "WINDOWINFO is 60 bytes on every target");
  if (asHandle && GetWindowInfo(asHandle, &wi)) return asHandle;
  for (const TopLevelWindowInfo& w : ListTopLevelWindows()) {
    if (FindAtCharStart(w.title, text) != std::string_view::npos) return w.handle;
    PumpPendingMessages();
  }
  return nullptr;
}

void PostCloseRequest(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

void LoadHotkeyCodes() {
  // Read once: codes saved while the program runs take effect at the next start.
  const ConfigFile config(State().ConfigPath);
  State().AccountHotkeyCode = ParseDecimal(config.Read(kUserKey));
  State().PasswordHotkeyCode = ParseDecimal(config.Read(kPassKey));
}

HWND OpenProgramMainWindow() {
  ProcessState& s = State();
  MainWindowArgs args;
  args.config = ConfigFile(s.ConfigPath);
  args.accounts = &s.Accounts;
  args.accountHotkeyCode = s.AccountHotkeyCode;
  args.passwordHotkeyCode = s.PasswordHotkeyCode;
  args.pendingAccountKey = &s.PendingAccountKey;
  args.pendingPasswordKey = &s.PendingPasswordKey;
  args.importFilePath = &s.ImportFilePath;
  args.programPath = s.RunDirectory + "\\" + s.ExeFileName;
  args.guard = [] { EnsureSingleInstance(); };
  args.exitProgram = [] { TerminateProcessById(); };
  return OpenMainWindow(std::move(args));
}

void RunStartup() {
  ProcessState& s = State();
  s.CommandLineArgs = SplitCommandLine(GetCommandLineA());
  s.RunDirectory = ModuleDirectory();
  s.ExeFileName = ModuleFileName();
  s.AccountTablePath = s.RunDirectory + "\\" + kAccountTableFileName;
  s.ConfigPath = s.RunDirectory + "\\Config.ini";
  s.RestartedForTable = TakeRestartedForTable();
  s.Accounts = MakeAccountStore(s.RunDirectory, [] { RestartForTable(); });
  LoadHotkeyCodes();

  if (!s.CommandLineArgs.empty()) {
    // An input window of an earlier run gives way to this one.
    HWND earlier = FindWindowByText(Utf8ToAnsi("辅助输入"));
    if (reinterpret_cast<intptr_t>(earlier) > 0) PostCloseRequest(earlier);
    s.StartedWithFile = true;
    InputWindowArgs input;
    input.accountFile = s.CommandLineArgs[0];
    input.accountHotkeyCode = s.AccountHotkeyCode;
    input.passwordHotkeyCode = s.PasswordHotkeyCode;
    ReportIf(!OpenInputWindow(nullptr, std::move(input)));
    return;
  }
  const ConfigFile config(s.ConfigPath);
  if (config.Read(kStartup) == "True") {
    PinPadArgs pad;
    pad.mode = PinPadMode::Verify;
    pad.config = config;
    pad.onVerified = [] { ReportIf(!OpenProgramMainWindow()); };
    ReportIf(!OpenPinPadWindow(nullptr, std::move(pad)));
  } else {
    ReportIf(!OpenProgramMainWindow());
  }
}

}  // namespace quorrel
