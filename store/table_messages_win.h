// What the user is told when an operation on the account table did not do its work.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "store/account_table.h"

namespace quorrel {

// The reason, in the user's words, with the table's path where it helps; empty for an
// outcome that needs no word (the operation did its work).
std::wstring TableOutcomeText(TableOutcome outcome, const Text& tablePath);

// A message box over owner titled titleUtf8: first what did not happen (UTF-8, e.g.
// "账号没有保存。"), then why. Does nothing for an outcome that needs no word.
void TellTableOutcome(HWND owner, const char* titleUtf8, std::string_view whatFailedUtf8, TableOutcome outcome,
                      const Text& tablePath);

}  // namespace quorrel
