// The account list text that the import window reads: one account a line, display name,
// user name and password joined by "----". Users write these files themselves, with
// whatever editor they have; the program never writes one.
//
// Encoding: a UTF-8 byte-order mark (EF BB BF) or a UTF-16 one (FF FE little-endian, FE FF
// big-endian) says what the file is. Without one, a file whose text is strictly valid UTF-8
// and holds a sequence of three or four bytes is UTF-8 (what Notepad saves by default: every
// Chinese character takes three bytes there). Every other file is in the ANSI code page and
// reads byte for byte as it always did; that includes valid UTF-8 of two-byte sequences only
// when each of them is also a double-byte character of the code page, which is as valid a
// reading (GBK 猫 is C3 A8, UTF-8 "è"): a name is never changed into another one silently.
// The text ends at the first U+0000 or U+001A (in an ANSI file: byte 0x00 or 0x1A), as a
// text-mode read stops there.
//
// Rules: the whole text is trimmed (the space and the full-width space: U+0020 and U+3000, in
// the ANSI code page 20 and A1 A1), then split into lines at CR LF, LF or CR (a CR LF pair is
// one break); an empty last piece after a final line break is not a line, empty lines in
// between are. A UTF-8 or UTF-16 line is then turned into ANSI code page bytes; a line holding
// a character the code page cannot store (or a broken one: an unpaired surrogate, a byte that
// is not UTF-8 under a UTF-8 mark, the odd last byte of a UTF-16 file) is not imported and is
// counted as unstorable. A line is an account when it holds "----" exactly twice (counted from
// the left without overlap, so five dashes in a row count once); it is then trimmed and split
// at "----" into name, user and password. A line ending in its second "----" is an account
// with an empty password. Every other line is skipped.
//
// A file whose first line names the columns of a password export is read as one instead
// (exchange/csv_import.h), in the same encodings; ReadImportAccounts decides which it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
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

// How the bytes of an import file are read.
enum class ImportEncoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

// One line or field (no U+0000, no unpaired surrogate) as ANSI code page bytes, or
// nothing when a character of it cannot be stored there exactly (no look-alike
// substitutes). The Win32 side passes WideToAnsiExact.
using AnsiConverter = std::optional<Text> (*)(std::u16string_view line);

// Whether the text holds half a surrogate pair: no character at all, so never storable.
[[nodiscard]] bool HasUnpairedSurrogate(std::u16string_view text);

// Whether lead and trail together are one double-byte character of the ANSI code page. The
// Win32 side passes IsAnsiDoubleByte.
using DoubleByteCheck = bool (*)(unsigned char lead, unsigned char trail);

// The ANSI code page as the import reads into it. Without a converter every line of a UTF-8
// or UTF-16 file is unstorable; without a check the code page has no double-byte characters.
struct AnsiCodePage {
  AnsiConverter toAnsi = nullptr;
  DoubleByteCheck isDoubleByte = nullptr;
};

// The encoding of an import file by the rule above. Without a mark only the bytes before the
// first 0x00 or 0x1A are looked at: in UTF-8 those bytes are U+0000 and U+001A and nothing
// after them is read.
[[nodiscard]] ImportEncoding DetectImportEncoding(std::string_view bytes, DoubleByteCheck isDoubleByte);

// The lines of an import text in the ANSI code page, in file order, without the unstorable
// ones. They hold passwords: wiped when the object goes or is assigned over.
struct ImportLines {
  ImportLines() = default;
  ImportLines(ImportLines&& other) noexcept;
  ImportLines& operator=(ImportLines&& other) noexcept;
  ImportLines(const ImportLines&) = delete;
  ImportLines& operator=(const ImportLines&) = delete;
  ~ImportLines();

  std::vector<Text> lines;
  size_t lineCount = 0;        // every line, unstorable ones included
  size_t unstorableCount = 0;  // lines not in `lines`: lineCount - lines.size()
  size_t accountLines = 0;     // lines holding "----" exactly twice, unstorable ones included
  // The text has more account lines than it was allowed: they were counted, none was kept.
  bool beyondLimit = false;
};

