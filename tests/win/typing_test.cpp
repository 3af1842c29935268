// Typing through the real system input stream into an edit box of this process's own
// foreground window: what lands is what a target program would get.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/win/test_util.h"

#include <chrono>
#include <string>
#include <vector>

#include "input/input_window_win.h"
#include "main_window_support.h"
#include "input/typing_win.h"

using namespace quorrel;
using namespace std::chrono_literals;

namespace {

void PumpFor(std::chrono::milliseconds duration) { PumpMessages(duration); }

class SystemTyping : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = inst;
    wc.lpszClassName = L"QuorrelTypingTestWindow";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"typing test", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              100, 100, 600, 120, nullptr, nullptr, inst, nullptr);
    edit_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10, 10, 560, 30,
                            window_, nullptr, inst, nullptr);
    PumpFor(50ms);
  }
  static void TearDownTestSuite() {
    DestroyWindow(window_);
    window_ = edit_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(window_ && edit_);
    bool front = false;
    for (int i = 0; i < 20 && !front; ++i) {
      SetForegroundWindow(window_);
      PumpFor(20ms);
      front = GetForegroundWindow() == window_;
    }
    ASSERT_TRUE(front) << "the test window cannot take the foreground";
    SetFocus(edit_);
    SetWindowTextW(edit_, L"");
    PumpFor(20ms);
  }

  static std::string EditText() {
    char buf[4096] = {};
    GetWindowTextA(edit_, buf, sizeof buf);
    return buf;
  }
  static std::wstring EditTextW() {
    wchar_t buf[4096] = {};
    SendMessageW(edit_, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf));
    return buf;
  }

  // Types the text, then a marker character; once the marker has landed every event of
  // the text has been handled, so what stands before it is exactly what the text typed.
  static std::wstring TypeAndReadW(const std::string& text, const ReservedKeys& reserved = {}) {
    SetWindowTextW(edit_, L"");
    SendInputInjector injector;
    SystemTypingEnvironment environment;
    EXPECT_TRUE(TypeText(text, injector, environment, reserved));
    EXPECT_TRUE(TypeText("#", injector, environment));
    std::wstring got;
    auto until = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < until) {
      PumpFor(10ms);
      got = EditTextW();
      if (!got.empty() && got.back() == L'#') {
        got.pop_back();
        return got;
      }
    }
    ADD_FAILURE() << "the marker never arrived; got \"" << EditText() << "\"";
    return got;
  }
  static std::string TypeAndRead(const std::string& text) {
    std::wstring got = TypeAndReadW(text);
    std::string ansi(got.size() * 2 + 1, '\0');
    int n = WideCharToMultiByte(CP_ACP, 0, got.data(), static_cast<int>(got.size()), ansi.data(),
                                static_cast<int>(ansi.size()), nullptr, nullptr);
    ansi.resize(static_cast<size_t>(n > 0 ? n : 0));
    return ansi;
  }
  static bool CapsLockOn() { return (GetKeyState(VK_CAPITAL) & 1) != 0; }
  static void PressCapsLock() {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = VK_CAPITAL;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    PumpFor(30ms);
  }

  static HWND window_;
  static HWND edit_;
};

HWND SystemTyping::window_ = nullptr;
HWND SystemTyping::edit_ = nullptr;

TEST_F(SystemTyping, LandsExactlyAsTypedWithShiftReleased) {
  EXPECT_EQ(TypeAndRead("Abc1!"), "Abc1!");
  EXPECT_EQ(TypeAndRead("a\\b|c"), "a\\b|c");  // one key, with and without Shift
  EXPECT_EQ(TypeAndRead("two words\tx\r\n"), "two wordsx");
  EXPECT_EQ(TypeAndRead("a\tb"), "ab");
  EXPECT_EQ(TypeAndRead(""), "");
  std::string all;
  for (int c = 0x21; c <= 0x7E; ++c) all += static_cast<char>(c);
  EXPECT_EQ(TypeAndRead(all), all);
  // Reversed too: a Shift left down by one character would turn the next one.
  EXPECT_EQ(TypeAndRead(std::string(all.rbegin(), all.rend())), std::string(all.rbegin(), all.rend()));
  EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);
  EXPECT_EQ(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
}

TEST_F(SystemTyping, DoubleByteCharactersArriveWhole) {
  EXPECT_EQ(TypeAndReadW("\xD5\xC5\xC8\xFD abc"), L"\x5F20\x4E09 abc");  // 张三 abc
  // Full-width punctuation, the euro sign (80), characters whose trail byte is "a" or "\",
  // a lead byte before a digit and a lone one at the end (no character: skipped).
  EXPECT_EQ(TypeAndReadW("\xA3\xAC\xA3\xA1\x80p\x81\x61\x95\x5C" "\x81" "9Z\x81"),
            L"\xFF0C\xFF01\x20ACp\x4E64\x661E" L"9Z");
  // The table's keys and a hotkey that would swallow one of them: "a" goes as a character.
  HWND probe = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(RegisterHotKey(probe, 1, 0, 'A'));
  ReservedKeys a;
  a.set('A');
  EXPECT_EQ(TypeAndReadW("aAa b", a), L"aAa b");
  MSG fired;
  EXPECT_FALSE(PeekMessageW(&fired, probe, WM_HOTKEY, WM_HOTKEY, PM_REMOVE)) << "the typing fired the hotkey";
  UnregisterHotKey(probe, 1);
  DestroyWindow(probe);
}

