// What a second start does, for every level of the two copies: under Wine every process has
// the same level, so the administrator cases are covered here, through the decision.
#include "app/second_start.h"

#include <gtest/gtest.h>

using namespace quorrel;

TEST(SecondStart, AnAdministratorCopyTellsToCloseTheOtherFirstAndOthersOnlyBringItForward) {
  const struct {
    RunningCopy copy;
    bool mainWindow;
    SecondStart answer;
  } cases[] = {
      {{.windowFound = false}, false, SecondStart::kQuietEnd},  // the other copy is still starting
      {{.windowFound = true, .runningLevelRead = true, .reached = true}, false, SecondStart::kQuietEnd},
      {{.windowFound = true, .runningLevelRead = true, .reached = false}, false, SecondStart::kOutOfReach},
      // Started as administrator to type into such a program: the running copy cannot.
      {{.windowFound = true, .thisElevated = true, .runningLevelRead = true, .reached = true}, true,
       SecondStart::kRunningWithoutAdministrator},
      {{.windowFound = true, .thisElevated = true, .runningElevated = true, .runningLevelRead = true, .reached = true},
       false, SecondStart::kQuietEnd},
      // A level that could not be read is no answer: the copy is only brought forward.
      {{.windowFound = true, .thisElevated = true, .runningLevelRead = false, .reached = true}, false,
       SecondStart::kQuietEnd},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(NeedsMainWindow(cases[i].copy), cases[i].mainWindow) << i;
    EXPECT_EQ(AnswerSecondStart(cases[i].copy), cases[i].answer) << i;
  }
}
