// The account list text that the import window reads: one account a line, display name,
// user name and password joined by "----", lines ended by CR LF. Users write these files
// themselves; the program never writes one.
//
// Rules: the whole text is trimmed (ASCII space and the full-width space A1 A1), then split at
// every CR LF; an empty last piece after a final line break is not a line, empty lines in
// between are. A line is an account when it holds "----" exactly twice (counted from the left
// without overlap, so five dashes in a row count once); it is then trimmed and split at
// "----" into name, user and password. A line ending in its second "----" is an account with
// an empty password. Every other line is skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "store/account_table.h"

namespace quorrel {

inline constexpr std::string_view kImportSeparator = "----";

// Occurrences of separator in text, each search starting right after the previous match;
// 0 when either is empty.
[[nodiscard]] size_t CountSeparators(std::string_view text, std::string_view separator);

// Without leading and trailing ASCII spaces and full-width spaces (A1 A1), walking by GBK
// character so that the trail byte of another character is never taken for half a space.
[[nodiscard]] Text TrimImportText(std::string_view text);

// The trimmed text's lines (see above). The result holds passwords: wipe it.
[[nodiscard]] std::vector<Text> SplitImportLines(std::string_view text);

// The account of one line (PID left empty), or nothing for a line to skip.
[[nodiscard]] std::optional<AccountRecord> ParseImportLine(std::string_view line);

// The file's bytes as the text the import reads: everything before the first zero byte or
// 0x1A, as a text-mode read stops there.
[[nodiscard]] std::string_view ImportTextOf(std::string_view bytes);

// The accounts of a whole text and its line count, skipped lines included. Wipes its
// passwords when it goes.
struct ImportList {
  ImportList() = default;
  ImportList(ImportList&&) = default;
  ImportList& operator=(ImportList&&) = default;
  ImportList(const ImportList&) = delete;
  ImportList& operator=(const ImportList&) = delete;
  ~ImportList();

  size_t lineCount = 0;
  std::vector<AccountRecord> accounts;
  size_t skipped = 0;  // lines that hold something but did not become accounts
};
[[nodiscard]] ImportList ParseImportText(std::string_view text);

// An import file larger than the largest table reads as no text.
inline constexpr uint64_t kMaxImportFileBytes = kMaxTableFileBytes;

// The file's text (ImportTextOf its bytes), opened for reading only and shared with every
// other opener for reading, writing and deleting, so that read-only and open files import.
// Empty when it cannot be opened or read. The result holds passwords: wipe it. Win32 file
// I/O, defined in import_lines_win.cpp.
[[nodiscard]] Text ReadImportFile(const Text& path);

struct ImportResult {
  // Succeeded(outcome): every accepted line is in the table and the log has its line.
  // Otherwise the table is as it was, nothing is logged, and outcome says why.
  TableOutcome outcome = TableOutcome::kOpened;
  size_t lineCount = 0;  // every line, skipped ones included
  size_t imported = 0;
  size_t skipped = 0;    // lines that hold something but did not become accounts
};

// Imports the text of one file (already cut by ImportTextOf): every accepted line becomes an
// account with a fresh PID, all in one write of the table, which afterwards holds all of them
// or none; then logs "Importing Data " + the line count. A text that yields no account logs
// its line count too and touches no table. Memory running out while the text is read into
// lines gives kWriteFailed.
[[nodiscard]] ImportResult ImportAccountText(const AccountStore& store, std::string_view text);

// The file-name part of a path by the shell's rule: what follows the last \, / or : that is
// followed by something other than \ or /; empty when that part ends in a backslash
// ("C:\dir\" gives ""). Walks by GBK character: a trail byte 0x5C is not a separator.
[[nodiscard]] Text FileNameOfPath(std::string_view path);

}  // namespace quorrel
