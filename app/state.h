// Process-wide state, created once before start-up and released at process exit. Only what
// is truly process-wide lives here; windows keep their own state and are told by their
// opener what they need.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "store/account_table.h"
#include "store/settings.h"

namespace quorrel {

struct ProcessState {
  std::vector<Text> CommandLineArgs;  // program name excluded
  Text RunDirectory;                  // the executable's folder, no trailing backslash
  Text ExeFileName;                   // e.g. "Quorrel.exe"
  Text ConfigPath;                    // RunDirectory + "\Config.ini"
  int32_t AccountHotkeyCode = 0;      // "UserKey", read once at start
  int32_t PasswordHotkeyCode = 0;     // "PassKey", read once at start
  // The codes last picked in the hotkey window; they outlive the window within a run.
  int32_t PendingAccountKey = 0;
  int32_t PendingPasswordKey = 0;
  // The import file last picked; it outlives the import window within a run.
  Text ImportFilePath;
  AccountStore Accounts;              // the account table (its path: AccountTablePath)
  // Started by a restart after the table could not be created: no second restart.
  bool RestartedForTable = false;
  bool ToldFolderUnwritable = false;  // said once per process
};

// Valid between InitProcessState and ReleaseProcessState.
ProcessState& State();
void InitProcessState();
void ReleaseProcessState();

}  // namespace quorrel
