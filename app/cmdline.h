// Splitting the process command line into arguments.
#pragma once

#include <string_view>
#include <vector>

#include "base/text.h"

namespace quorrel {

// The arguments of a command line (bytes of the ANSI code page), program name excluded.
//
// The program name is skipped first: a quoted name up to and including its closing quote
// and, when one follows, one space; an unquoted name up to and including the first space
// (no space: the whole line is the name). Then, until the end: bytes below 33 are
// skipped; an argument that starts with a double quote runs to the next double quote,
// which ends it and is dropped (no escape character; a missing closing quote runs it to
// the end of the line); any other argument runs to the next byte below 33 or the next
// double quote, which then starts the next argument.
//
// A lead byte (0x81-0xFE) always takes the byte after it, so the second byte of a
// double-byte character is never taken for a quote or a space.
//
// A quoted empty argument ("") gives an empty text in the list.
std::vector<Text> SplitCommandLine(std::string_view line);

}  // namespace quorrel
