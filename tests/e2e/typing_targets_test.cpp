// What the real program types when the target is not an ordinary window at rest: the user
// still holds a modifier key, or the target is a remote-desktop client that takes keys only.
#include "base/encoding_win.h"
#include "exchange/account_file.h"
#include "main_window_support.h"
#include "tests/win/tools/typing_target.h"

namespace quorrel::e2e {
namespace {

namespace tt = quorrel::typing_target;

void Keys(std::initializer_list<std::pair<WORD, bool>> keys) {  // (key, up) in one call
  std::vector<INPUT> in(keys.size());
  size_t i = 0;
  for (auto [vk, up] : keys) {
    in[i].type = INPUT_KEYBOARD;
    in[i].ki.wVk = vk;
    in[i].ki.dwExtraInfo = tt::kTestsOwnKey;  // a relay stand-in lets them through
    in[i++].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  }
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

class TypingTargets : public E2eTest {
 protected:
  HWND Open(Process& p, const std::string& user, const std::string& password) {
    run_.Write("account.Pw", BuildAccountFileContent(user, password));
    p = Start("\"" + run_.File("account.Pw") + "\"");
    return WaitWindow(p.id(), kInputTitle);
  }
};

// The hotkey goes down, then Shift, in one call: the press counts, Shift is held. Under
// Wine a foreground change still settling clears the key state, and the program would then
// see Shift up: a press after which Shift is no longer down is tried again.
bool PressF9WithShiftHeld(TargetWindow& target) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    target.Clear();
    if (!target.Focus()) return false;
    Keys({{VK_F9, false}, {VK_SHIFT, false}, {VK_F9, true}});
    Pump(300ms);
    if (GetAsyncKeyState(VK_SHIFT) & 0x8000) return true;
    Keys({{VK_SHIFT, true}});
    Pump(1500ms);  // whatever the press typed or told is over
  }
  return false;
}

TEST_F(TypingTargets, AHeldShiftIsWaitedForAndTypingGoesOnOnceItIsUp) {
  Process p;
  HWND input = Open(p, "user", "pass-Word1");
  ASSERT_TRUE(input);
  TargetWindow target;
  ASSERT_TRUE(PressF9WithShiftHeld(target));
  EXPECT_EQ(target.TextAnsi(), "") << "typed while Shift was down";
  Keys({{VK_SHIFT, true}});
  EXPECT_EQ(target.WaitText(10), "pass-Word1");
  EXPECT_EQ(NoteOf(p.id()), "");

  // Held past the limit: nothing is typed, and the note says why.
  ASSERT_TRUE(PressF9WithShiftHeld(target));
  Pump(1700ms);
  Keys({{VK_SHIFT, true}});
  Pump(500ms);
  EXPECT_EQ(target.TextAnsi(), "") << "typed after the wait had given up";
  const std::string note = NoteOf(p.id());
  EXPECT_NE(note.find("Shift"), std::string::npos) << note;
}

// The press is bound to the window that had the keyboard: moved to another program while
// Shift is still held (as Alt+Tab does), neither window gets anything, and the note says so.
TEST_F(TypingTargets, AWaitingPressTypesIntoNoOtherWindow) {
  Process p;
  HWND input = Open(p, "user", "Secret-Pw1");
  ASSERT_TRUE(input);
  Process other = Process::Start(ModuleDir() + "\\typing_target.exe", "120");
  HWND otherWindow = WaitWindow(other.id(), "typing target");
  ASSERT_TRUE(otherWindow);
  HWND otherEdit = FindWindowExW(otherWindow, nullptr, L"Edit", nullptr);
  TargetWindow target;
  ASSERT_TRUE(PressF9WithShiftHeld(target));
  ASSERT_TRUE(SettledForeground(otherWindow));
  Keys({{VK_SHIFT, true}});
  EXPECT_TRUE(WaitFor([&] { return NoteOf(p.id()).find("窗口") != std::string::npos; }, 3s)) << NoteOf(p.id());
  Pump(300ms);
  EXPECT_EQ(ControlTextAnsi(otherEdit), "") << "the password went into another window";
  EXPECT_EQ(target.TextAnsi(), "");
}

// A new press replaces one still waiting: Shift up and F8 at once after a waiting F9 type
// the user name alone, never the password behind it. (Where the program's poll sees Shift
// up before the F8 press arrives, the waiting press rightly types first: tried again.)
TEST_F(TypingTargets, ANewPressReplacesAWaitingOne) {
  Process p;
  HWND input = Open(p, "user", "Secret-Pw1");
  ASSERT_TRUE(input);
  TargetWindow target;
  std::string typed;
  for (int attempt = 0; attempt < 5 && typed != "user"; ++attempt) {
    ASSERT_TRUE(PressF9WithShiftHeld(target));
    // Held still, the program gets the F8 press before its poll can see Shift come up
    // (under Wine a thread stops a moment after it is told to).
    p.Suspend();
    Sleep(50);
    Keys({{VK_SHIFT, true}, {VK_F8, false}, {VK_F8, true}});
    Sleep(50);
    p.Resume();
    target.WaitText(4);
    Pump(1200ms);  // past the waiting press's limit
    typed = target.TextAnsi();
    ASSERT_TRUE(typed == "user" || typed == "Secret-Pw1user") << "the waiting press typed after the new one: " << typed;
  }
  EXPECT_EQ(typed, "user");
}

// A copy of the typing target named as a remote-desktop client (mstsc.exe): keys only, with
// their scan codes; a password holding a Chinese character is not typed at all, and the
// note names its position.
TEST_F(TypingTargets, ARemoteClientGetsKeysOnlyOrNothing) {
  RunDirectory client;
  const std::string exe = client.File("mstsc.exe");
  ASSERT_TRUE(CopyFileA((ModuleDir() + "\\typing_target.exe").c_str(), exe.c_str(), FALSE));
  Process remote = Process::Start(exe, "120", client.path());
  HWND window = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (window = FindWindowW(tt::kClass, tt::kTitle)) != nullptr; }, 10s));

  Process p;
  HWND input = Open(p, "aB1-x", Ansi("pw张三"));
  ASSERT_TRUE(input);
  auto ask = [&](UINT question) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, question, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
    return static_cast<size_t>(answer);
  };
  HWND edit = FindWindowExW(window, nullptr, L"Edit", nullptr);
  ASSERT_TRUE(SettledForeground(window));
  PressKey(VK_F8);
  EXPECT_TRUE(WaitFor([&] { return ControlTextAnsi(edit) == "aB1-x"; }, 5s)) << ControlTextAnsi(edit);
  EXPECT_EQ(ask(tt::kUnicodeEvents), 0u) << "Unicode events into a remote client";
  EXPECT_GE(ask(tt::kKeyEvents), 10u);

  ask(tt::kReset);
  PressKey(VK_F9);
  EXPECT_TRUE(WaitFor([&] { return NoteOf(p.id()).find("第 3 个字符") != std::string::npos; }, 5s))
      << NoteOf(p.id());
  Pump(300ms);
  EXPECT_EQ(ControlTextAnsi(edit), "") << "half a password went in";
  EXPECT_EQ(ask(tt::kUnicodeEvents), 0u);
}

