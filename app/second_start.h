// A second start of the program while a copy runs: what it does instead of a second copy.
#pragma once

namespace quorrel {

// What the second start found out about the running copy.
struct RunningCopy {
  bool windowFound = false;  // its main window
  // Read from both processes' tokens; a level that could not be read is no answer.
  bool thisElevated = false;
  bool runningElevated = false;
  bool runningLevelRead = false;
  bool reached = false;      // it took the request to come to the front
};

enum class SecondStart {
  kQuietEnd,                   // nothing to bring forward (a copy still starting), or done
  kRunningWithoutAdministrator,  // started as administrator to type into such programs: the
                                 // running copy cannot, it must be closed first
  kOutOfReach,                 // it did not take the request (run at a higher level)
};

// Whether the main window is to come forward itself (not the input window): the user has
// to reach its exit button.
bool NeedsMainWindow(const RunningCopy& copy);
SecondStart AnswerSecondStart(const RunningCopy& copy);

}  // namespace quorrel
