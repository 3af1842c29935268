// The hotkey registry and the routing of its messages, on a plain window of the test whose
// procedure hands every message to HotkeyMessage first, as the program's windows do.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/win/test_util.h"

#include <chrono>
#include <vector>

#include "base/report.h"
#include "input/hotkeys_win.h"

using namespace quorrel;
using namespace std::chrono_literals;

namespace {

constexpr UINT kProbe = WM_APP + 7;
// Keys that nothing else on the test display uses.
constexpr UINT kKeyA = VK_F10;
constexpr UINT kKeyB = VK_F11;

std::vector<MSG> g_original, g_first, g_second;  // what reached the window, each handler

LRESULT CALLBACK OriginalProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (LRESULT result = 0; HotkeyMessage(w, m, wp, lp, &result)) return result;
  if (m != kProbe && m != WM_HOTKEY) return DefWindowProcW(w, m, wp, lp);
  g_original.push_back({w, m, wp, lp, 0, {}});
  return m == kProbe ? 4321 : 0;
}
LRESULT CALLBACK FirstHandler(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  g_first.push_back({w, m, wp, lp, 0, {}});
  return 11;
}
LRESULT CALLBACK SecondHandler(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  g_second.push_back({w, m, wp, lp, 0, {}});
  return 22;
}

bool PumpUntilSeen(const std::vector<MSG>& seen) {
  for (auto until = std::chrono::steady_clock::now() + 3s; seen.empty();) {
    if (std::chrono::steady_clock::now() > until) return false;
    PumpMessages(10ms);
  }
  return true;
}

void SendKey(UINT vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = static_cast<WORD>(vk);
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof(INPUT));
}

void PressKey(UINT vk) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = static_cast<WORD>(vk);
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

WNDPROC ProcW(HWND w) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC)); }

class HotkeyHook : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(HotkeyRecords().empty());
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};  // a Unicode class, like the program's own windows
    wc.lpfnWndProc = OriginalProc;
    wc.hInstance = inst;
    wc.lpszClassName = L"QuorrelHotkeyTestWindow";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, L"hotkey test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                              nullptr, inst, nullptr);
    other_ = CreateWindowExW(0, wc.lpszClassName, L"other", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             inst, nullptr);
    ASSERT_TRUE(window_ && other_);
    g_original.clear();
    g_first.clear();
    g_second.clear();
  }
  void TearDown() override {
    UnregisterAllHotkeys(window_);
    UnregisterHotKey(other_, 77);
    DestroyWindow(window_);
    DestroyWindow(other_);
    PumpMessages(10ms);
  }
  // Whether another window can take the key: it is free.
  bool KeyFree(UINT vk) {
    const bool free = RegisterHotKey(other_, 77, 0, vk);
    UnregisterHotKey(other_, 77);
    return free;
  }

  HWND window_ = nullptr;
  HWND other_ = nullptr;
};

TEST_F(HotkeyHook, RefusedRegistrationsRecordNothing) {
  std::vector<std::string> reports;
  SetReportSink([&](std::string_view line) { reports.emplace_back(line); });
  struct NoSink {
    ~NoSink() { SetReportSink({}); }
  } noSink;
  UnregisterAllHotkeys(window_);  // nothing recorded: the window is left alone
  EXPECT_EQ(ProcW(window_), OriginalProc);
  EXPECT_FALSE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, 0));
  EXPECT_TRUE(HotkeyRecords().empty());
  EXPECT_EQ(ProcW(window_), OriginalProc);
  EXPECT_TRUE(KeyFree(kKeyA));

  ASSERT_TRUE(RegisterHotKey(other_, 77, 0, kKeyA));  // taken by another window
  reports.clear();
  EXPECT_FALSE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, kAccountHotkeyId));
  ASSERT_EQ(reports.size(), 1u);  // refused quietly, but on the diagnostic channel
  EXPECT_NE(reports[0].find("hotkeys_win.cpp"), std::string::npos) << reports[0];
  EXPECT_NE(reports[0].find("(error 1409)"), std::string::npos) << reports[0];  // already registered
  EXPECT_TRUE(HotkeyRecords().empty());
  EXPECT_EQ(ProcW(window_), OriginalProc);
  EXPECT_TRUE(RegisterAppHotkey(window_, 0, kKeyB, FirstHandler, kPasswordHotkeyId));
  ASSERT_EQ(HotkeyRecords().size(), 1u);
  EXPECT_EQ(HotkeyRecords()[0].id, kPasswordHotkeyId);
  EXPECT_EQ(ProcW(window_), OriginalProc) << "the window's procedure was replaced";
}

