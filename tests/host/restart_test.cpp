#include "app/restart.h"

#include <gtest/gtest.h>

using namespace quorrel;

namespace {
Text Batch(const Text& n) {
  return "@echo off \r\n@ping 127.0.0.1 -n " + n +
         " >nul\r\nstart \"\" \"%QUORREL_RESTART_PROGRAM%\"\r\ndel \"%QUORREL_RESTART_BATCH%\"";
}
}  // namespace

TEST(BuildRestartBatch, DelayDefaultsToTwoEchoRequestsAndNoLineEndFollowsTheLast) {
  for (const auto& [delay, n] : {std::pair{2, "2"}, {0, "2"}, {-1, "2"}, {5, "5"}, {1, "1"}, {10, "10"}})
    EXPECT_EQ(BuildRestartBatch(delay), Batch(n)) << delay;
}

// cmd reads the batch in the console's code page and the program writes it in the ANSI code
// page: the batch holds only ASCII, so it reads the same in both; the paths reach cmd only
// through its environment, unchanged, from a UNC folder too, with names holding %, ! and &.
TEST(RestartBatchCommand, PathsGoOnlyInTheEnvironmentAndCmdStartsInTheSystemFolder) {
  for (const int delay : {0, 7})
    for (const char c : BuildRestartBatch(delay)) EXPECT_LT(static_cast<unsigned char>(c), 0x80) << delay;
  for (const char* folder : {"C:\\run dir", "C:\\\xB2\xE2\xCA\xD4", "\\\\server\\share\\Q",
                             "\\\\nas\\50%OFF %PATH% !x! a&b \xC4\xBF\xC2\xBC", "C:\\<文件名>\\秒数"}) {
    const Text batch = Text(folder) + "\\Restart.bat", program = Text(folder) + "\\QUORRE~1.EXE";
    const BatchCommand command = RestartBatchCommand(batch, program, "C:\\Windows\\system32");
    EXPECT_EQ(command.program, "C:\\Windows\\system32\\cmd.exe");
    EXPECT_EQ(command.commandLine, "\"C:\\Windows\\system32\\cmd.exe\" /d /v:off /s /c \"\"%QUORREL_RESTART_BATCH%\"\"");
    EXPECT_EQ(command.folder, "C:\\Windows\\system32") << folder;
    ASSERT_EQ(command.environment.size(), 2u);
    EXPECT_EQ(command.environment[0].first + "=" + command.environment[0].second, "QUORREL_RESTART_BATCH=" + batch);
    EXPECT_EQ(command.environment[1].first + "=" + command.environment[1].second, "QUORREL_RESTART_PROGRAM=" + program);
  }
}
