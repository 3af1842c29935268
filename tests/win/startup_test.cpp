#include <windows.h>

#include <gtest/gtest.h>

#include "app/startup_win.h"
#include "app/state.h"
#include "base/encoding_win.h"
#include "store/config_file.h"
#include "tests/win/temp_dir.h"

using namespace quorrel;

namespace {

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitProcessState();
    State().ConfigPath = dir_.path() + "\\Config.ini";
  }
  void TearDown() override { ReleaseProcessState(); }
  static void WriteConfig(const ConfigKey& key, std::string_view value) {
    (void)ConfigFile(State().ConfigPath).Write(key, value);
  }
  TempDir dir_;
};

// A plain top-level window of the test with the given UTF-8 title.
struct TitledWindow {
  explicit TitledWindow(const char* utf8Title) {
    hwnd = CreateWindowExW(0, L"STATIC", Utf8ToWide(utf8Title).c_str(), WS_POPUP, 0, 0, 10, 10, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~TitledWindow() { DestroyWindow(hwnd); }
  HWND hwnd;
};

}  // namespace

TEST(CodePage, IsGbkAsOnTheTargetSystems) { EXPECT_EQ(GetACP(), 936u); }

TEST_F(StartupTest, HotkeyCodesDefaultToF8AndF9) {
  LoadHotkeyCodes();
  EXPECT_EQ(State().AccountHotkeyCode, 119);
  EXPECT_EQ(State().PasswordHotkeyCode, 120);
}

TEST_F(StartupTest, HotkeyCodesFollowTheDecimalRule) {
  WriteConfig(kUserKey, "F8");
  WriteConfig(kPassKey, " +42abc");
  LoadHotkeyCodes();
  EXPECT_EQ(State().AccountHotkeyCode, 0);
  EXPECT_EQ(State().PasswordHotkeyCode, 42);
  WriteConfig(kUserKey, "-7");
  WriteConfig(kPassKey, "");
  LoadHotkeyCodes();
  EXPECT_EQ(State().AccountHotkeyCode, -7);
  EXPECT_EQ(State().PasswordHotkeyCode, 0);
}

TEST(FindWindowByText, FindsTheFirstTitleHoldingTheText) {
  TitledWindow w("旧的 辅助输入 窗口");
  EXPECT_EQ(FindWindowByText(Utf8ToAnsi("辅助输入")), w.hwnd);
  EXPECT_EQ(FindWindowByText(Utf8ToAnsi("无此窗口标题 7f3a")), nullptr);
  // Case-sensitive.
  TitledWindow latin("Quorrel probe Xq");
  EXPECT_EQ(FindWindowByText("probe Xq"), latin.hwnd);
  EXPECT_EQ(FindWindowByText("probe xq"), nullptr);
}

TEST(FindWindowByText, ADecimalHandleNamesThatWindow) {
  TitledWindow w("by handle");
  std::string text = std::to_string(reinterpret_cast<intptr_t>(w.hwnd));
  EXPECT_EQ(FindWindowByText(text), w.hwnd);
}

TEST(ListTopLevelWindows, ReportsTitleClassAndOwners) {
  TitledWindow w("列表 probe");
  bool seen = false;
  for (const TopLevelWindowInfo& info : ListTopLevelWindows()) {
    if (info.handle != w.hwnd) continue;
    seen = true;
    EXPECT_EQ(info.title, Utf8ToAnsi("列表 probe"));
    EXPECT_EQ(info.className, "Static");
    EXPECT_EQ(info.processId, GetCurrentProcessId());
    EXPECT_EQ(info.threadId, GetCurrentThreadId());
  }
  EXPECT_TRUE(seen);
}

TEST(PostCloseRequest, PostsWmCloseWithoutWaiting) {
  TitledWindow w("close me");
  PostCloseRequest(w.hwnd);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, w.hwnd, WM_CLOSE, WM_CLOSE, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 0u);
  EXPECT_EQ(msg.lParam, 0);
}
