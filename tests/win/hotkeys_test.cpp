// The hotkey registry and its window hook on a plain window of the test.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/win/test_util.h"

#include <chrono>
#include <vector>

#include "input/hotkeys_win.h"

using namespace quorrel;
using namespace std::chrono_literals;

namespace {

constexpr UINT kProbe = WM_APP + 7;

struct Seen {
  HWND window;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};

std::vector<Seen> g_original;  // messages that reached the window's own procedure
std::vector<Seen> g_first;     // calls of the first handler
std::vector<Seen> g_second;    // calls of the second handler

LRESULT CALLBACK OriginalProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == kProbe || m == WM_HOTKEY) {
    g_original.push_back({w, m, wp, lp});
    return m == kProbe ? 4321 : 0;
  }
  return DefWindowProcW(w, m, wp, lp);
}

LRESULT CALLBACK FirstHandler(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  g_first.push_back({w, m, wp, lp});
  return 11;
}

LRESULT CALLBACK SecondHandler(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  g_second.push_back({w, m, wp, lp});
  return 22;
}

void PumpFor(std::chrono::milliseconds duration) { PumpMessages(duration); }

template <class Cond>
bool PumpUntil(Cond cond, std::chrono::milliseconds timeout = 3s) {
  auto until = std::chrono::steady_clock::now() + timeout;
  while (!cond()) {
    if (std::chrono::steady_clock::now() > until) return false;
    PumpFor(10ms);
  }
  return true;
}

void PressKey(WORD vk) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

WNDPROC ProcA(HWND w) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(w, GWLP_WNDPROC)); }
WNDPROC ProcW(HWND w) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC)); }

// Keys that nothing else on the test display uses.
constexpr UINT kKeyA = VK_F10;
constexpr UINT kKeyB = VK_F11;

class HotkeyHook : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(HotkeyRecords().empty());
    HINSTANCE inst = GetModuleHandleW(nullptr);
    static bool registered = false;
    if (!registered) {
      // A Unicode window class, like the program's own windows.
      WNDCLASSW wc{};
      wc.lpfnWndProc = OriginalProc;
      wc.hInstance = inst;
      wc.lpszClassName = L"QuorrelHotkeyTestWindow";
      RegisterClassW(&wc);
      registered = true;
    }
    window_ = CreateWindowExW(0, L"QuorrelHotkeyTestWindow", L"hotkey test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                              nullptr, nullptr, inst, nullptr);
    other_ = CreateWindowExW(0, L"QuorrelHotkeyTestWindow", L"other", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                             nullptr, inst, nullptr);
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
    PumpFor(10ms);
  }

  HWND window_ = nullptr;
  HWND other_ = nullptr;
};

TEST_F(HotkeyHook, IdZeroIsRefusedAndTouchesNothing) {
  EXPECT_FALSE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, 0));
  EXPECT_TRUE(HotkeyRecords().empty());
  EXPECT_EQ(ProcW(window_), OriginalProc);
  // The key was not taken either.
  EXPECT_TRUE(RegisterHotKey(other_, 77, 0, kKeyA));
}

TEST_F(HotkeyHook, AKeyHeldByAnotherWindowIsRefusedAndNotRecorded) {
  ASSERT_TRUE(RegisterHotKey(other_, 77, 0, kKeyA));
  EXPECT_FALSE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, kAccountHotkeyId));
  EXPECT_TRUE(HotkeyRecords().empty());
  EXPECT_EQ(ProcW(window_), OriginalProc);
  // The other hotkey registers on its own and is the one that subclasses.
  EXPECT_TRUE(RegisterAppHotkey(window_, 0, kKeyB, FirstHandler, kPasswordHotkeyId));
  ASSERT_EQ(HotkeyRecords().size(), 1u);
  EXPECT_EQ(HotkeyRecords()[0].id, kPasswordHotkeyId);
  EXPECT_EQ(ProcA(window_), HotkeyWindowProc);
}

TEST_F(HotkeyHook, FirstRegistrationSubclassesAndUnregisterRestores) {
  ASSERT_TRUE(IsWindowUnicode(window_));
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, kAccountHotkeyId));
  EXPECT_EQ(ProcA(window_), HotkeyWindowProc);
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyB, SecondHandler, kPasswordHotkeyId));
  EXPECT_EQ(ProcA(window_), HotkeyWindowProc);
  ASSERT_EQ(HotkeyRecords().size(), 2u);
  EXPECT_EQ(HotkeyRecords()[0].window, window_);
  EXPECT_EQ(HotkeyRecords()[0].id, kAccountHotkeyId);
  EXPECT_EQ(HotkeyRecords()[0].handler, FirstHandler);
  EXPECT_EQ(HotkeyRecords()[1].id, kPasswordHotkeyId);
  EXPECT_EQ(HotkeyRecords()[1].handler, SecondHandler);

  UnregisterAllHotkeys(window_);
  EXPECT_TRUE(HotkeyRecords().empty());
  EXPECT_EQ(ProcW(window_), OriginalProc);
  EXPECT_TRUE(IsWindowUnicode(window_));
  // Both keys are free again.
  EXPECT_TRUE(RegisterHotKey(other_, 77, 0, kKeyA));
  EXPECT_TRUE(UnregisterHotKey(other_, 77));
  EXPECT_TRUE(RegisterHotKey(other_, 77, 0, kKeyB));
  // And a later first registration subclasses afresh.
  UnregisterHotKey(other_, 77);
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, kAccountHotkeyId));
  EXPECT_EQ(ProcA(window_), HotkeyWindowProc);
  UnregisterAllHotkeys(window_);
  EXPECT_EQ(ProcW(window_), OriginalProc);
}

