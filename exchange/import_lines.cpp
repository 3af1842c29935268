#include "exchange/import_lines.h"

#include <new>
#include <utility>

#include "base/report.h"
#include "exchange/csv_import.h"

namespace quorrel {
namespace {

constexpr std::string_view kFullWidthSpace = "\xA1\xA1";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
// Stands for what cannot be decoded (a byte that is not UTF-8 under a UTF-8 mark, the odd
// last byte of a UTF-16 file): a high surrogate that no low one follows, so that its line
// counts as unstorable whatever the converter would make of it.
constexpr char16_t kUndecodable = 0xD800;

// Bytes of the character that starts at i: a lead byte takes its trail byte with it.
size_t CharLength(std::string_view text, size_t i) {
  return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// Length of the space character at i, 0 when the character there is no space.
size_t SpaceAt(std::string_view text, size_t i) {
  if (text[i] == ' ') return 1;
  if (text.substr(i, 2) == kFullWidthSpace) return 2;
  return 0;
}

// TrimImportText without the copy.
std::string_view TrimmedView(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size()) {
    const size_t space = SpaceAt(text, begin);
    if (space == 0) break;
    begin += space;
  }
  // The end of the last character that is not a space, found walking forwards: walking
  // backwards cannot tell a trail byte A1 from the second half of a full-width space.
  size_t end = begin;
  for (size_t i = begin; i < text.size();) {
    const size_t space = SpaceAt(text, i);
    const size_t step = space ? space : CharLength(text, i);
    i += step;
    if (space == 0) end = i;
  }
  return text.substr(begin, end - begin);
}

std::u16string_view TrimmedView(std::u16string_view text) {
  const auto isSpace = [](char16_t c) { return c == u' ' || c == u'\u3000'; };
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && isSpace(text[begin])) ++begin;
  while (end > begin && isSpace(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// Calls f with every line of a trimmed text, as long as it returns true: pieces between
// CR LF, LF or CR; no line for an empty last piece. In ANSI text CR and LF are below every
// GBK trail byte, so a byte-wise search is a character search.
template <class Char, class F>
void ForEachLine(std::basic_string_view<Char> text, F&& f) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != Char('\r') && text[end] != Char('\n')) ++end;
    if (!f(text.substr(start, end - start))) return;
    if (end == text.size()) break;
    const bool crLf = text[end] == Char('\r') && end + 1 < text.size() && text[end + 1] == Char('\n');
    start = end + (crLf ? 2 : 1);
  }
}

// Length (1 to 4) and code point of the well-formed UTF-8 sequence at i; 0 when the bytes
// there are not one (a stray or cut-short sequence, an overlong form, a surrogate, anything
// above U+10FFFF).
size_t Utf8SequenceAt(std::string_view s, size_t i, char32_t& codePoint) {
  const unsigned first = static_cast<unsigned char>(s[i]);
  if (first < 0x80) {
    codePoint = first;
    return 1;
  }
  size_t length = 0;
  unsigned low = 0x80;  // the range of the second byte, narrowed where a wider one is not well formed
  unsigned high = 0xBF;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2;
    codePoint = first & 0x1F;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3;
    codePoint = first & 0x0F;
    if (first == 0xE0) low = 0xA0;   // overlong
    if (first == 0xED) high = 0x9F;  // surrogates
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4;
    codePoint = first & 0x07;
    if (first == 0xF0) low = 0x90;   // overlong
    if (first == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (s.size() - i < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    const unsigned b = static_cast<unsigned char>(s[i + k]);
    if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) return 0;
    codePoint = (codePoint << 6) | (b & 0x3F);
  }
  return length;
}

// Whether a text without a mark is UTF-8 rather than ANSI: strictly valid UTF-8 that holds a
// sequence of three or four bytes, or whose two-byte sequences are not all double-byte
// characters of the code page too. Plain ASCII reads the same either way and stays ANSI.
bool ReadsAsUtf8(std::string_view s, DoubleByteCheck isDoubleByte) {
  bool beyondAscii = false;
  bool longSequence = false;
  bool allPairsAnsi = isDoubleByte != nullptr;
  // The answers of the check by pair (C2-DF, 80-BF): at most 30 x 64 calls in a large file.
  enum : unsigned char { kUnasked, kYes, kNo };
  unsigned char asked[0x20][0x40] = {};
  char32_t codePoint = 0;
  for (size_t i = 0; i < s.size();) {
    const size_t length = Utf8SequenceAt(s, i, codePoint);
    if (length == 0) return false;
    beyondAscii |= length > 1;
    longSequence |= length > 2;
    if (length == 2 && allPairsAnsi && !longSequence) {
      const auto lead = static_cast<unsigned char>(s[i]);
      const auto trail = static_cast<unsigned char>(s[i + 1]);
      unsigned char& answer = asked[lead & 0x1F][trail & 0x3F];
      if (answer == kUnasked) answer = isDoubleByte(lead, trail) ? kYes : kNo;
      allPairsAnsi = answer == kYes;
    }
    i += length;
  }
  return beyondAscii && (longSequence || !allPairsAnsi);
}

bool IsEndOfText(char32_t c) { return c == 0 || c == 0x1A; }

// Decoded text, wiped when it goes (on the way out of a bad_alloc too).
struct Utf16Text {
  Utf16Text() = default;
  Utf16Text(const Utf16Text&) = delete;
  Utf16Text& operator=(const Utf16Text&) = delete;
  ~Utf16Text() {
    units.resize(units.capacity());  // within the capacity: no reallocation
    SecureWipe(units.data(), units.size() * sizeof(char16_t));
  }
  std::u16string units;
};

// UTF-8 bytes (after any mark) as UTF-16, up to the first U+0000 or U+001A.
void DecodeUtf8(std::string_view bytes, std::u16string& out) {
  out.reserve(bytes.size());  // never more units than bytes: the buffer never moves
  for (size_t i = 0; i < bytes.size();) {
    char32_t c = 0;
    size_t length = Utf8SequenceAt(bytes, i, c);
    if (length == 0) {
      c = kUndecodable;
      length = 1;
    }
    if (IsEndOfText(c)) return;
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += length;
  }
}

// UTF-16 bytes (after the mark) as code units, up to the first U+0000 or U+001A.
void DecodeUtf16(std::string_view bytes, bool bigEndian, std::u16string& out) {
  out.reserve(bytes.size() / 2 + 1);
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    const unsigned first = static_cast<unsigned char>(bytes[i]);
    const unsigned second = static_cast<unsigned char>(bytes[i + 1]);
    const auto unit = static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first);
    if (IsEndOfText(unit)) return;
    out.push_back(unit);
  }
  if (i < bytes.size()) out.push_back(kUndecodable);  // a file cut short
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }


