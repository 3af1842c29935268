#include "exchange/import_lines.h"

#include <new>

#include "base/report.h"

namespace quorrel {
namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kFullWidthSpace = "\xA1\xA1";

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

// Splits at every separator, keeping an empty last part (an empty password).
std::vector<Text> SplitKeepingLast(std::string_view text, std::string_view separator) {
  std::vector<Text> parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string_view::npos;
       start = at + separator.size()) {
    parts.emplace_back(text.substr(start, at - start));
  }
  parts.emplace_back(text.substr(start));
  return parts;
}

}  // namespace

size_t CountSeparators(std::string_view text, std::string_view separator) {
  if (text.empty() || separator.empty()) return 0;
  size_t count = 0;
  for (size_t at = text.find(separator); at != std::string_view::npos;
       at = text.find(separator, at + separator.size())) {
    ++count;
  }
  return count;
}

Text TrimImportText(std::string_view text) {
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
  return Text(text.substr(begin, end - begin));
}

std::vector<Text> SplitImportLines(std::string_view text) {
  Text trimmed = TrimImportText(text);
  // CR and LF are below every GBK trail byte, so a byte-wise search is a character search.
  std::vector<Text> lines = SplitText(trimmed, kLineBreak);
  SecureWipe(trimmed);
  return lines;
}

std::optional<AccountRecord> ParseImportLine(std::string_view line) {
  if (CountSeparators(line, kImportSeparator) != 2) return std::nullopt;
  Text trimmed = TrimImportText(line);
  std::vector<Text> fields = SplitKeepingLast(trimmed, kImportSeparator);
  SecureWipe(trimmed);
  std::optional<AccountRecord> account;
  if (fields.size() == 3) {  // trimming removes no dash, so the two separators are still there
    account.emplace();
    account->name = std::move(fields[0]);
    account->user = std::move(fields[1]);
    account->password = std::move(fields[2]);
  }
  for (Text& f : fields) SecureWipe(f);
  return account;
}

std::string_view ImportTextOf(std::string_view bytes) {
  const size_t end = bytes.find_first_of(std::string_view("\0\x1A", 2));
  return end == std::string_view::npos ? bytes : bytes.substr(0, end);
}

ImportList::~ImportList() {
  for (AccountRecord& a : accounts) {
    SecureWipe(a.user);
    SecureWipe(a.password);
  }
}

ImportList ParseImportText(std::string_view text) {
  ImportList list;
  std::vector<Text> lines = SplitImportLines(text);
  list.lineCount = lines.size();
  for (Text& line : lines) {
    if (auto account = ParseImportLine(line)) {
      list.accounts.push_back(std::move(*account));
    } else if (!TrimImportText(line).empty()) {
      ++list.skipped;
    }
    SecureWipe(line);
  }
  return list;
}

ImportResult ImportAccountText(const AccountStore& store, std::string_view text) {
  ImportResult result;
  ImportList list;
  try {
    list = ParseImportText(text);
  } catch (const std::bad_alloc&) {  // a text of very many lines in a 32-bit process
    ReportIf(true);
    result.outcome = TableOutcome::kWriteFailed;
    return result;
  }
  result.lineCount = list.lineCount;
  result.skipped = list.skipped;
  if (!list.accounts.empty()) result.outcome = AddAccountsWithNewPids(store, list.accounts);
  if (!Succeeded(result.outcome)) return result;
  result.imported = list.accounts.size();
  if (store.log) store.log("Importing Data " + std::to_string(list.lineCount));
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
