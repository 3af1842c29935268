// What a second start does for every level of the two copies: under Wine every process has
// the same level, so the administrator cases are covered here, through the decision.
#include "app/second_start.h"

#include <gtest/gtest.h>

using namespace quorrel;

TEST(SecondStart, AnAdministratorCopyTellsToCloseTheOtherFirstAndOthersOnlyBringItForward) {
  using enum SecondStart;
  const struct {
    bool found, thisElevated, runningElevated, levelRead, reached;
    SecondStart answer;
  } cases[] = {
      {false, false, false, false, false, kQuietEnd},  // the other copy is still starting
      {true, false, false, true, true, kQuietEnd},
      {true, false, false, true, false, kOutOfReach},
      {true, true, false, true, true, kRunningWithoutAdministrator},  // it cannot type where this one can
      {true, true, true, true, true, kQuietEnd},
      {true, true, false, false, true, kQuietEnd},  // a level that was not read is no answer
  };
  for (const auto& c : cases) {
    const RunningCopy copy{c.found, c.thisElevated, c.runningElevated, c.levelRead, c.reached};
    EXPECT_EQ(AnswerSecondStart(copy), c.answer) << &c - cases;
    EXPECT_EQ(NeedsMainWindow(copy), c.answer == kRunningWithoutAdministrator) << &c - cases;
  }
}
