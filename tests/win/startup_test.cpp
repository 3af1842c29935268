#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/startup_win.h"
#include "app/state.h"
#include "base/encoding_win.h"
#include "input/input_window_win.h"
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

TEST(ModulePath, IsTheProgramsFolderAndFileNameAsTheSystemNamesThem) {
  wchar_t self[MAX_PATH] = {};
  const std::wstring wide(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
  const size_t sep = wide.find_last_of(L'\\');
  EXPECT_EQ(AnsiToWide(ModuleDirectory()), wide.substr(0, sep));
  EXPECT_EQ(AnsiToWide(ModuleFileName()), wide.substr(sep + 1));
}

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

TEST(EarlierInputWindows, AreThisProgramsWindowsTitledExactlySo) {
  // Titles holding the text, the exact title on another class: none is an input window.
  TitledWindow tab("旧的 辅助输入 窗口"), other("辅助输入");
  ASSERT_TRUE(tab.hwnd && other.hwnd);
  EXPECT_TRUE(EarlierInputWindows().empty());
  HWND input = OpenInputWindow(nullptr, {});
  ASSERT_TRUE(input);
  EXPECT_EQ(EarlierInputWindows(), std::vector<HWND>{input});
  // Closing waits until it is gone; the others stay.
  CloseEarlierInputWindows(3000);
  EXPECT_FALSE(IsWindow(input));
  EXPECT_TRUE(IsWindow(tab.hwnd) && IsWindow(other.hwnd));
  MSG quit;
  while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
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

TEST(VersionBlock, NamesTheProductItsDescriptionAndVersion) {
  const wchar_t* exe = L"Quorrel.exe";  // beside the tests in the build folder
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(exe, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(exe, 0, size, block.data()));
  auto value = [&](const wchar_t* name) {
    std::wstring path = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
    wchar_t* text = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &len) || !text) return std::string();
    return WideToUtf8(std::wstring(text, len ? len - 1 : 0));
  };
  EXPECT_EQ(value(L"ProductName"), "Quorrel");
  EXPECT_EQ(value(L"FileDescription"), "非粘贴型密码辅助输入工具");
  EXPECT_EQ(value(L"FileVersion"), "1.6.2.0");
  EXPECT_EQ(value(L"ProductVersion"), "1.6.2.0");
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(6, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 2));
}
