// Start modes, seen from outside: which first window a person gets.
#include "driver/e2e_test.h"

namespace quorrel::e2e {
namespace {

constexpr char kMainTitle[] = "Quorrel Ver 2.62";
constexpr char kInputTitle[] = "辅助输入";
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
