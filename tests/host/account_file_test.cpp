#include "exchange/account_file.h"

#include <gtest/gtest.h>

#include <set>

#include "security/cipher.h"

using namespace quorrel;

namespace {

uint32_t FrozenTicks() { return 4242; }

// Restores the real tick source even when an assertion fails.
struct FrozenClock {
  FrozenClock() { SetTickSourceForTesting(&FrozenTicks); }
  ~FrozenClock() { SetTickSourceForTesting(nullptr); }
};

bool OnlyUpperHex(const Text& t) { return t.find_first_not_of("0123456789ABCDEF") == Text::npos; }

}  // namespace

TEST(RandomText, DefaultsToTwelveDigits) {
  Text key = RandomText(12, 0);
  ASSERT_EQ(key.size(), 12u);
  EXPECT_EQ(key.find_first_not_of("0123456789"), Text::npos);
  EXPECT_EQ(RandomText(0, 0), "");
  EXPECT_EQ(RandomText(-5, 15), "");
}

TEST(RandomText, CallsWithinOneMillisecondDiffer) {
  FrozenClock clock;
  std::set<Text> seen;
  for (int i = 0; i < 50; ++i) seen.insert(RandomText(12, 0));
  EXPECT_EQ(seen.size(), 50u);
}

TEST(RandomText, DrawsOnlyFromTheSelectedClasses) {
  const Text punctuation = " !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";
  ASSERT_EQ(punctuation.size(), 33u);
  struct Case {
    int mask;
    Text allowed;
  } cases[] = {
      {kRandomDigits, "0123456789"},
      {kRandomLower, "abcdefghijklmnopqrstuvwxyz"},
      {kRandomUpper, "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
      {kRandomPunctuation, punctuation},
      {16 | 32 | 1024, "0123456789"},  // only unknown bits: as if none were set
      {kRandomLower | 16, "abcdefghijklmnopqrstuvwxyz"},
  };
  for (const Case& c : cases) {
    Text t = RandomText(2000, c.mask);
    ASSERT_EQ(t.size(), 2000u);
    EXPECT_EQ(t.find_first_not_of(c.allowed), Text::npos) << "mask " << c.mask;
    // 2000 draws from a pool of at most 33 should hit every character.
    EXPECT_EQ(std::set<char>(t.begin(), t.end()).size(), c.allowed.size()) << "mask " << c.mask;
  }
  Text all = RandomText(5000, 15);
  EXPECT_EQ(std::set<char>(all.begin(), all.end()).size(), 95u);
}

TEST(AccountFile, ContentMatchesTheFormat) {
  Text content = BuildAccountFileContent("bob", "pw", "123456789012");
  // Header: "123456789012" ^ 0x10 + tag of "Morvy1998"; body: "bob----pw" ^ 0x10 + tag of K.
  EXPECT_EQ(content, "212223242526272829202122" "7B9983CFF"
                     "727F723D3D3D3D6067" "17973CD67");
  EXPECT_EQ(ParseAccountFileContent(content), "bob----pw");
}

TEST(AccountFile, SizeAndAlphabet) {
  struct Case {
    Text user, password;
  } cases[] = {{"bob", "pw"}, {"", ""}, {"\xD5\xC5\xC8\xFD", "p@ss w0rd"}, {"u", Text(512, 'x')}};
  for (const Case& c : cases) {
    Text content = BuildAccountFileContent(c.user, c.password);
    EXPECT_EQ(content.size(), 33 + 2 * (c.user.size() + 4 + c.password.size()) + 9);
    EXPECT_TRUE(OnlyUpperHex(content));
    EXPECT_EQ(ParseAccountFileContent(content), c.user + "----" + c.password);
  }
}

TEST(AccountFile, EachExportHasItsOwnKey) {
  FrozenClock clock;
  Text first = BuildAccountFileContent("bob", "pw");
  Text second = BuildAccountFileContent("bob", "pw");
  EXPECT_NE(first.substr(0, 33), second.substr(0, 33));
  EXPECT_EQ(ParseAccountFileContent(first), ParseAccountFileContent(second));
}

TEST(AccountFile, RefusesAKeyOfTheWrongShape) {
  EXPECT_EQ(BuildAccountFileContent("bob", "pw", "12345"), "");
  EXPECT_EQ(BuildAccountFileContent("bob", "pw", std::string_view("12345\0" "789012", 12)), "");
}

TEST(AccountFile, DamagedFilesReadAsEmpty) {
  const Text good = BuildAccountFileContent("bob", "pw", "123456789012");
  ASSERT_EQ(ParseAccountFileContent(good), "bob----pw");

  Text digit = good;
  digit[5] = digit[5] == '3' ? '4' : '3';  // a header digit: the key changes
  EXPECT_EQ(ParseAccountFileContent(digit), "");

  Text headerTag = good;
  headerTag[30] = headerTag[30] == 'C' ? 'D' : 'C';
  EXPECT_EQ(ParseAccountFileContent(headerTag), "");

  Text bodyTag = good;
  bodyTag.back() = bodyTag.back() == '7' ? '8' : '7';
  EXPECT_EQ(ParseAccountFileContent(bodyTag), "");

  EXPECT_EQ(ParseAccountFileContent(good + "\r\n"), "");  // an editor added a line ending
  EXPECT_EQ(ParseAccountFileContent(good.substr(0, 32)), "");
  EXPECT_EQ(ParseAccountFileContent(good.substr(0, 33)), "");
  EXPECT_EQ(ParseAccountFileContent(good.substr(0, good.size() - 1)), "");
  EXPECT_EQ(ParseAccountFileContent(""), "");
  EXPECT_EQ(ParseAccountFileContent("not an account file at all, just some text"), "");
}

TEST(AccountFile, LowerCaseHeaderDigitsStillRead) {
  // Key with digits whose masked hex has letters: '<' ^ 0x10 = 0x2C -> "2C".
  Text content = BuildAccountFileContent("bob", "pw", "<<<<<<<<<<<<");
  ASSERT_EQ(ParseAccountFileContent(content), "bob----pw");
  for (size_t i = 0; i < 24; ++i) {
    if (content[i] >= 'A' && content[i] <= 'F') content[i] = static_cast<char>(content[i] + 32);
  }
  EXPECT_EQ(ParseAccountFileContent(content), "bob----pw");
  // Hex digits of the body may be lower case as well; only the tags are case-sensitive.
  Text good = BuildAccountFileContent("bob", "pw", "123456789012");
  good[36] = 'f';  // "7F" of 'o' -> "7f"
  EXPECT_EQ(ParseAccountFileContent(good), "bob----pw");
}

TEST(AccountFile, BytesAfterZeroOr1AAreIgnored) {
  const Text good = BuildAccountFileContent("bob", "pw", "123456789012");
  EXPECT_EQ(ParseAccountFileContent(good + std::string("\0garbage\r\n", 10)), "bob----pw");
  EXPECT_EQ(ParseAccountFileContent(good + "\x1A" "garbage"), "bob----pw");
  // A stop byte inside the content cuts it short.
  EXPECT_EQ(ParseAccountFileContent(good.substr(0, 40) + "\x1A" + good.substr(40)), "");
}

TEST(AccountFile, RejectsBodySealedUnderTheEmptyKey) {
  // Header for the wrong key gives an empty key; a body sealed under "" must not be trusted.
  Text forged = EncipherText("123456789012", "other") + EncipherText("eve----x", "");
  ASSERT_EQ(forged.size(), 33u + 2 * 8 + 9);
  EXPECT_EQ(ParseAccountFileContent(forged), "");
}

TEST(AccountFile, SeparatorInUserNameSplitsAtTheFirstOne) {
  Text inner = ParseAccountFileContent(BuildAccountFileContent("a----b", "pw"));
  ASSERT_EQ(inner, "a----b----pw");
  std::vector<Text> parts = SplitText(inner, kAccountFileSeparator);
  ASSERT_GE(parts.size(), 2u);
  EXPECT_EQ(parts[0], "a");
  EXPECT_EQ(parts[1], "b");
}

TEST(AccountFileName, BuildsTheDesktopFileName) {
  EXPECT_EQ(AccountFileBaseName("QQ", "10001"), "#QQ 10001");
  EXPECT_EQ(AccountFileName(AccountFileBaseName("QQ", "10001")), "#QQ 10001.Pw");
}

TEST(IsSafeFileBaseName, AcceptsOrdinaryAndChineseNames) {
  EXPECT_TRUE(IsSafeFileBaseName("#QQ 10001"));
  EXPECT_TRUE(IsSafeFileBaseName("#\xCE\xA2\xD0\xC5 user@mail.com"));  // 微信
  // GBK characters whose trail byte is 0x5C ('\') or 0x7C ('|'): part of the character.
  EXPECT_TRUE(IsSafeFileBaseName("#\xCB\xFB\x81\x5C x"));
  EXPECT_TRUE(IsSafeFileBaseName("#\xB9\x7C name"));
  EXPECT_TRUE(IsSafeFileBaseName("\x81\x5C"));
  EXPECT_TRUE(IsSafeFileBaseName("#con"));       // not a device name with the '#'
  EXPECT_TRUE(IsSafeFileBaseName("console"));
  EXPECT_TRUE(IsSafeFileBaseName("a.b"));
}

TEST(IsSafeFileBaseName, RejectsPathsAndForbiddenCharacters) {
  EXPECT_FALSE(IsSafeFileBaseName(""));
  EXPECT_FALSE(IsSafeFileBaseName("."));
  EXPECT_FALSE(IsSafeFileBaseName(".."));
  EXPECT_FALSE(IsSafeFileBaseName("..\\..\\x"));
  EXPECT_FALSE(IsSafeFileBaseName("#a ..\\..\\Startup\\x"));
  EXPECT_FALSE(IsSafeFileBaseName("a/b"));
  EXPECT_FALSE(IsSafeFileBaseName("C:x"));
  for (char c : Text("*?\"<>|")) EXPECT_FALSE(IsSafeFileBaseName(Text("#a") + c + "b")) << c;
  EXPECT_FALSE(IsSafeFileBaseName(std::string_view("#a\0b", 4)));
  EXPECT_FALSE(IsSafeFileBaseName("#a\tb"));
  EXPECT_FALSE(IsSafeFileBaseName("#a\x1F"));
  // ".Pw" follows the base name, so a trailing space (empty user name) or dot is harmless.
  EXPECT_TRUE(IsSafeFileBaseName("#name "));
  EXPECT_TRUE(IsSafeFileBaseName("#name."));
  // Single-byte separator after a complete double-byte character is still a separator.
  EXPECT_FALSE(IsSafeFileBaseName("\xCB\xFB\\x"));
  // A cut or malformed double-byte character.
  EXPECT_FALSE(IsSafeFileBaseName("#a\xCB"));
  EXPECT_FALSE(IsSafeFileBaseName("#a\x81/x"));
  EXPECT_FALSE(IsSafeFileBaseName("#a\x81\x7Fx"));
}

TEST(IsSafeFileBaseName, RejectsDeviceNames) {
  for (const char* name : {"CON", "con", "Nul", "PRN", "AUX", "COM1", "lpt9", "NUL.txt", "CON .a"}) {
    EXPECT_FALSE(IsSafeFileBaseName(name)) << name;
  }
  EXPECT_TRUE(IsSafeFileBaseName("COM"));
  EXPECT_TRUE(IsSafeFileBaseName("COM10"));
}
