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

  std::vector<Text> lines = SplitImportLines(text);
  ImportList list = ParseImportText(text);
  Check(list.lineCount == lines.size());
  size_t accepted = 0;
  for (const Text& line : lines) {
    Check(line.find("\r\n") == Text::npos);
    auto account = ParseImportLine(line);
    Check(account.has_value() == (CountSeparators(line, kImportSeparator) == 2));
    if (!account) continue;
    ++accepted;
    // The three fields and their two separators make up the trimmed line.
    Check(account->name + "----" + account->user + "----" + account->password == TrimImportText(line));
    Check(account->name.find("----") == Text::npos && account->user.find("----") == Text::npos);
  }
  Check(list.accounts.size() == accepted);

  const Text name = FileNameOfPath(input);
  Check(input.ends_with(name));
  return 0;
}