// Every text of an account that must not outlive it in memory.
void WipeSecrets(AccountRecord& account) {
  SecureWipe(account.user);
  account.password.clear();
}

template <class Char>
size_t CountIn(std::basic_string_view<Char> text, std::basic_string_view<Char> separator) {
  if (text.empty() || separator.empty()) return 0;
  size_t count = 0;
  for (size_t at = text.find(separator); at != text.npos; at = text.find(separator, at + separator.size())) ++count;
  return count;
}

// Whether a line holds the separator exactly twice, in either kind of text.
bool IsAccountLine(std::string_view line) { return CountIn(line, kImportSeparator) == 2; }
bool IsAccountLine(std::u16string_view line) { return CountIn(line, std::u16string_view(u"----")) == 2; }

}  // namespace

size_t CountSeparators(std::string_view text, std::string_view separator) { return CountIn(text, separator); }

bool HasUnpairedSurrogate(std::u16string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsLowSurrogate(s[i])) return true;
    if (IsHighSurrogate(s[i])) {
      if (i + 1 == s.size() || !IsLowSurrogate(s[i + 1])) return true;
      ++i;
    }
  }
  return false;
}

Text TrimImportText(std::string_view text) { return Text(TrimmedView(text)); }

ImportEncoding DetectImportEncoding(std::string_view bytes, DoubleByteCheck isDoubleByte) {
  if (bytes.starts_with(kUtf8Mark)) return ImportEncoding::kUtf8;
  if (bytes.starts_with(kUtf16LeMark)) return ImportEncoding::kUtf16Le;
  if (bytes.starts_with(kUtf16BeMark)) return ImportEncoding::kUtf16Be;
  return ReadsAsUtf8(ImportTextOf(bytes), isDoubleByte) ? ImportEncoding::kUtf8 : ImportEncoding::kAnsi;
}

ImportLines::ImportLines(ImportLines&& other) noexcept
    : lines(std::move(other.lines)),
      lineCount(other.lineCount),
      unstorableCount(other.unstorableCount),
      accountLines(other.accountLines),
      beyondLimit(other.beyondLimit) {
  other.lines.clear();
  other.lineCount = other.unstorableCount = other.accountLines = 0;
  other.beyondLimit = false;
}

ImportLines& ImportLines::operator=(ImportLines&& other) noexcept {
  if (this != &other) {
    for (Text& line : lines) SecureWipe(line);
    lines = std::move(other.lines);
    lineCount = other.lineCount;
    unstorableCount = other.unstorableCount;
    accountLines = other.accountLines;
    beyondLimit = other.beyondLimit;
    other.lines.clear();
    other.lineCount = other.unstorableCount = other.accountLines = 0;
    other.beyondLimit = false;
  }
  return *this;
}

ImportLines::~ImportLines() {
  for (Text& line : lines) SecureWipe(line);
}

namespace {

// Counts the lines of a trimmed text and those of them that may be accounts (unstorable ones
// among them: that takes a conversion); false when those are more than maxAccountLines.
template <class Char>
bool CountLines(std::basic_string_view<Char> text, size_t maxAccountLines, ImportLines& result) {
  ForEachLine(text, [&](std::basic_string_view<Char> line) {
    ++result.lineCount;
    result.accountLines += IsAccountLine(line);
    return true;
  });
  result.beyondLimit = result.accountLines > maxAccountLines;
  return !result.beyondLimit;
}

void SplitLines(std::string_view trimmed, const AnsiCodePage&, size_t maxAccountLines, ImportLines& result) {
  if (!CountLines(trimmed, maxAccountLines, result)) return;
  result.lines.reserve(result.lineCount);  // filled in place: no line is moved and left behind
  ForEachLine(trimmed, [&](std::string_view line) {
    result.lines.emplace_back(line);
    return true;
  });
}

void SplitLines(std::u16string_view trimmed, const AnsiCodePage& codePage, size_t maxAccountLines,
                ImportLines& result) {
  if (!CountLines(trimmed, maxAccountLines, result)) return;
  result.lines.reserve(result.lineCount);
  ForEachLine(trimmed, [&](std::u16string_view line) {
    std::optional<Text> ansi;
    if (!HasUnpairedSurrogate(line) && codePage.toAnsi) ansi = codePage.toAnsi(line);
    if (!ansi) {
      ++result.unstorableCount;
      return true;
    }
    result.lines.push_back(std::move(*ansi));
    SecureWipe(*ansi);  // a short text moved out leaves its bytes behind
    return true;
  });
}

// An import file's text: the ANSI bytes as they are, or UTF-8 and UTF-16 decoded.
struct DecodedText {
  ImportEncoding encoding = ImportEncoding::kAnsi;
  bool marked = false;
  std::string_view ansi;
  Utf16Text wide;
};

void Decode(std::string_view bytes, DoubleByteCheck isDoubleByte, DecodedText& out) {
  out.encoding = DetectImportEncoding(bytes, isDoubleByte);
  out.marked = bytes.starts_with(kUtf8Mark) || bytes.starts_with(kUtf16LeMark) || bytes.starts_with(kUtf16BeMark);
  switch (out.encoding) {
    case ImportEncoding::kAnsi: out.ansi = ImportTextOf(bytes); break;
    case ImportEncoding::kUtf8:
      DecodeUtf8(out.marked ? bytes.substr(kUtf8Mark.size()) : bytes, out.wide.units);
      break;
    case ImportEncoding::kUtf16Le:
    case ImportEncoding::kUtf16Be:
      DecodeUtf16(bytes.substr(kUtf16LeMark.size()), out.encoding == ImportEncoding::kUtf16Be, out.wide.units);
      break;
  }
}

bool HasNonAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}
bool HasNonAscii(std::u16string_view text) {
  for (char16_t c : text)
    if (c >= 0x80) return true;
  return false;
}

std::optional<CsvHeader> HeaderOf(std::string_view text, const AnsiCodePage&) { return ReadCsvHeader(text); }
std::optional<CsvHeader> HeaderOf(std::u16string_view text, const AnsiCodePage& codePage) {
  return ReadCsvHeader(text, codePage.toAnsi);
}
void CsvAccounts(std::string_view text, const CsvHeader& header, const AnsiCodePage&, size_t expected,
                 ImportList& list) {
  ReadCsvAccounts(text, header, expected, list);
}
void CsvAccounts(std::u16string_view text, const CsvHeader& header, const AnsiCodePage& codePage, size_t expected,
                 ImportList& list) {
  ReadCsvAccounts(text, header, codePage.toAnsi, expected, list);
}

// Lines or an export: the first line decides, unless the file's lines are accounts and the
// export gives none (a list of "----" lines under a line of commas).
template <class Char>
ImportList ReadText(std::basic_string_view<Char> text, const AnsiCodePage& codePage, size_t maxAccounts) {
  const std::basic_string_view<Char> trimmed = TrimmedView(text);
  ImportLines lines;
  (void)CountLines(trimmed, kNoLineLimit, lines);
  std::optional<CsvHeader> header = HeaderOf(trimmed, codePage);
  if (header) {
    // The export's text runs to the very end: a last password may end in a space.
    const std::basic_string_view<Char> csv = text.substr(static_cast<size_t>(trimmed.data() - text.data()));
    const size_t possible = header->HoldsAccounts() ? CountCsvAccounts(csv, *header) : 0;
    if (possible != 0 || lines.accountLines == 0) {
      ImportList list;
      list.format = ImportFormat::kCsv;
      list.source = header->source;
      list.lineCount = lines.lineCount;
      list.accountLines = possible;
      if (!header->HoldsAccounts()) {
        list.missingColumns = true;
        list.columns = std::move(header->names);
      } else if (possible > maxAccounts) {
        list.beyondLimit = true;
      } else {
        CsvAccounts(csv, *header, codePage, possible, list);
      }
      return list;
    }
  }
  lines = ImportLines();
  SplitLines(trimmed, codePage, maxAccounts, lines);
  return ParseImportLines(std::move(lines));
}

}  // namespace

ImportLines SplitImportLines(std::string_view text, size_t maxAccountLines) {
  ImportLines result;
  SplitLines(TrimmedView(text), {}, maxAccountLines, result);
  return result;
}

ImportLines DecodeImportFile(std::string_view bytes, const AnsiCodePage& codePage, size_t maxAccountLines) {
  DecodedText text;
  Decode(bytes, codePage.isDoubleByte, text);
  ImportLines result;
  if (text.encoding == ImportEncoding::kAnsi) {
    SplitLines(TrimmedView(text.ansi), codePage, maxAccountLines, result);
  } else {
    SplitLines(TrimmedView(std::u16string_view(text.wide.units)), codePage, maxAccountLines, result);
  }
  return result;
}

ImportList ReadImportAccounts(std::string_view bytes, const AnsiCodePage& codePage, size_t maxAccounts) {
  DecodedText text;
  Decode(bytes, codePage.isDoubleByte, text);
  const bool ansi = text.encoding == ImportEncoding::kAnsi;
  const std::u16string_view wide(text.wide.units);
  ImportList list = ansi ? ReadText(text.ansi, codePage, maxAccounts) : ReadText(wide, codePage, maxAccounts);
  list.encoding = text.encoding;
  list.marked = text.marked;
  list.nonAscii = ansi ? HasNonAscii(text.ansi) : HasNonAscii(wide);
  return list;
}

std::optional<AccountRecord> ParseImportLine(std::string_view line) {
  std::optional<AccountRecord> account;  // the one result, built in place
  if (CountSeparators(line, kImportSeparator) == 2) {
    // Trimming removes no dash, so the two separators counted are the two found here.
    const std::string_view trimmed = TrimmedView(line);
    const size_t first = trimmed.find(kImportSeparator);
    const size_t userStart = first + kImportSeparator.size();
    const size_t second = trimmed.find(kImportSeparator, userStart);
    account.emplace();
    account->name.assign(trimmed.substr(0, first));
    account->user.assign(trimmed.substr(userStart, second - userStart));
    account->password.assign(trimmed.substr(second + kImportSeparator.size()));
  }
  return account;
}

std::string_view ImportTextOf(std::string_view bytes) {
  const size_t end = bytes.find_first_of(std::string_view("\0\x1A", 2));
  return end == std::string_view::npos ? bytes : bytes.substr(0, end);
}

ImportList& ImportList::operator=(ImportList&& other) noexcept {
  if (this != &other) {
    for (AccountRecord& a : accounts) WipeSecrets(a);
    lineCount = other.lineCount;
    skippedLines = other.skippedLines;
    unstorableLines = other.unstorableLines;
    accountLines = other.accountLines;
    beyondLimit = other.beyondLimit;
    accounts = std::move(other.accounts);
    format = other.format;
    source = other.source;
    missingColumns = other.missingColumns;
    columns = std::move(other.columns);
    encoding = other.encoding;
    marked = other.marked;
    nonAscii = other.nonAscii;
  }
  return *this;
}

