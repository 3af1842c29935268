// Password exports (CSV) on arbitrary bytes: records, headers, the choice between lines and
// an export, and the accounts and counts the window reports.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "exchange/csv_import.h"

using namespace quorrel;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// ASCII and U+4E00-U+5DFF (two made-up bytes, the second 40-7F); nothing else is storable.
std::optional<Text> FakeConverter(std::u16string_view text) {
  Text out;
  for (char16_t c : text) {
    Check(c != 0);
    if (c >= 0x80 && (c < 0x4E00 || c > 0x5DFF)) return std::nullopt;
    if (c >= 0x80) out.push_back(static_cast<char>(0x81 + ((c - 0x4E00) >> 6)));
    out.push_back(static_cast<char>(c < 0x80 ? c : 0x40 + ((c - 0x4E00) & 0x3F)));
  }
  return out;
}
bool FakePair(unsigned char lead, unsigned char) { return lead % 2 == 0; }
constexpr AnsiCodePage kFake{&FakeConverter, &FakePair};

std::string Quoted(const std::vector<std::vector<Text>>& records) {
  std::string out;
  for (const auto& record : records) {
    out += out.empty() ? "" : "\r\n";
    for (size_t i = 0; i < record.size(); ++i) {
      out += i ? ",\"" : "\"";
      for (char c : record[i]) out += c == '"' ? std::string("\"\"") : std::string(1, c);
      out += '"';
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  // Records written back with every field quoted read as the same records.
  const auto records = SplitCsvRecords(input);
  Check(SplitCsvRecords(Quoted(records)) == records);
  for (const auto& record : records) Check(!record.empty());

  const std::string_view host = HostOfUrl(input);
  Check(input.find(host) != std::string_view::npos && FindAtCharStart(host, "/") == std::string_view::npos);

  const std::optional<CsvHeader> header = ReadCsvHeader(input);
  Check(!header || !header->names.empty());
  if (header && header->HoldsAccounts()) {
    ImportList list;
    const size_t possible = CountCsvAccounts(input, *header);
    ReadCsvAccounts(input, *header, possible, list);
    Check(list.accounts.size() == possible && list.unstorableLines == 0);  // every byte is storable
  }

  const ImportList list = ReadImportAccounts(input, kFake);
  Check(!list.beyondLimit && list.unstorableLines <= list.skippedLines);
  Check(list.accounts.size() + list.skippedLines <= list.lineCount && list.accounts.size() <= list.accountLines);
  if (list.format == ImportFormat::kCsv && !list.missingColumns) {
    // Every record with a password became an account or was unstorable.
    Check(list.accounts.size() + list.unstorableLines == list.accountLines);
    for (const AccountRecord& a : list.accounts) Check(!a.password.str().empty());
  }
  if (list.missingColumns) Check(list.format == ImportFormat::kCsv && list.accounts.empty() && !list.columns.empty());
  // One possible account fewer than there are: only counted.
  if (list.accountLines != 0 && !list.missingColumns) {
    const ImportList cut = ReadImportAccounts(input, kFake, list.accountLines - 1);
    Check(cut.beyondLimit && cut.accounts.empty() && cut.format == list.format && cut.lineCount == list.lineCount);
  }
  return 0;
}