TEST_F(HotkeyHook, UnregisteringWithNothingRecordedLeavesTheWindowAlone) {
  UnregisterAllHotkeys(window_);
  EXPECT_EQ(ProcW(window_), OriginalProc);
  EXPECT_EQ(SendMessageW(window_, kProbe, 1, 2), 4321);
}

TEST_F(HotkeyHook, ARealKeyPressReachesTheRecordedHandler) {
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, kAccountHotkeyId));
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyB, SecondHandler, kPasswordHotkeyId));
  PressKey(static_cast<WORD>(kKeyB));
  ASSERT_TRUE(PumpUntil([] { return !g_second.empty(); }));
  EXPECT_TRUE(g_first.empty());
  EXPECT_EQ(g_second[0].window, window_);
  EXPECT_EQ(g_second[0].message, static_cast<UINT>(WM_HOTKEY));
  EXPECT_EQ(g_second[0].wparam, static_cast<WPARAM>(kPasswordHotkeyId));
  EXPECT_EQ(HIWORD(g_second[0].lparam), kKeyB);  // the key, no modifiers
  EXPECT_EQ(LOWORD(g_second[0].lparam), 0);
  PressKey(static_cast<WORD>(kKeyA));
  ASSERT_TRUE(PumpUntil([] { return !g_first.empty(); }));
  EXPECT_EQ(g_first[0].wparam, static_cast<WPARAM>(kAccountHotkeyId));
  EXPECT_EQ(g_second.size(), 1u);
  // WM_HOTKEY is the handler's alone.
  for (const Seen& s : g_original) EXPECT_NE(s.message, static_cast<UINT>(WM_HOTKEY));
}

TEST_F(HotkeyHook, HotkeyMessagesGoToTheHandlerAndOthersToThePreviousProcedure) {
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, kAccountHotkeyId));
  EXPECT_EQ(SendMessageW(window_, WM_HOTKEY, kAccountHotkeyId, 5), 11);
  ASSERT_EQ(g_first.size(), 1u);
  EXPECT_EQ(g_first[0].lparam, 5);

  EXPECT_EQ(SendMessageW(window_, kProbe, 1234, 5678), 4321);
  ASSERT_EQ(g_original.size(), 1u);
  EXPECT_EQ(g_original[0].window, window_);
  EXPECT_EQ(g_original[0].wparam, 1234u);
  EXPECT_EQ(g_original[0].lparam, 5678);
  // A Chinese title goes through the hook and back unchanged.
  EXPECT_TRUE(SetWindowTextW(window_, L"\x8F85\x52A9"));
  wchar_t title[8] = {};
  GetWindowTextW(window_, title, 8);
  EXPECT_STREQ(title, L"\x8F85\x52A9");
}

TEST_F(HotkeyHook, AHotkeyIdNobodyRecordedDoesNothing) {
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, kAccountHotkeyId));
  PostMessageW(window_, WM_HOTKEY, 4242, MAKELPARAM(0, kKeyA));
  PostMessageW(window_, kProbe, 0, 0);  // arrives after it
  ASSERT_TRUE(PumpUntil([] { return !g_original.empty(); }));
  EXPECT_TRUE(g_first.empty());
  EXPECT_EQ(g_original.size(), 1u);
  EXPECT_EQ(g_original[0].message, kProbe);
}

TEST_F(HotkeyHook, ReRegisteringAnIdKeepsTheEarlierRecordAndItsHandler) {
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, kAccountHotkeyId));
  ASSERT_TRUE(RegisterAppHotkey(window_, 0, kKeyB, SecondHandler, kAccountHotkeyId));
  ASSERT_EQ(HotkeyRecords().size(), 2u);
  EXPECT_EQ(HotkeyRecords()[0].handler, FirstHandler);
  EXPECT_EQ(HotkeyRecords()[1].handler, SecondHandler);
  // The earlier key was released...
  EXPECT_TRUE(RegisterHotKey(other_, 77, 0, kKeyA));
  // ...and the new key's presses go to the first record with that id.
  PressKey(static_cast<WORD>(kKeyB));
  ASSERT_TRUE(PumpUntil([] { return !g_first.empty(); }));
  EXPECT_TRUE(g_second.empty());
  EXPECT_EQ(g_first[0].wparam, static_cast<WPARAM>(kAccountHotkeyId));

  UnregisterAllHotkeys(window_);
  EXPECT_EQ(ProcW(window_), OriginalProc);
  UnregisterHotKey(other_, 77);
  EXPECT_TRUE(RegisterHotKey(other_, 77, 0, kKeyB));
}

TEST_F(HotkeyHook, TheSameKeyForBothIdsLeavesOnlyTheFirst) {
  EXPECT_TRUE(RegisterAppHotkey(window_, 0, kKeyA, FirstHandler, kAccountHotkeyId));
  EXPECT_FALSE(RegisterAppHotkey(window_, 0, kKeyA, SecondHandler, kPasswordHotkeyId));
  ASSERT_EQ(HotkeyRecords().size(), 1u);
  EXPECT_EQ(HotkeyRecords()[0].id, kAccountHotkeyId);
  PressKey(static_cast<WORD>(kKeyA));
  ASSERT_TRUE(PumpUntil([] { return !g_first.empty(); }));
  EXPECT_EQ(g_first[0].wparam, static_cast<WPARAM>(kAccountHotkeyId));
  EXPECT_TRUE(g_second.empty());
}

}  // namespace
