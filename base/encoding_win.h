// Conversions at the window boundary: captions live in UTF-8 source, account data and
// settings are ANSI code page bytes, windows speak UTF-16.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorrel {

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
std::wstring AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::wstring_view wide);
// A UTF-8 program text (caption, key name) as ANSI code page bytes.
std::string Utf8ToAnsi(std::string_view utf8);
// ANSI bytes that are valid in the system code page, as UTF-16; nullopt when any byte
// sequence is not (the lenient conversion would put a substitute character there instead).
std::optional<std::wstring> AnsiToWideExact(std::string_view ansi);

// The lead-byte rule (base/text.h) of the system's ANSI code page, which the *A functions use.
bool IsSystemLeadByte(unsigned char b);

}  // namespace quorrel
