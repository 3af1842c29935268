// The program's account table: UserData.edb beside the exe, the Win32 file layer, the
// activity log, the restart, and GetTickCount for the PID draws.
#pragma once

#include "store/account_table.h"

namespace quorrel {

const AccountStore& AppAccountStore();

}  // namespace quorrel
