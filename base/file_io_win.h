// Writing files through the A functions (paths are ANSI code page bytes): the one loop
// that writes until every byte is out.
#pragma once

#include <windows.h>

#include <string_view>

#include "base/text.h"

namespace quorrel {

// Writes every byte at the file's current position, in pieces the system accepts; false
// as soon as a write fails or makes no progress.
[[nodiscard]] bool WriteAll(HANDLE file, std::string_view bytes);

// Creates or truncates path (no sharing while it writes) and writes bytes; false on any
// failure, and then the file it began is deleted.
[[nodiscard]] bool WriteWholeFile(const Text& path, std::string_view bytes);

}  // namespace quorrel