TEST_F(SystemTyping, CapsLockIsOffForTheBatchAndOnAgainAfterIt) {
  if (CapsLockOn()) PressCapsLock();
  ASSERT_FALSE(CapsLockOn());
  PressCapsLock();
  ASSERT_TRUE(CapsLockOn());
  struct Off {
    ~Off() {
      if (CapsLockOn()) PressCapsLock();
    }
  } off;
  EXPECT_EQ(TypeAndRead("Pass Word 1!"), "Pass Word 1!");
  EXPECT_TRUE(CapsLockOn());
  EXPECT_EQ(TypeAndRead("\r\n"), "");
  EXPECT_TRUE(CapsLockOn());
  EXPECT_EQ(TypeAndReadW("xY\xD5\xC5"), L"xY\x5F20");
  EXPECT_TRUE(CapsLockOn());
  EXPECT_EQ(GetAsyncKeyState(VK_CAPITAL) & 0x8000, 0);
  EXPECT_EQ(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
}

// The password hotkey of an input window of this process, pressed while the system takes
// only part of the batch: that part lands in the program in front (another process: this
// one's own windows are no target), the note says how much, and no key stays down, also
// when the release is cut short once more.
TEST_F(SystemTyping, ABatchCutShortIsToldAndLeavesNoKeyDown) {
  HWND input = OpenInputWindow(nullptr, {.user = SecretText(std::string_view("u")),
                                         .password = SecretText(std::string_view("aBcd")),
                                         .accountHotkeyCode = VK_F8, .passwordHotkeyCode = VK_F9});
  ASSERT_TRUE(input);
  e2e::Process other = e2e::Process::Start(e2e::ModuleDir() + "\\typing_target.exe", "60 unhooked");
  HWND target = e2e::WaitWindow(other.id(), "typing target");
  ASSERT_TRUE(target);
  const HWND edit = FindWindowExW(target, nullptr, L"Edit", nullptr);
  const struct {
    std::vector<size_t> cuts;  // the batch's, then the releases'
    std::string landed;
    const char* count;         // in the note
  } cases[] = {
      {{4, 1}, "aB", " 2 "},  // cut once Shift and B are down; the release after Shift came up
      {{0}, "", ""},           // nothing taken
  };
  for (const auto& c : cases) {
    SetWindowTextW(edit, L"");
    ASSERT_TRUE(e2e::SettledForeground(target));
    SetSendInputCutsForTests(c.cuts);
    e2e::PressKey(VK_F9);
    std::string note;
    e2e::WaitFor([&] { return !(note = e2e::NoteOf(GetCurrentProcessId())).empty(); }, 5s);
    PumpFor(100ms);
    EXPECT_EQ(e2e::ControlTextAnsi(edit), c.landed);
    EXPECT_TRUE(!note.empty() && note.find(c.count) != std::string::npos) << "note after " << c.landed << ": " << note;
    for (int vk : {int{VK_SHIFT}, int{'A'}, int{'B'}, int{'C'}})
      EXPECT_EQ(GetAsyncKeyState(vk) & 0x8000, 0) << vk << " left down";
    PumpFor(300ms);  // the press is seen released before the next one
  }
  SetSendInputCutsForTests({});
  DestroyWindow(input);
}

TEST(TypingCodePage, CharacterBoundariesFollowTheCodePage) {
  auto decoded = [](UINT cp, std::string_view s) {
    AnsiChar c = DecodeAnsiChar(cp, s);
    return std::make_pair(c.bytes, std::u16string(c.unit, c.unit + c.units));
  };
  using D = std::pair<size_t, std::u16string>;
  EXPECT_EQ(decoded(936, "\xD5\xC5x"), (D{2, u"\x5F20"}));
  EXPECT_EQ(decoded(936, "\x81\x40"), (D{2, u"\x4E02"}));
  EXPECT_EQ(decoded(936, "\x81" "0"), (D{1, u""}));  // no trail byte: the digit stays
  EXPECT_EQ(decoded(936, "\x81"), (D{1, u""}));
  EXPECT_EQ(decoded(936, "\x80"), (D{1, u"\x20AC"}));
  EXPECT_EQ(decoded(CP_ACP, "\xA3\xA1"), (D{2, u"\xFF01"}));  // the bench's code page is 936
  EXPECT_EQ(decoded(CP_UTF8, "\xF0\x9F\x98\x80"), (D{4, u"\xD83D\xDE00"}));
  EXPECT_EQ(decoded(CP_UTF8, "\xE5\xBC\xA0"), (D{3, u"\x5F20"}));
  EXPECT_EQ(decoded(CP_UTF8, "\xF0\x9F\x98"), (D{1, u""}));  // cut short
  EXPECT_EQ(decoded(CP_UTF8, "\xC0\x80"), (D{1, u""}));      // overlong
}

}  // namespace
