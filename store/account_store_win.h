// The program's account table: UserData.edb in the run directory over the Win32 file
// layer, the activity log beside it, and the process-wide random source for the PID draws.
#pragma once

#include <functional>

#include "store/account_table.h"

namespace quorrel {

// restart: what the program does when the table cannot be created.
AccountStore MakeAccountStore(const Text& runDirectory, std::function<void()> restart);

}  // namespace quorrel
