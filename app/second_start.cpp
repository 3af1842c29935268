#include "app/second_start.h"

namespace quorrel {

bool NeedsMainWindow(const RunningCopy& copy) {
  return copy.thisElevated && copy.runningLevelRead && !copy.runningElevated;
}

SecondStart AnswerSecondStart(const RunningCopy& copy) {
  if (!copy.windowFound) return SecondStart::kQuietEnd;
  if (NeedsMainWindow(copy)) return SecondStart::kRunningWithoutAdministrator;
  return copy.reached ? SecondStart::kQuietEnd : SecondStart::kOutOfReach;
}

}  // namespace quorrel
