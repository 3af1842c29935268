// The program's entry.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdlib>

#include "app/startup_win.h"
#include "app/state.h"
#include "base/milestones.h"
#include "ui/toolkit/window_win.h"

namespace {

// A DLL loaded by name (libgcrypt's entropy gatherer asks for netapi32.dll) comes from the
// system folder only, never from the exe's folder (a downloads folder holds anything) or the
// current one. Looked up at run time: Windows 7 without its update KB2533623 lacks it, and the
// exe must still start there, with at least the current folder left out.
void NarrowDllSearch() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto narrow = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (!narrow || !narrow(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  NarrowDllSearch();
  quorrel::RecordMilestonesWhenAsked();
  quorrel::Milestone("entry");
  // Drag and drop needs a single-threaded apartment.
  OleInitialize(nullptr);
  quorrel::Milestone("OLE ready");
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  quorrel::Milestone("common controls ready");

  quorrel::InitProcessState();
  std::atexit([] { quorrel::ReleaseProcessState(); });
  quorrel::RunStartup();

  int code = 0;
  if (quorrel::ui::LiveWindowCount() > 0) code = quorrel::ui::RunMessageLoop();
  OleUninitialize();
  return code;
}

#if defined(__GLIBCXX__)
// libstdc++'s default terminate handler prints the uncaught exception's demangled type to
// stderr, which a windowed program does not have, and brings the demangler (46 KB). Defined
// here, in the exe's own object, it takes the library's place; the end is the same.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif
