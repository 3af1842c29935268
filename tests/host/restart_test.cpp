#include "app/restart.h"

#include <gtest/gtest.h>

using namespace quorrel;

namespace {
constexpr char kBat[] = "C:\\run dir\\Restart.bat";
Text Batch(const Text& path, const Text& n, const Text& bat = kBat) {
  return "@echo off \r\n@ping 127.0.0.1 -n " + n + " >nul\r\nstart \"\" \"" + path +
         "\"\r\ndel \"" + bat + "\"";
}
}  // namespace

TEST(BuildRestartBatch, DelayDefaultsToTwoEchoRequests) {
  EXPECT_EQ(BuildRestartBatch("C:\\QUORRE~1\\Quorrel.exe", 2, kBat),
            Batch("C:\\QUORRE~1\\Quorrel.exe", "2"));
  EXPECT_EQ(BuildRestartBatch("C:\\Q.exe", 0, kBat), Batch("C:\\Q.exe", "2"));
  EXPECT_EQ(BuildRestartBatch("C:\\Q.exe", -1, kBat), Batch("C:\\Q.exe", "2"));
  EXPECT_EQ(BuildRestartBatch("C:\\Q.exe", 5, kBat), Batch("C:\\Q.exe", "5"));
  EXPECT_EQ(BuildRestartBatch("C:\\Q.exe", 1, kBat), Batch("C:\\Q.exe", "1"));
}

TEST(BuildRestartBatch, NoLineEndAfterTheLastLine) {
  Text b = BuildRestartBatch("C:\\Q.exe", 2, kBat);
  EXPECT_TRUE(b.ends_with("\r\ndel \"C:\\run dir\\Restart.bat\"")) << b;  // itself, by its own full path
  EXPECT_EQ(b.find('\n'), b.find("\r\n") + 1);
}

TEST(BuildRestartBatch, PathIsKeptAsGiven) {
  EXPECT_EQ(BuildRestartBatch("C:\\Program Files\\Quorrel.exe", 2, kBat),
            Batch("C:\\Program Files\\Quorrel.exe", "2"));
  // GBK path "C:\测试\Q.exe": the result holds the path's bytes and otherwise ASCII only.
  const Text gbk = "C:\\\xB2\xE2\xCA\xD4\\Q.exe";
  Text b = BuildRestartBatch(gbk, 2, kBat);
  EXPECT_EQ(b, Batch(gbk, "2"));
  Text rest = b;
  rest.erase(rest.find(gbk), gbk.size());
  for (char c : rest) EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

TEST(BuildRestartBatch, PlaceholderTextsInsideThePathStayUntouched) {
  // The delay hole comes before the path, so the path's own "秒数" is not the first one.
  EXPECT_EQ(BuildRestartBatch("C:\\秒数\\Q.exe", 3, kBat), Batch("C:\\秒数\\Q.exe", "3"));
  EXPECT_EQ(BuildRestartBatch("C:\\<文件名>\\Q.exe", 3, kBat), Batch("C:\\<文件名>\\Q.exe", "3"));
  EXPECT_EQ(BuildRestartBatch("C:\\<批处理>\\Q.exe", 3, "C:\\<批处理>\\Restart.bat"),
            Batch("C:\\<批处理>\\Q.exe", "3", "C:\\<批处理>\\Restart.bat"));
}

TEST(BuildRestartBatch, PercentSignsAreDoubledForCmd) {
  EXPECT_EQ(BuildRestartBatch("C:\\50%OFF\\%PATH%.exe", 2, kBat),
            Batch("C:\\50%%OFF\\%%PATH%%.exe", "2"));
  EXPECT_EQ(BuildRestartBatch("C:\\%A%\\Q.exe", 2, "C:\\%A%\\Restart.bat"),
            Batch("C:\\%%A%%\\Q.exe", "2", "C:\\%%A%%\\Restart.bat"));
}

// cmd starts in the system folder and gets the batch's path only through its variable, from
// a UNC folder too, with names holding %, ! and &.
TEST(RestartBatchCommand, NamesNoPathButCmdsOwnAndNeverStartsInTheBatchFolder) {
  for (const char* batch : {kBat, "\\\\server\\share\\Q\\Restart.bat",
                            "\\\\nas\\50%OFF %PATH% !x! a&b \xC4\xBF\xC2\xBC\\Restart.bat"}) {
    const BatchCommand command = RestartBatchCommand(batch, "C:\\Windows\\system32");
    EXPECT_EQ(command.program, "C:\\Windows\\system32\\cmd.exe");
    EXPECT_EQ(command.commandLine, "\"C:\\Windows\\system32\\cmd.exe\" /d /v:off /s /c \"\"%QUORREL_RESTART_BATCH%\"\"");
    EXPECT_EQ(command.folder, "C:\\Windows\\system32") << batch;
    EXPECT_EQ(command.variable + "=" + command.value, "QUORREL_RESTART_BATCH=" + Text(batch));
  }
}
