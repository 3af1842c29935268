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

}  // namespace

TEST(RandomText, DrawsOnlyFromTheSelectedClassesAndDiffersWithinAMillisecond) {
  const Text punctuation = " !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";
  const struct {
    int mask;
    Text allowed;
  } cases[] = {
      {0, "0123456789"},
      {kRandomDigits, "0123456789"},
      {kRandomLower | 16, "abcdefghijklmnopqrstuvwxyz"},
      {kRandomUpper, "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
      {kRandomPunctuation, punctuation},
      {16 | 32 | 1024, "0123456789"},  // only unknown bits: as if none were set
  };
  for (const auto& c : cases) {
    Text t = RandomText(2000, c.mask);
    ASSERT_EQ(t.size(), 2000u);
    EXPECT_EQ(t.find_first_not_of(c.allowed), Text::npos) << "mask " << c.mask;
    EXPECT_EQ(std::set<char>(t.begin(), t.end()).size(), c.allowed.size()) << "mask " << c.mask;
  }
  Text all = RandomText(5000, 15);
  EXPECT_EQ(std::set<char>(all.begin(), all.end()).size(), 95u);
  EXPECT_EQ(RandomText(0, 0), "");
  EXPECT_EQ(RandomText(-5, 15), "");

  FrozenClock clock;
  std::set<Text> seen;
  for (int i = 0; i < 50; ++i) seen.insert(RandomText(12, 0));
  EXPECT_EQ(seen.size(), 50u);
  // Each export has its own key, even within one millisecond.
  Text first = BuildAccountFileContent("bob", "pw"), second = BuildAccountFileContent("bob", "pw");
  EXPECT_NE(first.substr(0, 33), second.substr(0, 33));
  EXPECT_EQ(ParseAccountFileContent(first), ParseAccountFileContent(second));
}

TEST(AccountFile, ContentHasTheExactSizeAndOnlyUpperHexDigits) {
  // Header: "123456789012" ^ 0x10 + tag of "Morvy1998"; body: "bob----pw" ^ 0x10 + tag of the key.
  EXPECT_EQ(BuildAccountFileContent("bob", "pw", "123456789012"),
            "212223242526272829202122" "7B9983CFF" "727F723D3D3D3D6067" "17973CD67");
  const struct {
    Text user, password;
  } cases[] = {{"", ""}, {"\xD5\xC5\xC8\xFD", "p@ss w0rd"}, {"u", Text(512, 'x')}, {"bob", "pa----ss"}};
  for (const auto& c : cases) {
    Text content = BuildAccountFileContent(c.user, c.password);
    EXPECT_EQ(content.size(), 33 + 2 * (c.user.size() + 4 + c.password.size()) + 9);
    EXPECT_EQ(content.find_first_not_of("0123456789ABCDEF"), Text::npos) << content;
    EXPECT_EQ(ParseAccountFileContent(content), c.user + "----" + c.password);
    // Read back as the input window reads it: a password may hold the separator.
    const AccountFileParts parts = SplitAccountFileInner(ParseAccountFileContent(content).view());
    EXPECT_EQ((std::pair{parts.user.str(), parts.password.str()}), (std::pair{c.user, c.password})) << c.password;
  }
  const std::string_view badKeys[] = {"12345", "12345678901", "1234567890123", {"12345\0" "789012", 12}};
  for (std::string_view key : badKeys) EXPECT_EQ(BuildAccountFileContent("bob", "pw", key), "") << key.size();
  // A separator in the user name: the first one splits.
  std::vector<Text> parts = SplitText(ParseAccountFileContent(BuildAccountFileContent("a----b", "pw")).view(),
                                      kAccountFileSeparator);
  ASSERT_GE(parts.size(), 2u);
  EXPECT_EQ(parts[0], "a");
}

TEST(AccountFile, DamagedFilesReadAsEmpty) {
  const Text good = BuildAccountFileContent("bob", "pw", "123456789012");
  ASSERT_EQ(ParseAccountFileContent(good), "bob----pw");
  auto changed = [&](size_t at, char a, char b) {
    Text t = good;
    t[at] = t[at] == a ? b : a;
    return t;
  };
  EXPECT_EQ(ParseAccountFileContent(changed(5, '3', '4')), "");  // a header digit: another key
  EXPECT_EQ(ParseAccountFileContent(changed(30, 'C', 'D')), "");  // the header tag
  EXPECT_EQ(ParseAccountFileContent(changed(good.size() - 1, '7', '8')), "");  // the body tag
  EXPECT_EQ(ParseAccountFileContent(good + "\r\n"), "");  // an editor added a line ending
  for (size_t n : {size_t{0}, size_t{32}, size_t{33}, good.size() - 1})
    EXPECT_EQ(ParseAccountFileContent(good.substr(0, n)), "") << n;
  EXPECT_EQ(ParseAccountFileContent("not an account file at all, just some text"), "");
  // Bytes after a 0 or 1A byte are ignored; one inside the content cuts it short.
  EXPECT_EQ(ParseAccountFileContent(good + std::string("\0garbage\r\n", 10)), "bob----pw");
  EXPECT_EQ(ParseAccountFileContent(good + "\x1A" "garbage"), "bob----pw");
  EXPECT_EQ(ParseAccountFileContent(good.substr(0, 40) + "\x1A" + good.substr(40)), "");
  // Keys of 11 or 13 digits: nothing this program writes.
  for (Text key : {"12345678901", "1234567890123"})
    EXPECT_EQ(ParseAccountFileContent(EncipherText(key, kAccountFileHeaderKey) + EncipherText("bob----pw", key)), "");
  // A header for the wrong key gives the empty key; a body sealed under "" is not trusted.
  EXPECT_EQ(ParseAccountFileContent(EncipherText("123456789012", "other") + EncipherText("eve----x", "")), "");
}

TEST(AccountFile, LowerCaseHexDigitsStillRead) {
  // '<' ^ 0x10 = 0x2C: a key whose header has letters.
  Text content = BuildAccountFileContent("bob", "pw", "<<<<<<<<<<<<");
  for (size_t i = 0; i < 24; ++i)
    if (content[i] >= 'A' && content[i] <= 'F') content[i] = static_cast<char>(content[i] + 32);
  EXPECT_EQ(ParseAccountFileContent(content), "bob----pw");
  Text good = BuildAccountFileContent("bob", "pw", "123456789012");
  good[36] = 'f';  // body digits too; only the tags are case-sensitive
  EXPECT_EQ(ParseAccountFileContent(good), "bob----pw");
}

TEST(AccountFileName, BuildsTheDesktopFileName) {
  EXPECT_EQ(AccountFileName(AccountFileBaseName("QQ", "10001")), "#QQ 10001.Pw");
}

TEST(IsSafeFileBaseName, AcceptsOrdinaryAndChineseNamesRejectsPathsAndForbiddenCharacters) {
  // GBK characters whose trail byte is 0x5C ('\') or 0x7C ('|') are part of the character;
  // ".Pw" follows, so a trailing space or dot is harmless.
  for (const char* ok : {"#QQ 10001", "#\xCE\xA2\xD0\xC5 user@mail.com", "#\xCB\xFB\x81\x5C x", "#\xB9\x7C name",
                         "\x81\x5C", "#con", "COM", "COM10", "a.b", "#name ", "#name."})
    EXPECT_TRUE(IsSafeFileBaseName(ok)) << ok;
  for (const char* bad : {"", ".", "..", "..\\..\\x", "#a ..\\..\\Startup\\x", "a/b", "C:x", "#a\tb", "#a\x1F",
                          "\xCB\xFB\\x", "#a\xCB", "#a\x81/x", "#a\x81\x7Fx", "CON", "con", "Nul", "PRN", "AUX",
                          "COM0", "COM1", "lpt0", "lpt9", "NUL.txt", "CON .a"})
    EXPECT_FALSE(IsSafeFileBaseName(bad)) << bad;
  for (char c : Text("*?\"<>|")) EXPECT_FALSE(IsSafeFileBaseName(Text("#a") + c + "b")) << c;
  EXPECT_FALSE(IsSafeFileBaseName(std::string_view("#a\0b", 4)));
}

TEST(IsSafeFileBaseName, ChecksTheDecodedNameAndFollowsTheLeadByteRuleItIsGiven) {
  for (const wchar_t* ok : {L"#QQ 10001", L"#Caf\u00e9 user", L"#\u8868\u683C x", L"#con", L"COM10", L"#name ."})
    EXPECT_TRUE(IsSafeFileBaseName(std::wstring_view(ok)));
  for (const wchar_t* bad : {L"", L".", L"..", L"#a\\b", L"..\\x", L"#a/b", L"C:x", L"#a\tb", L"CON", L"con.txt",
                             L"LPT1 .a", L"#a\u001Fb"})
    EXPECT_FALSE(IsSafeFileBaseName(std::wstring_view(bad)));
  for (wchar_t c : std::wstring(L"*?\"<>|")) EXPECT_FALSE(IsSafeFileBaseName(std::wstring(L"#a") + c + L"b"));
  EXPECT_FALSE(IsSafeFileBaseName(std::wstring_view(L"#a\0b", 4)));

  // In a code page without double-byte characters "Caf\xE9" is "Café", and 0x5C after 0xCB
  // is a backslash; the GBK rule reads both the other way.
  auto single_byte = [](unsigned char) { return false; };
  EXPECT_TRUE(IsSafeFileBaseName("#Caf\xE9 user", single_byte));
  EXPECT_FALSE(IsSafeFileBaseName("#Caf\xE9 user"));
  EXPECT_FALSE(IsSafeFileBaseName("#\xCB\x5C x", single_byte));
  EXPECT_TRUE(IsSafeFileBaseName("#\xCB\x5C x"));
}