ImportList::~ImportList() {
  for (AccountRecord& a : accounts) WipeSecrets(a);
}

ImportList ParseImportLines(ImportLines lines) {
  ImportList list;
  list.lineCount = lines.lineCount;
  list.skippedLines = list.unstorableLines = lines.unstorableCount;
  list.accountLines = lines.accountLines;
  list.beyondLimit = lines.beyondLimit;
  size_t accepted = 0;
  for (const Text& line : lines.lines) accepted += CountSeparators(line, kImportSeparator) == 2;
  list.accounts.reserve(accepted);  // filled in place: no record is moved and left behind
  for (Text& line : lines.lines) {
    if (std::optional<AccountRecord> account = ParseImportLine(line)) {
      list.accounts.push_back(std::move(*account));
      WipeSecrets(*account);  // a short text moved out leaves its bytes behind
    } else if (!TrimmedView(line).empty()) {
      ++list.skippedLines;
    }
    SecureWipe(line);
  }
  return list;
}

ImportList ParseImportText(std::string_view text) { return ParseImportLines(SplitImportLines(text)); }

void LogImport(const AccountStore& store, size_t lineCount) {
  if (store.log) store.log("Importing Data " + std::to_string(lineCount));
}

namespace {

// A name, or else a user name, with a character beyond ASCII, as the file gave it: the first
// place where a wrong reading of the file shows. (Never a password.)
Text SampleOf(const std::vector<AccountRecord>& accounts) {
  for (const AccountRecord& a : accounts)
    if (HasNonAscii(a.name)) return a.name;
  for (const AccountRecord& a : accounts)
    if (HasNonAscii(a.user)) return a.user;
  return {};
}

ImportResult StoreList(const AccountStore& store, ImportList& list, size_t room) {
  ImportResult result;
  result.lineCount = list.lineCount;
  result.skipped = list.skippedLines;
  result.unstorable = list.unstorableLines;
  result.format = list.format;
  result.source = list.source;
  if (list.missingColumns) {
    result.status = ImportResult::kNoColumns;
    result.columns = std::move(list.columns);
    return result;
  }
  result.accounts = list.beyondLimit ? list.accountLines : list.accounts.size();
  if (result.accounts > room) {
    result.status = ImportResult::kTooManyLines;
    result.outcome = TableOutcome::kNoFreePid;
    result.freePids = room;
    return result;
  }
  if (list.accounts.empty()) return result;  // kNoAccounts
  result.outcome = AddAccountsWithNewPids(store, list.accounts);
  if (!Succeeded(result.outcome)) {
    result.status = ImportResult::kTableFailed;
    return result;
  }
  result.status = ImportResult::kImported;
  result.imported = list.accounts.size();
  if (!list.marked && list.nonAscii) {
    result.guessed = list.encoding;
    result.sample = SampleOf(list.accounts);
  }
  return result;
}

}  // namespace

ImportResult ImportAccountText(const AccountStore& store, std::string_view fileBytes, const AnsiCodePage& codePage) {
  // Every account takes a PID of its own: a file of more accounts than the table has free
  // PIDs is refused. Possible accounts are counted before any is kept; beyond all the PIDs
  // there are, they are only counted.
  const FreePids free = CountFreePids(store);
  const size_t room = free.outcome == TableOutcome::kOpened ? free.count : kPidRange;
  ImportResult result;
  {
    ImportList list;
    try {
      list = ReadImportAccounts(fileBytes, codePage, kPidRange);
    } catch (const std::bad_alloc&) {  // a file of many long lines in a 32-bit process
      ReportIf(true);
      result.status = ImportResult::kOutOfMemory;
    }
    if (result.status != ImportResult::kOutOfMemory) result = StoreList(store, list, room);
  }
  if (result.status != ImportResult::kTableFailed) LogImport(store, result.lineCount);
  return result;
}

Text FileNameOfPath(std::string_view path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); i += CharLength(path, i)) {
    const char c = path[i];
    if ((c == '\\' || c == '/' || c == ':') && i + 1 < path.size() && path[i + 1] != '\\' &&
        path[i + 1] != '/') {
      start = i + 1;
    }
  }
  Text name(path.substr(start));
  if (!name.empty() && name.back() == '\\') {
    // A backslash that is a trail byte ends a character, not the name.
    size_t last = 0;
    for (size_t i = 0; i < name.size(); i += CharLength(name, i)) last = i;
    if (CharLength(name, last) == 1) return {};
  }
  return name;
}

}  // namespace quorrel
