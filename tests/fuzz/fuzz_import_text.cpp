// Import files in every encoding on arbitrary bytes: detection, decoding, line splitting and
// the counts the window reports.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "exchange/import_lines.h"

using namespace quorrel;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

size_t converterCalls = 0;

// A code page of ASCII, the full-width space, U+4E00-U+5DFF (two made-up bytes each, the
// second 40-7F: never a space, CR, LF or A1) and the characters outside the BMP (four). It
// checks what it is handed.
std::optional<Text> FakeConverter(std::u16string_view line) {
  ++converterCalls;
  Text out;
  for (size_t i = 0; i < line.size(); ++i) {
    const char16_t c = line[i];
    Check(c != u'\r' && c != u'\n' && c != 0 && c != 0x1A);
    Check(c < 0xDC00 || c > 0xDFFF);  // a low surrogate only ever follows a high one
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c == 0x3000) {
      out += "\xA1\xA1";
    } else if (c >= 0x4E00 && c <= 0x5DFF) {
      out.push_back(static_cast<char>(0x81 + ((c - 0x4E00) >> 6)));
      out.push_back(static_cast<char>(0x40 + ((c - 0x4E00) & 0x3F)));
    } else if (c >= 0xD800 && c <= 0xDBFF) {
      Check(i + 1 < line.size() && line[i + 1] >= 0xDC00 && line[i + 1] <= 0xDFFF);
      out += "\x90\x30\x81\x30";
      ++i;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

// Half the two-byte UTF-8 sequences (an even lead) are double-byte characters of the fake.
bool FakePair(unsigned char lead, unsigned char trail) {
  Check(lead >= 0xC2 && lead <= 0xDF && trail >= 0x80 && trail <= 0xBF);
  return lead % 2 == 0;
}

constexpr AnsiCodePage kFake{&FakeConverter, &FakePair};

ImportLines Decode(std::string_view bytes, size_t& calls, size_t maxLines = kNoLineLimit) {
  converterCalls = 0;
  ImportLines lines = DecodeImportFile(bytes, kFake, maxLines);
  calls = converterCalls;
  return lines;
}

bool Same(const ImportLines& a, const ImportLines& b) {
  return a.lines == b.lines && a.lineCount == b.lineCount && a.unstorableCount == b.unstorableCount &&
         a.accountLines == b.accountLines && a.beyondLimit == b.beyondLimit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const ImportEncoding encoding = DetectImportEncoding(input, &FakePair);

  size_t calls = 0;
  const ImportLines lines = Decode(input, calls);
  Check(!lines.beyondLimit && lines.lineCount == lines.lines.size() + lines.unstorableCount);
  Check(lines.accountLines <= lines.lineCount);
  // A limit of the account lines takes the same lines; one below only counts them.
  size_t limitCalls = 0;
  Check(Same(lines, Decode(input, limitCalls, lines.accountLines)));
  const ImportLines cut = Decode(input, limitCalls, lines.accountLines - 1);  // no limit for 0 lines
  Check(lines.accountLines == 0 || (cut.beyondLimit && cut.lineCount == lines.lineCount &&
                                    cut.accountLines == lines.accountLines && cut.lines.empty()));
  for (const Text& line : lines.lines) Check(line.find_first_of("\r\n") == Text::npos);

  if (encoding == ImportEncoding::kAnsi) {
    // Byte for byte the ANSI rules, without the converter.
    Check(calls == 0);
    Check(Same(lines, SplitImportLines(ImportTextOf(input))));
  } else {
    // Every line but those with an unpaired surrogate goes through the converter once.
    Check(lines.lines.size() <= calls && calls <= lines.lineCount);
    if (lines.unstorableCount == 0 && !lines.lines.empty() && !lines.lines.front().empty()) {
      // The whole text was trimmed before it was split (the fake makes no space bytes).
      Check(lines.lines.front().front() != ' ' && !lines.lines.front().starts_with("\xA1\xA1"));
    }
  }

  // The same text in the other byte order, or with the mark it went without, reads the same.
  size_t otherCalls = 0;
  if (encoding == ImportEncoding::kUtf16Le || encoding == ImportEncoding::kUtf16Be) {
    std::string swapped(encoding == ImportEncoding::kUtf16Le ? "\xFE\xFF" : "\xFF\xFE");
    size_t i = 2;
    for (; i + 1 < input.size(); i += 2) swapped += std::string{input[i + 1], input[i]};
    swapped.append(input.substr(i));
    Check(DetectImportEncoding(swapped, &FakePair) != encoding);
    Check(Same(lines, Decode(swapped, otherCalls)));
  } else if (encoding == ImportEncoding::kUtf8 && !input.starts_with("\xEF\xBB\xBF")) {
    Check(Same(lines, Decode("\xEF\xBB\xBF" + std::string(input), otherCalls)));
  }

  const ImportList list = ParseImportLines(Decode(input, calls));
  Check(list.lineCount == lines.lineCount);
  Check(list.skippedLines >= lines.unstorableCount);
  Check(list.accounts.size() + list.skippedLines <= list.lineCount);
  Check(list.accounts.size() <= lines.accountLines && list.unstorableLines == lines.unstorableCount);
  return 0;
}
