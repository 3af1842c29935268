// The program's entry.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdlib>

#include "app/startup_win.h"
#include "app/state.h"
#include "base/milestones.h"
#include "ui/toolkit/window_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  quorrel::RecordMilestonesWhenAsked();
  quorrel::Milestone("entry");
  // Drag and drop needs a single-threaded apartment.
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);

  quorrel::InitProcessState();
  std::atexit([] { quorrel::ReleaseProcessState(); });
  quorrel::RunStartup();

  int code = 0;
  if (quorrel::ui::LiveWindowCount() > 0) code = quorrel::ui::RunMessageLoop();
  OleUninitialize();
  return code;
}