inline constexpr size_t kNoLineLimit = SIZE_MAX;

// The lines of an ANSI code page text (already cut by ImportTextOf), trimmed and split by
// the rules above. Every line is storable. A text of more than maxAccountLines account lines
// is only counted.
[[nodiscard]] ImportLines SplitImportLines(std::string_view text, size_t maxAccountLines = kNoLineLimit);

// The lines of a whole import file, its raw bytes as read (ReadImportFile), decoded by the
// rules above; codePage.toAnsi turns UTF-8 and UTF-16 lines into ANSI bytes and is not called
// for an ANSI file. The lines are counted before any of them is kept: a file of more than
// maxAccountLines account lines is beyondLimit, and takes no memory for its lines. May throw
// std::bad_alloc on a huge file (everything is wiped on the way out).
[[nodiscard]] ImportLines DecodeImportFile(std::string_view bytes, const AnsiCodePage& codePage,
                                           size_t maxAccountLines = kNoLineLimit);

// The account of one line (PID left empty), or nothing for a line to skip.
[[nodiscard]] std::optional<AccountRecord> ParseImportLine(std::string_view line);

// The file's bytes as the text the import reads: everything before the first zero byte or
// 0x1A, as a text-mode read stops there.
[[nodiscard]] std::string_view ImportTextOf(std::string_view bytes);

// Which kind of file the accounts came from.
enum class ImportFormat { kLines, kCsv };
// Whose password export a CSV file is, as far as its columns tell.
enum class CsvSource { kOther, kBrowser, kFirefox, kKeePass, kBitwarden, kOnePassword, kLastPass, kDashlane };

// The accounts of a whole text, its line count (skipped lines included, the count the log
// line gives) and how many lines (CSV: records) that were not blank it skipped: lines without
// exactly two separators or records without a password, and unstorable ones, for the user to
// be told. Wipes its passwords when it goes or is assigned over.
struct ImportList {
  ImportList() = default;
  ImportList(ImportList&&) = default;
  ImportList& operator=(ImportList&& other) noexcept;
  ImportList(const ImportList&) = delete;
  ImportList& operator=(const ImportList&) = delete;
  ~ImportList();

  size_t lineCount = 0;
  size_t skippedLines = 0;
  size_t unstorableLines = 0;  // of the skipped: a character the code page cannot store
  // Lines (records) that may be accounts by their shape, counted before any is kept.
  size_t accountLines = 0;
  bool beyondLimit = false;  // more of them than allowed: none was kept
  std::vector<AccountRecord> accounts;

  ImportFormat format = ImportFormat::kLines;
  CsvSource source = CsvSource::kOther;
  // A CSV header without a user-name or password column: its columns as written, for the user.
  bool missingColumns = false;
  std::vector<Text> columns;
  ImportEncoding encoding = ImportEncoding::kAnsi;
  bool marked = false;    // the file began with a byte-order mark
  bool nonAscii = false;  // the text held a character beyond ASCII
};
// Every line through ParseImportLine; the lines are wiped as they are read.
[[nodiscard]] ImportList ParseImportLines(ImportLines lines);
// ParseImportLines(SplitImportLines(text)).
[[nodiscard]] ImportList ParseImportText(std::string_view text);

// The accounts of a whole import file's bytes, as "----" lines or as a password export
// (CSV), in any of the encodings above. A CSV header that names no user-name or password
// column is missingColumns, unless the file's lines are accounts: then the first line was
// none. An export is read as lines, too, when it gives no account and its lines do. More than
// maxAccounts possible accounts are only counted (beyondLimit). May throw std::bad_alloc.
[[nodiscard]] ImportList ReadImportAccounts(std::string_view bytes, const AnsiCodePage& codePage,
                                            size_t maxAccounts = kNoLineLimit);