// The input window's own boxes are no target: with the caret in its 账号 box, F9 types
// nothing there (a password would show in clear and go out with the next F8), and says so.
TEST_F(TypingTargets, APressInTheProgramsOwnWindowTypesNothing) {
  Process p;
  HWND input = Open(p, "own-user", "Own Pw!7");
  ASSERT_TRUE(input);
  const std::vector<HWND> boxes = Children(input, "Edit");
  ASSERT_EQ(boxes.size(), 2u);
  ClickWindow(boxes[0]);
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == input; }, 3s));
  PressKey(VK_END);
  PressKey(VK_F9);
  EXPECT_TRUE(WaitFor([&] { return NoteOf(p.id()).find("Quorrel") != std::string::npos; }, 3s)) << NoteOf(p.id());
  EXPECT_EQ(ControlTextAnsi(boxes[0]), "own-user");
  EXPECT_EQ(ControlTextAnsi(boxes[1]).size(), std::string("Own Pw!7").size());
}

// Stand-ins of virtual-machine consoles (typing_target's relay mode: a queue of 16 events
// that the guest empties one every 10 ms). Named as such a console, the password goes at a
// pace and arrives whole; named as a browser (a web console in a tab), F9's burst loses
// keys there and Shift+F9 types at the same pace; a press while it runs stops it.
TEST_F(TypingTargets, RelaysGetEveryKeyAtTheirPaceAndAPressStopsIt) {
  const std::string password = "Relay-4ep!Q9#zX@w7$Kd^m2&Tn*B5(vL)p_Yh+3";  // 40 characters
  Process p;
  ASSERT_TRUE(Open(p, "Cons-user", password));
  RunDirectory clients;
  auto start = [&](const std::string& name, Process& target) -> HWND {
    const std::string exe = clients.File(name);
    if (!CopyFileA((ModuleDir() + "\\typing_target.exe").c_str(), exe.c_str(), FALSE)) return nullptr;
    target = Process::Start(exe, "120 relay", clients.path());
    HWND window = WaitWindow(target.id(), "typing target");
    return window && SettledForeground(window) ? window : nullptr;
  };
  auto guestText = [](HWND window) { return ControlTextAnsi(FindWindowExW(window, nullptr, L"Edit", nullptr)); };
  auto slowPress = [](WORD vk) { Keys({{VK_SHIFT, false}, {vk, false}, {vk, true}, {VK_SHIFT, true}}); };

  Process vm;
  HWND window = start("vmware.exe", vm);
  ASSERT_TRUE(window);
  PressKey(VK_F9);
  EXPECT_TRUE(WaitFor([&] { return guestText(window) == password; }, 10s)) << guestText(window) << NoteOf(p.id());
  // A press while it types stops it: a part went in, told with its count.
  SendMessageW(window, tt::kReset, 0, 0);
  PressKey(VK_F9);
  ASSERT_TRUE(WaitFor([&] { return guestText(window).size() >= 3; }, 5s)) << guestText(window);
  PressKey(VK_F8);
  EXPECT_TRUE(WaitFor([&] { return NoteOf(p.id()).find("已输入前") != std::string::npos; }, 3s)) << NoteOf(p.id());
  const std::string part = guestText(window);
  Pump(500ms);
  EXPECT_EQ(guestText(window), part) << "typed on after the stop";
  EXPECT_TRUE(part.size() < password.size() && password.rfind(part, 0) == 0) << part;

  Process browser;
  HWND web = start("chrome.exe", browser);
  ASSERT_TRUE(web);
  PressKey(VK_F9);
  Pump(1500ms);
  EXPECT_NE(guestText(web), password) << "the stand-in lost nothing of a burst: it models no relay";
  SendMessageW(web, tt::kReset, 0, 0);
  ASSERT_TRUE(SettledForeground(web));
  slowPress(VK_F9);
  EXPECT_TRUE(WaitFor([&] { return guestText(web) == password; }, 10s)) << guestText(web);
}

