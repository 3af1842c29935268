// Paths, export names and texts under the system's code page rather than a fixed GBK rule.
#include "base/encoding_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "exchange/account_file.h"

using namespace quorrel;

namespace {
// Real rules of other systems, from the system's own tables.
bool Cp1252LeadByte(unsigned char b) { return IsDBCSLeadByteEx(1252, b) != FALSE; }
bool Cp932LeadByte(unsigned char b) { return IsDBCSLeadByteEx(932, b) != FALSE; }
}  // namespace

TEST(SystemCodePage, PathsAndExportNamesFollowItsLeadByteRuleAndTextsDecodeExactly) {
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    EXPECT_EQ(IsSystemLeadByte(byte), IsDBCSLeadByteEx(GetACP(), byte) != FALSE) << b;
    if (GetACP() == 936) {
      EXPECT_EQ(IsSystemLeadByte(byte), IsLeadByte(byte)) << b;
    }
  }
  // "C:\Café\Quorrel.exe" as code page 1252 writes it: 0xE9 is a character of its own, and
  // the GBK rule took the backslash after it for a trail byte, one folder too high.
  const std::string cafe = "C:\\Caf\xE9\\Quorrel.exe";
  EXPECT_EQ(LastPathSeparator(cafe, &Cp1252LeadByte), 7u);
  // Shift-JIS "表" is 0x95 0x5C.
  EXPECT_EQ(LastPathSeparator("C:\\\x95\x5C\\Q.exe", &Cp932LeadByte), 5u);

  // Export names are checked as the system decodes them.
  EXPECT_TRUE(IsSafeFileBaseName("#Caf\xE9 user", &Cp1252LeadByte));
  EXPECT_TRUE(IsSafeFileBaseName("#\x95\x5C user", &Cp932LeadByte));
  EXPECT_FALSE(IsSafeFileBaseName("#\x95\x5C user", &Cp1252LeadByte));  // a backslash there

  // Exact decoding refuses bytes that are no character.
  EXPECT_EQ(AnsiToWideExact(Utf8ToAnsi("#账号 乗")), Utf8ToWide("#账号 乗"));
  EXPECT_FALSE(AnsiToWideExact("#a\x81").has_value());  // no character in code page 936
  EXPECT_FALSE(AnsiToWideExact("#\xFF\xFF").has_value());
}
