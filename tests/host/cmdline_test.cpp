#include "app/cmdline.h"

#include <gtest/gtest.h>

using namespace quorrel;

namespace {
using Args = std::vector<Text>;
}

TEST(SplitCommandLine, ProgramNameOnlyGivesNoArguments) {
  EXPECT_EQ(SplitCommandLine(""), Args{});
  EXPECT_EQ(SplitCommandLine("Quorrel.exe"), Args{});
  EXPECT_EQ(SplitCommandLine("Quorrel.exe "), Args{});
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\Quorrel.exe\""), Args{});
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\Quorrel.exe\" \t "), Args{});
  // A quoted name without its closing quote takes the whole line.
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\Quorrel.exe a.Pw"), Args{});
  // An unquoted name ends only at a space.
  EXPECT_EQ(SplitCommandLine("Quorrel.exe\ta.Pw"), Args{});
}

TEST(SplitCommandLine, QuotedAndUnquotedProgramNames) {
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\Quorrel.exe\" D:\\a.Pw"), Args{"D:\\a.Pw"});
  EXPECT_EQ(SplitCommandLine("C:\\Quorrel.exe D:\\a.Pw"), Args{"D:\\a.Pw"});
  EXPECT_EQ(SplitCommandLine("C:\\Quorrel.exe    D:\\a.Pw   "), Args{"D:\\a.Pw"});
  // The byte after the closing quote is only skipped when it is a space.
  EXPECT_EQ(SplitCommandLine("\"Quorrel.exe\"a.Pw"), Args{"a.Pw"});
  EXPECT_EQ(SplitCommandLine("\"\" a.Pw"), Args{"a.Pw"});
}

TEST(SplitCommandLine, QuotedArguments) {
  EXPECT_EQ(SplitCommandLine("q \"C:\\My Docs\\a b.Pw\""), Args{"C:\\My Docs\\a b.Pw"});
  EXPECT_EQ(SplitCommandLine("q \"a b\" c \"d\""), (Args{"a b", "c", "d"}));
  EXPECT_EQ(SplitCommandLine("q \"a\"\"b\""), (Args{"a", "b"}));
  // Missing closing quote: to the end of the line, trailing blanks included.
  EXPECT_EQ(SplitCommandLine("q \"a b \t"), Args{"a b \t"});
  EXPECT_EQ(SplitCommandLine("q x \"a"), (Args{"x", "a"}));
  // No escape character.
  EXPECT_EQ(SplitCommandLine("q \"a\\\" b\""), (Args{"a\\", "b", ""}));
}

TEST(SplitCommandLine, EmptyQuotedArgumentIsKept) {
  EXPECT_EQ(SplitCommandLine("q \"\""), Args{""});
  EXPECT_EQ(SplitCommandLine("q \"\" x"), (Args{"", "x"}));
  EXPECT_EQ(SplitCommandLine("q x \""), (Args{"x", ""}));
}

TEST(SplitCommandLine, ControlCharactersSeparateArguments) {
  EXPECT_EQ(SplitCommandLine("q a\tb\r\nc\x01" "d\x1F" "e \x7F"), (Args{"a", "b", "c", "d", "e", "\x7F"}));
  EXPECT_EQ(SplitCommandLine(std::string_view("q a\0b", 5)), (Args{"a", "b"}));
}

TEST(SplitCommandLine, QuoteRightAfterAnUnquotedArgumentStartsTheNext) {
  EXPECT_EQ(SplitCommandLine("q abc\"def ghi\""), (Args{"abc", "def ghi"}));
  EXPECT_EQ(SplitCommandLine("q abc\"def ghi\"jkl"), (Args{"abc", "def ghi", "jkl"}));
}

TEST(SplitCommandLine, GbkArguments) {
  // "测试" = B2 E2 CA D4 in GBK.
  const Text test = "\xB2\xE2\xCA\xD4";
  EXPECT_EQ(SplitCommandLine("q " + test + ".Pw"), Args{test + ".Pw"});
  EXPECT_EQ(SplitCommandLine("\"C:\\" + test + "\\Quorrel.exe\" \"D:\\" + test + " 1.Pw\""),
            Args{"D:\\" + test + " 1.Pw"});
  EXPECT_EQ(SplitCommandLine("C:\\" + test + ".exe " + test), Args{test});
}

TEST(SplitCommandLine, ByteAfterALeadByteIsNeverADelimiter) {
  // Not valid GBK, but the line may hold anything: 0x81 takes the next byte with it.
  EXPECT_EQ(SplitCommandLine("q a\x81\"b c"), (Args{"a\x81\"b", "c"}));
  EXPECT_EQ(SplitCommandLine("q a\x81 b"), Args{"a\x81 b"});
  EXPECT_EQ(SplitCommandLine("q \"a\x81\"b\" c"), (Args{"a\x81\"b", "c"}));
  EXPECT_EQ(SplitCommandLine("\"C:\\\x81\"x.exe\" a"), Args{"a"});
  EXPECT_EQ(SplitCommandLine("C:\\\x81 x.exe a"), Args{"a"});
  // A lead byte cut off at the end of the line.
  EXPECT_EQ(SplitCommandLine("q a\x81"), Args{"a\x81"});
  EXPECT_EQ(SplitCommandLine("q \"a\x81"), Args{"a\x81"});
  EXPECT_EQ(SplitCommandLine("\"q\x81"), Args{});
}