// An import file larger than the largest table reads as no text.
inline constexpr uint64_t kMaxImportFileBytes = kMaxTableFileBytes;

struct ImportFile {
  enum Status { kRead, kCannotRead, kTooBig, kNoMemory } status = kCannotRead;
  Text bytes;  // kRead: the whole file. It holds passwords: wipe it.
};
// The file's raw bytes, for DecodeImportFile (not cut: where the text ends depends on the
// encoding), opened for reading only and shared with every other opener for reading,
// writing and deleting, so that read-only and open files import. kTooBig beyond
// kMaxImportFileBytes; kNoMemory when no buffer for it could be had. Win32 file I/O, defined
// in import_lines_win.cpp.
[[nodiscard]] ImportFile ReadImportFile(const Text& path);

// The AnsiConverter of the program: WideCharToMultiByte into the system code page without
// best-fit look-alikes; nothing when it had to put in the default character. Defined in
// import_lines_win.cpp.
[[nodiscard]] std::optional<Text> WideToAnsiExact(std::u16string_view line);
// The DoubleByteCheck of the program: a lead byte of the system code page and a trail byte
// that together decode to one character. Defined in import_lines_win.cpp.
[[nodiscard]] bool IsAnsiDoubleByte(unsigned char lead, unsigned char trail);
// The system code page: WideToAnsiExact and IsAnsiDoubleByte.
[[nodiscard]] AnsiCodePage SystemCodePage();

struct ImportResult {
  enum Status {
    kImported,      // every accepted line is in the table
    kNoAccounts,    // no line of the file is an account: the table was not written
    kNoColumns,     // a CSV header without a user-name or password column (columns)
    kTooManyLines,  // more accounts than free PIDs (accounts), refused before a PID was drawn
    kOutOfMemory,   // the file's lines did not fit in memory
    kTableFailed,   // the table did not take the accounts; outcome says why
  };
  // Anything but kImported: the table is as it was.
  Status status = kNoAccounts;
  TableOutcome outcome = TableOutcome::kOpened;  // kNoFreePid with kTooManyLines
  size_t lineCount = 0;   // every line, skipped ones included
  size_t imported = 0;
  size_t skipped = 0;     // lines (records) that hold something but did not become accounts
  size_t unstorable = 0;  // of those, the ones with a character the table cannot keep
  size_t accounts = 0;    // kTooManyLines: the file's accounts
  size_t freePids = 0;    // kTooManyLines: how many accounts the table can still take
  ImportFormat format = ImportFormat::kLines;
  CsvSource source = CsvSource::kOther;
  std::vector<Text> columns;  // kNoColumns: the header's columns
  // A file without a byte-order mark holding text beyond ASCII: the encoding it was read in,
  // and a name (or user name) of it as read, so that a wrong reading shows at once.
  std::optional<ImportEncoding> guessed;
  Text sample;
};

// The activity log's line for an import of a file of lineCount lines.
void LogImport(const AccountStore& store, size_t lineCount);

// Imports the accounts of one file's bytes (ReadImportAccounts in codePage): every account
// gets a fresh PID, all in one write of the table, which afterwards holds all of them or
// none. The file's possible accounts are counted before any of them is kept, and its
// accounts checked against the table's free PIDs before any PID is drawn (all 90,000 when the
// table does not open: that is told once an account is found). Logs "Importing Data " + the
// line count (0 when the file did not fit in memory), except when the table did not take
// the accounts.
[[nodiscard]] ImportResult ImportAccountText(const AccountStore& store, std::string_view fileBytes,
                                             const AnsiCodePage& codePage = {});

// The file-name part of a path by the shell's rule: what follows the last \, / or : that is
// followed by something other than \ or /; empty when that part ends in a backslash
// ("C:\dir\" gives ""). Walks by GBK character: a trail byte 0x5C is not a separator.
[[nodiscard]] Text FileNameOfPath(std::string_view path);

}  // namespace quorrel
