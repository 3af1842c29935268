// The import's line rules on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "exchange/import_lines.h"

using namespace quorrel;

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const std::string_view text = ImportTextOf(input);
  Check(input.starts_with(text));
  Check(text.find_first_of(std::string_view("\0\x1A", 2)) == std::string_view::npos);

  const Text trimmed = TrimImportText(text);
  Check(text.find(trimmed) != std::string_view::npos);
  Check(TrimImportText(trimmed) == trimmed);
  // (A space byte can end it as the second byte of a double-byte character.)
  Check(trimmed.empty() || trimmed.front() != ' ');

  const ImportLines lines = SplitImportLines(text);
  Check(lines.lineCount == lines.lines.size() && lines.unstorableCount == 0);
  ImportList list = ParseImportText(text);
  Check(list.lineCount == lines.lineCount);
  size_t accepted = 0;
  size_t blank = 0;
  for (const Text& line : lines.lines) {
    Check(line.find_first_of("\r\n") == Text::npos);
    blank += TrimImportText(line).empty();
    auto account = ParseImportLine(line);
    Check(account.has_value() == (CountSeparators(line, kImportSeparator) == 2));
    if (!account) continue;
    ++accepted;
    // The three fields and their two separators make up the trimmed line.
    Check(account->name + "----" + account->user + "----" + account->password.str() == TrimImportText(line));
    Check(account->name.find("----") == Text::npos && account->user.find("----") == Text::npos);
  }
  Check(list.accounts.size() == accepted);
  Check(list.skippedLines == lines.lineCount - accepted - blank);

  const Text name = FileNameOfPath(input);
  Check(input.ends_with(name));
  return 0;
}
