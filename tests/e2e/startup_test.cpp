// Start modes, seen from outside: which first window a person gets.
#include "exchange/account_file.h"
#include "main_window_support.h"

namespace quorrel::e2e {
namespace {

constexpr char kPinTitle[] = "启动密码";

class StartModes : public E2eTest {};

TEST_F(StartModes, WithoutConfigTheMainWindowOpens) {
  Process p = Start();
  EXPECT_TRUE(WaitWindow(p.id(), kMainTitle));
  EXPECT_TRUE(WindowsOf(p.id(), kPinTitle).empty());
  EXPECT_TRUE(WindowsOf(p.id(), kInputTitle).empty());
}

TEST_F(StartModes, StartupTrueOpensTheKeypadAndClosingItEndsTheProgram) {
  run_.WriteConfig("Startup", "True");
  Process p = Start();
  HWND pad = WaitWindow(p.id(), kPinTitle);
  ASSERT_TRUE(pad);
  EXPECT_TRUE(WindowsOf(p.id(), kMainTitle).empty());
  PostMessageW(pad, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitExit(10s), std::optional<DWORD>(0));
}

TEST_F(StartModes, StartupInLowerCaseIsNotTrue) {
  run_.WriteConfig("Startup", "true");
  Process p = Start();
  EXPECT_TRUE(WaitWindow(p.id(), kMainTitle));
  EXPECT_TRUE(WindowsOf(p.id(), kPinTitle).empty());
}

TEST_F(StartModes, AnArgumentOpensTheInputWindowEvenWhenLocked) {
  run_.WriteConfig("Startup", "True");
  Process p = Start("\"" + run_.File("none.Pw") + "\"");
  EXPECT_TRUE(WaitWindow(p.id(), kInputTitle));
  Pump(300ms);
  EXPECT_TRUE(WindowsOf(p.id(), kPinTitle).empty());
  EXPECT_TRUE(WindowsOf(p.id(), kMainTitle).empty());
}

TEST_F(StartModes, ClosingTheOnlyWindowOfAFileStartEndsTheProgram) {
  Process p = Start("x.Pw");
  HWND input = WaitWindow(p.id(), kInputTitle);
  ASSERT_TRUE(input);
  PostMessageW(input, WM_CLOSE, 0, 0);
  EXPECT_EQ(p.WaitExit(10s), std::optional<DWORD>(0));
}

TEST_F(StartModes, AFileStartAsksTheEarlierInputWindowToClose) {
  Process first = Start("a.Pw");
  ASSERT_TRUE(WaitWindow(first.id(), kInputTitle));
  Process second = Start("b.Pw");
  EXPECT_TRUE(WaitWindow(second.id(), kInputTitle));
  // The earlier process had only that window: it ends.
  EXPECT_EQ(first.WaitExit(10s), std::optional<DWORD>(0));
  EXPECT_TRUE(second.Running());
}

TEST_F(StartModes, AFileStartClosesNoWindowOfAnotherProgram) {
  // A browser tab whose title holds the input window's, and a window of another program
  // titled exactly so: neither is the program's own.
  struct Titled {
    explicit Titled(const char* utf8) {
      hwnd = CreateWindowExW(0, L"STATIC", Wide(utf8).c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    }
    ~Titled() { DestroyWindow(hwnd); }
    HWND hwnd;
  } tab("辅助输入 - 搜索结果 - 浏览器"), other("辅助输入");
  ASSERT_TRUE(tab.hwnd && other.hwnd);
  Process p = Start("x.Pw");
  ASSERT_TRUE(WaitWindow(p.id(), kInputTitle));
  Pump(500ms);  // a close request would be handled by now
  EXPECT_TRUE(IsWindow(tab.hwnd));
  EXPECT_TRUE(IsWindow(other.hwnd));
}

TEST_F(StartModes, AFileStartWaitsForTheEarlierInputWindowToGiveUpItsKeys) {
  run_.Write("a.Pw", BuildAccountFileContent("first", "one1"));
  run_.Write("b.Pw", BuildAccountFileContent("second", "two2"));
  Process first = Start("a.Pw");
  ASSERT_TRUE(WaitWindow(first.id(), kInputTitle));
  first.Suspend();  // too busy, for a second, to handle the close request
  Process second = Start("b.Pw");
  Pump(1s);
  first.Resume();
  HWND input = WaitWindow(second.id(), kInputTitle);
  ASSERT_TRUE(input);
  EXPECT_EQ(first.WaitExit(10s), std::optional<DWORD>(0));
  EXPECT_TRUE(ChildByText(input, "账号：F8键；密码：F9键")) << "a hotkey was still held by the earlier window";
  TargetWindow target;
  EXPECT_EQ(Typed(target, VK_F9, 4), "two2");
}

TEST_F(StartModes, BadConfigFilesNeverStopTheStart) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 2654435761u) >> 13);
  for (const std::string& content : {std::string(), junk,
                                     "[Config]\r\nUserKey=" + std::string(20000, '7') + "\r\n"}) {
    run_.Write("Config.ini", content);
    Process p = Start();
    EXPECT_TRUE(WaitWindow(p.id(), kMainTitle)) << content.size();
  }
  DeleteFileA(run_.File("Config.ini").c_str());
  ASSERT_TRUE(CreateDirectoryA(run_.File("Config.ini").c_str(), nullptr));
  Process p = Start();
  EXPECT_TRUE(WaitWindow(p.id(), kMainTitle));
  p.Terminate();
  RemoveDirectoryA(run_.File("Config.ini").c_str());
}

}  // namespace
}  // namespace quorrel::e2e
