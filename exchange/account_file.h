// The exported account file (".Pw") and the random text that keys it.
//
// File content: header = EncipherText(K, "Morvy1998") (33 characters, K = 12 random digits),
// then body = EncipherText(user + "----" + password, K). No line ending, no terminator.
// The portable part builds and parses the bytes; account_file_win.cpp does the file I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text.h"

namespace quorrel {

inline constexpr std::string_view kAccountFileHeaderKey = "Morvy1998";
inline constexpr std::string_view kAccountFileSeparator = "----";
inline constexpr std::string_view kAccountFileExtension = ".Pw";
inline constexpr size_t kAccountFileKeyLength = 12;
inline constexpr size_t kAccountFileHeaderLength = 2 * kAccountFileKeyLength + 9;  // 33

// Character class bits of RandomText.
inline constexpr int kRandomDigits = 1;       // 0-9
inline constexpr int kRandomLower = 2;        // a-z
inline constexpr int kRandomUpper = 4;        // A-Z
inline constexpr int kRandomPunctuation = 8;  // printable ASCII neither letter nor digit, space too

// length characters drawn from the classes selected by the bits 1, 2, 4, 8 of classMask
// (other bits ignored; none set means digits). Empty for length <= 0. Reseeds on every call
// from the tick count plus a process-wide running offset, so two calls within the same
// millisecond still differ. Not thread-safe: the offset is touched on the UI thread only.
Text RandomText(int length, int classMask);

// The tick source of the program's random source (RandomText, NewAccountPid); nullptr restores
// the steady clock.
using TickSource = uint32_t (*)();
void SetTickSourceForTesting(TickSource source);

// The whole file content for a new export, under a fresh RandomText(12, 0) key.
Text BuildAccountFileContent(std::string_view user, std::string_view password);
// Same with a given key; empty unless fileKey is 12 bytes without a zero byte.
Text BuildAccountFileContent(std::string_view user, std::string_view password,
                             std::string_view fileKey);

// The inner text user + "----" + password, or empty when the content is not a readable
// account file. Reading stops at the first 0x00 or 0x1A byte, as a text-mode read would.
// The caller should wipe the result (it holds a password).
[[nodiscard]] SecretText ParseAccountFileContent(std::string_view content);

// The user name and password of an inner text: the user name ends at the first "----", the
// rest is the password, whatever it holds (a password may contain the separator; a user name
// cannot, see WriteAccountFile). No separator: all of it is the user name.
struct AccountFileParts {
  SecretText user;
  SecretText password;
};
[[nodiscard]] AccountFileParts SplitAccountFileInner(std::string_view inner);

// "#" + display name + " " + user name: the base of the exported file's name.
Text AccountFileBaseName(std::string_view displayName, std::string_view userName);

// baseName + ".Pw".
Text AccountFileName(std::string_view baseName);

// True when baseName can be used as one file name in a folder: not empty, not "." or "..",
// no \ / : * ? " < > | and no control byte, no device name (CON, NUL, COM1, ...), and every
// double-byte character complete (a lead byte under rule followed by a trail byte,
// 0x40-0xFE but 0x7F). Walks by character, so a trail byte 0x5C or 0x7C inside a Chinese
// character is not taken for \ or |. Win32 code passes the system code page's rule.
bool IsSafeFileBaseName(std::string_view baseName, LeadByteRule rule = &IsLeadByte);
// The same rules for the name as the system reads it (UTF-16): what the bytes decode to is
// what must hold no separator or forbidden character.
bool IsSafeFileBaseName(std::wstring_view baseName);

// Win32 file I/O, defined in account_file_win.cpp.
enum class ExportOutcome {
  kWritten,
  kSeparatorInUser,  // the user name holds "----": the file could not be read back right
  kBadName,          // refused by IsSafeFileBaseName (the bytes, or the name as decoded)
  kNoDesktop,        // the shell names no desktop folder
  kBusy,             // another program holds the earlier file of that name
  kDiskFull,
  kFailed,           // any other failed write
};
// Writes desktop + AccountFileName(baseName) through a temp file beside it that then replaces
// the earlier file of that name, so a failed write leaves the earlier file whole. Anything but
// kWritten leaves nothing written.
[[nodiscard]] ExportOutcome WriteAccountFile(std::string_view baseName, std::string_view user,
                                             std::string_view password);
// What the user is told for an outcome other than kWritten.
std::string ExportOutcomeText(ExportOutcome outcome);  // UTF-8
// ParseAccountFileContent of the file at path; empty when it cannot be read.
[[nodiscard]] SecretText ReadAccountFile(std::string_view path);
// The same, with what kept a file from giving an account, so the user can be told.
enum class AccountFileRead {
  kRead,
  kCannotRead,      // missing, a folder, held by another program, no right to read it
  kNotAccountFile,  // read, but damaged, cut short, too big, or not an exported file
};
struct AccountFileReading {
  AccountFileRead status = AccountFileRead::kCannotRead;
  SecretText inner;  // user + "----" + password when read
};
[[nodiscard]] AccountFileReading OpenAccountFile(std::string_view path);

}  // namespace quorrel
