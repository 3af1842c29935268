// The program's account table: UserData.edb in the run directory over the Win32 file
// layer, the activity log beside it, and the process-wide random source for the PID draws.
#pragma once

#include "store/account_table.h"

namespace quorrel {

// The one place that names the table's path: runDirectory + "\UserData.edb".
AccountStore MakeAccountStore(const Text& runDirectory);

}  // namespace quorrel
