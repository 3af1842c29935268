// What the user is told when an operation on the account table did not do its work.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "store/account_table.h"

namespace quorrel {

// The step that tries a change once more, after "再", when the caller names none.
inline constexpr char kTryAgain[] = "试一次";

// The reason, in the user's words, with the table's path where it helps; empty for an
// outcome that needs no word (the operation did its work). again: the step that tries the
// change once more (UTF-8, after "再"), e.g. "点“删除”".
std::wstring TableOutcomeText(TableOutcome outcome, const Text& tablePath, std::string_view again = kTryAgain);

// The same for a read of the list that the user did not ask for (the start's): a busy
// table leaves the list as it was, and the next step is the list's refresh.
std::wstring ListReadText(TableOutcome outcome, const Text& tablePath);

// A message box over owner titled titleUtf8: first what did not happen (UTF-8, e.g.
// "账号没有保存。"), then why. Does nothing for an outcome that needs no word.
void TellTableOutcome(HWND owner, const char* titleUtf8, std::string_view whatFailedUtf8, TableOutcome outcome,
                      const Text& tablePath, std::string_view again = kTryAgain);

// Whether the file at path carries the read-only attribute: the one cause of a failed write
// that the user mends on the file itself (any other points at its folder).
bool IsReadOnlyFile(const Text& path);

// After "<file> 无法写入": what helps for the file at path (store_texts::WriteAdvice).
std::string WriteAdviceFor(const Text& path, std::string_view again);  // UTF-8

}  // namespace quorrel