// A console window reads key events but drops Unicode character events: a password it can
// take by keys arrives exactly; one holding a Chinese character is not typed at all, told.
TEST_F(TypingTargets, AConsoleGetsThePasswordExactlyOrNothing) {
  const std::pair<std::string, bool> passwords[] = {{"Pa ss W0rd!\\|~\"{}`x", true}, {"Pa ss W0rd\xD6\xD0\xCE\xC4`x", false}};
  for (const auto& [password, typed] : passwords) {
    Process p;
    ASSERT_TRUE(Open(p, "user", password));
    RunDirectory folder;
    const std::string line = folder.File("line.txt");
    Process console = Process::Start(ModuleDir() + "\\console_reader.exe", "\"" + line + "\"", folder.path(),
                                     CREATE_NEW_CONSOLE);
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindWindowW(nullptr, L"console reader")) != nullptr; }, 10s));
    ASSERT_TRUE(SettledForeground(window));
    PressKey(VK_F9);
    if (!typed) {
      EXPECT_TRUE(WaitFor([&] { return NoteOf(p.id()).find("第 11 个字符") != std::string::npos; }, 5s))
          << NoteOf(p.id());
    }
    Pump(500ms);
    PressKey(VK_RETURN);
    ASSERT_TRUE(console.WaitExit(10s)) << "the console read no line";
    EXPECT_EQ(folder.Read("line.txt").value_or("?"), typed ? password : "") << Utf8(password);
  }
}

}  // namespace
}  // namespace quorrel::e2e
