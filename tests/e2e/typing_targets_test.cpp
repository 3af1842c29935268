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
    in[i++].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  }
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

// The note the input window shows beside it: its text, or "" while none is shown.
std::string NoteOf(DWORD processId) {
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

class TypingTargets : public E2eTest {
 protected:
  HWND Open(Process& p, const std::string& user, const std::string& password) {
    run_.Write("account.Pw", BuildAccountFileContent(user, password));
    p = Start("\"" + run_.File("account.Pw") + "\"");
    return WaitWindow(p.id(), kInputTitle);
  }
};

TEST_F(TypingTargets, AHeldShiftIsWaitedForAndTypingGoesOnOnceItIsUp) {
  Process p;
  HWND input = Open(p, "user", "pass-Word1");
  ASSERT_TRUE(input);
  TargetWindow target;
  target.Focus();
  // The hotkey goes down, then Shift, in one call: the press counts, Shift is held.
  Keys({{VK_F9, false}, {VK_SHIFT, false}, {VK_F9, true}});
  Pump(300ms);
  EXPECT_EQ(target.TextAnsi(), "") << "typed while Shift was down";
  Keys({{VK_SHIFT, true}});
  EXPECT_EQ(target.WaitText(10), "pass-Word1");
  EXPECT_EQ(NoteOf(p.id()), "");

  // Held past the limit: nothing is typed, and the note says why.
  target.Clear();
  target.Focus();
  Keys({{VK_F9, false}, {VK_SHIFT, false}, {VK_F9, true}});
  Pump(2s);
  Keys({{VK_SHIFT, true}});
  Pump(500ms);
  EXPECT_EQ(target.TextAnsi(), "") << "typed after the wait had given up";
  const std::string note = NoteOf(p.id());
  EXPECT_NE(note.find("仍被按住"), std::string::npos) << note;
}

// A copy of the typing target named as a remote-desktop client (mstsc.exe): keys only, with
// their scan codes; a password holding a Chinese character is not typed at all, and the
// note names its position.
TEST_F(TypingTargets, ARemoteClientGetsKeysOnlyOrNothing) {
  char self[MAX_PATH] = {};
  std::string tools(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
  tools = tools.substr(0, tools.find_last_of('\\'));
  RunDirectory client;
  const std::string exe = client.File("mstsc.exe");
  ASSERT_TRUE(CopyFileA((tools + "\\typing_target.exe").c_str(), exe.c_str(), FALSE));
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
  ASSERT_TRUE(Foreground(window));
  SetFocus(edit);
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

}  // namespace
}  // namespace quorrel::e2e
