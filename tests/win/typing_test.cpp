// Typing through the real system input stream into an edit box of this process's own
// foreground window: what lands is what a target program would get.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/win/test_util.h"

#include <chrono>
#include <string>

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

  // Types the text, then a marker character; once the marker has landed every event of
  // the text has been handled, so what stands before it is exactly what the text typed.
  static std::string TypeAndRead(const std::string& text) {
    SetWindowTextW(edit_, L"");
    SendInputInjector injector;
    EXPECT_TRUE(TypeText(text, injector));
    EXPECT_TRUE(TypeText("#", injector));
    std::string got;
    auto until = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < until) {
      PumpFor(10ms);
      got = EditText();
      if (!got.empty() && got.back() == '#') {
        got.pop_back();
        return got;
      }
    }
    ADD_FAILURE() << "the marker never arrived; got \"" << got << "\"";
    return got;
  }

  static HWND window_;
  static HWND edit_;
};

HWND SystemTyping::window_ = nullptr;
HWND SystemTyping::edit_ = nullptr;

TEST_F(SystemTyping, LandsExactlyAsTypedWithShiftReleased) {
  EXPECT_EQ(TypeAndRead("Abc1!"), "Abc1!");
  EXPECT_EQ(TypeAndRead("a\\b|c"), "a\\b|c");  // one key, with and without Shift
  EXPECT_EQ(TypeAndRead("two words\tx\r\n"), "twowordsx");
  EXPECT_EQ(TypeAndRead(""), "");
  std::string all;
  for (int c = 0x21; c <= 0x7E; ++c) all += static_cast<char>(c);
  EXPECT_EQ(TypeAndRead(all), all);
  // Reversed too: a Shift left down by one character would turn the next one.
  EXPECT_EQ(TypeAndRead(std::string(all.rbegin(), all.rend())), std::string(all.rbegin(), all.rend()));
  EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);
  EXPECT_EQ(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0);
}

TEST_F(SystemTyping, DoubleByteCharactersTypeOnlyTheirAsciiTrailBytes) {
  EXPECT_EQ(TypeAndRead("\xD6\xD0\xCE\xC4"), "");  // 中文: no byte has a key
  EXPECT_EQ(TypeAndRead("p\xD6\xD0" "a\x81\x61\x95\x5C" "Z\x81\x40"), "paa\\Z@");
}

}  // namespace
