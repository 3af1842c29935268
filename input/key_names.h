// Display names of the virtual-key codes the hotkeys can be set to. The program shows a
// hotkey only by this name, never by its code.
//
// The names are UTF-8 captions (most end in "键"); the windowing layer converts them
// when it puts them on a control. The lookup goes one way only: there is no name-to-code
// direction.
#pragma once

#include <span>
#include <string_view>

#include "base/text.h"

namespace quorrel {

struct KeyNameRow {
  int code;
  std::string_view name;  // UTF-8
};

// The whole table, ordered by code: 52 rows built by rule (digits 48-57, letters 65-90,
// F1-F16 at 112-127) and 41 named rows. Constant for the life of the process.
std::span<const KeyNameRow> KeyNameTable();

// The code's display name in UTF-8, or the empty text when the code has none.
Text KeyName(int code);

}  // namespace quorrel
