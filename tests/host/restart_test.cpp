#include "app/restart.h"

#include <gtest/gtest.h>

using namespace quorrel;

namespace {
Text Batch(const Text& path, const Text& n) {
  return "@echo off \r\n@ping 127.0.0.1 -n " + n + " >nul\r\nstart \"\" \"" + path +
         "\"\r\ndel \"%~f0\"";
}
}  // namespace

TEST(BuildRestartBatch, DelayDefaultsToTwoEchoRequests) {
  EXPECT_EQ(BuildRestartBatch("C:\\QUORRE~1\\Quorrel.exe", 2),
            Batch("C:\\QUORRE~1\\Quorrel.exe", "2"));
  EXPECT_EQ(BuildRestartBatch("C:\\Q.exe", 0), Batch("C:\\Q.exe", "2"));
  EXPECT_EQ(BuildRestartBatch("C:\\Q.exe", -1), Batch("C:\\Q.exe", "2"));
  EXPECT_EQ(BuildRestartBatch("C:\\Q.exe", 5), Batch("C:\\Q.exe", "5"));
  EXPECT_EQ(BuildRestartBatch("C:\\Q.exe", 1), Batch("C:\\Q.exe", "1"));
}

TEST(BuildRestartBatch, NoLineEndAfterTheLastLine) {
  Text b = BuildRestartBatch("C:\\Q.exe", 2);
  EXPECT_EQ(b.substr(b.size() - 10), "del \"%~f0\"");  // itself, by its own full path
  EXPECT_EQ(b.find('\n'), b.find("\r\n") + 1);
}

TEST(BuildRestartBatch, PathIsKeptAsGiven) {
  EXPECT_EQ(BuildRestartBatch("C:\\Program Files\\Quorrel.exe", 2),
            Batch("C:\\Program Files\\Quorrel.exe", "2"));
  // GBK path "C:\测试\Q.exe": the result holds the path's bytes and otherwise ASCII only.
  const Text gbk = "C:\\\xB2\xE2\xCA\xD4\\Q.exe";
  Text b = BuildRestartBatch(gbk, 2);
  EXPECT_EQ(b, Batch(gbk, "2"));
  Text rest = b;
  rest.erase(rest.find(gbk), gbk.size());
  for (char c : rest) EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

TEST(BuildRestartBatch, PlaceholderTextsInsideThePathStayUntouched) {
  // The delay hole comes before the path, so the path's own "秒数" is not the first one.
  EXPECT_EQ(BuildRestartBatch("C:\\秒数\\Q.exe", 3), Batch("C:\\秒数\\Q.exe", "3"));
  EXPECT_EQ(BuildRestartBatch("C:\\<文件名>\\Q.exe", 3), Batch("C:\\<文件名>\\Q.exe", "3"));
}

TEST(BuildRestartBatch, PercentSignsAreDoubledForCmd) {
  EXPECT_EQ(BuildRestartBatch("C:\\50%OFF\\%PATH%.exe", 2),
            Batch("C:\\50%%OFF\\%%PATH%%.exe", "2"));
}