TEST_F(HotkeyHook, MessagesReachTheirHandlersAndUnregisterReleasesTheKeys) {
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, kAccountHotkeyId));
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyB, SecondHandler, kPasswordHotkeyId));
  ASSERT_EQ(HotkeyRecords().size(), 2u);
  EXPECT_EQ(HotkeyRecords()[0].window, window_);
  EXPECT_EQ(HotkeyRecords()[0].handler, FirstHandler);
  EXPECT_EQ(HotkeyRecords()[1].id, kPasswordHotkeyId);
  EXPECT_EQ(HotkeyRecords()[1].handler, SecondHandler);

  // WM_HOTKEY to the handler of its id, other messages to the previous procedure.
  EXPECT_EQ(SendMessageW(window_, WM_HOTKEY, kAccountHotkeyId, 5), 11);
  ASSERT_EQ(g_first.size(), 1u);
  EXPECT_EQ(g_first[0].lParam, 5);
  EXPECT_EQ(SendMessageW(window_, kProbe, 1234, 5678), 4321);
  ASSERT_EQ(g_original.size(), 1u);
  EXPECT_EQ(g_original[0].wParam, 1234u);
  EXPECT_EQ(g_original[0].lParam, 5678);
  EXPECT_TRUE(SetWindowTextW(window_, L"\x8F85\x52A9"));  // a Chinese title passes unchanged
  wchar_t title[8] = {};
  GetWindowTextW(window_, title, 8);
  EXPECT_STREQ(title, L"\x8F85\x52A9");
  // An id nobody recorded does nothing.
  g_first.clear();
  g_original.clear();
  PostMessageW(window_, WM_HOTKEY, 4242, MAKELPARAM(0, kKeyA));
  PostMessageW(window_, kProbe, 0, 0);  // arrives after it
  ASSERT_TRUE(PumpUntilSeen(g_original));
  EXPECT_TRUE(g_first.empty());
  ASSERT_EQ(g_original.size(), 1u);
  EXPECT_EQ(g_original[0].message, kProbe);

  UnregisterAllHotkeys(window_);
  EXPECT_TRUE(HotkeyRecords().empty());
  EXPECT_EQ(ProcW(window_), OriginalProc);
  EXPECT_TRUE(IsWindowUnicode(window_));
  EXPECT_TRUE(KeyFree(kKeyA));
  EXPECT_TRUE(KeyFree(kKeyB));
  // Without a record, a WM_HOTKEY is no hotkey's: nothing is called.
  g_first.clear();
  g_original.clear();
  EXPECT_EQ(SendMessageW(window_, WM_HOTKEY, kAccountHotkeyId, 5), 0);
  EXPECT_TRUE(g_first.empty());
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, kAccountHotkeyId));
  EXPECT_EQ(SendMessageW(window_, WM_HOTKEY, kAccountHotkeyId, 5), 11);
}

TEST_F(HotkeyHook, ARealKeyPressReachesTheRecordedHandler) {
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, kAccountHotkeyId));
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyB, SecondHandler, kPasswordHotkeyId));
  PressKey(kKeyB);
  ASSERT_TRUE(PumpUntilSeen(g_second));
  EXPECT_TRUE(g_first.empty());
  EXPECT_EQ(g_second[0].hwnd, window_);
  EXPECT_EQ(g_second[0].message, static_cast<UINT>(WM_HOTKEY));
  EXPECT_EQ(g_second[0].wParam, static_cast<WPARAM>(kPasswordHotkeyId));
  EXPECT_EQ(g_second[0].lParam, MAKELPARAM(0, kKeyB));  // the key, no modifiers
  PressKey(kKeyA);
  ASSERT_TRUE(PumpUntilSeen(g_first));
  EXPECT_EQ(g_first[0].wParam, static_cast<WPARAM>(kAccountHotkeyId));
  EXPECT_EQ(g_second.size(), 1u);
  for (const MSG& s : g_original) EXPECT_NE(s.message, static_cast<UINT>(WM_HOTKEY));
}

TEST_F(HotkeyHook, AHeldKeyCountsOnceUntilItIsReleased) {
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, kAccountHotkeyId));
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyB, SecondHandler, kPasswordHotkeyId));
  // Held: key-down after key-down, as the keyboard's repeat sends them.
  for (int i = 0; i < 12; ++i) {
    SendKey(kKeyA, false);
    PumpMessages(30ms);
  }
  PressKey(kKeyB);  // the other key counts meanwhile
  ASSERT_TRUE(PumpUntilSeen(g_second));
  SendKey(kKeyA, true);
  PumpMessages(100ms);
  EXPECT_EQ(g_first.size(), 1u);
  // Released, the key counts again; each quick press once.
  for (size_t presses = 2; presses <= 4; ++presses) {
    PressKey(kKeyA);
    auto until = std::chrono::steady_clock::now() + 3s;
    while (g_first.size() < presses && std::chrono::steady_clock::now() < until) PumpMessages(10ms);
    PumpMessages(200ms);  // the release is seen on the next poll of the key
    EXPECT_EQ(g_first.size(), presses);
  }
  EXPECT_EQ(g_second.size(), 1u);
}

TEST_F(HotkeyHook, SameIdTwiceKeepsTheFirstHandlerAndEqualKeysFailTheSecond) {
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, kAccountHotkeyId));
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyB, SecondHandler, kAccountHotkeyId));
  ASSERT_EQ(HotkeyRecords().size(), 2u);
  EXPECT_TRUE(KeyFree(kKeyA));  // the earlier key was released...
  PressKey(kKeyB);              // ...and the new key goes to the first record with that id
  ASSERT_TRUE(PumpUntilSeen(g_first));
  EXPECT_TRUE(g_second.empty());
  UnregisterAllHotkeys(window_);
  EXPECT_EQ(ProcW(window_), OriginalProc);
  EXPECT_TRUE(KeyFree(kKeyB));

  g_first.clear();
  EXPECT_TRUE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, kAccountHotkeyId));
  EXPECT_FALSE(RegisterAppHotkey(window_, 0, kKeyA, SecondHandler, kPasswordHotkeyId));
  ASSERT_EQ(HotkeyRecords().size(), 1u);
  PressKey(kKeyA);
  ASSERT_TRUE(PumpUntilSeen(g_first));
  EXPECT_EQ(g_first[0].wParam, static_cast<WPARAM>(kAccountHotkeyId));
  EXPECT_TRUE(g_second.empty());
}

}  // namespace
