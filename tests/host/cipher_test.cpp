#include "security/cipher.h"

#include <gtest/gtest.h>

#include <random>

using namespace quorrel;

namespace {
// Tags computed independently: characters 3..11 of each key's MD5, upper case.
constexpr char kTagMorvy[] = "7B9983CFF";  // md5("Morvy1998") = e07b9983cf...
constexpr char kTagConfig[] = "970247DDB";  // md5("Qm4Tz8LwRk2V") = 4f970247dd...
}  // namespace

TEST(Md5Hex, MatchesRfc1321TestSuite) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Md5Hex("1234567890123456789012345678901234567890"
                   "1234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5Hex, HashesEmbeddedZeroBytes) {
  // The data is bytes, not a C string: the zero and what follows count.
  EXPECT_EQ(Md5Hex(std::string_view("a\0b", 3)), "70350f6027bce3713f6b76473084309b");
  EXPECT_NE(Md5Hex(std::string_view("a\0b", 3)), Md5Hex("a"));
}

TEST(KeyTag, IsDigestCharacters3To11InUpperCase) {
  EXPECT_EQ(KeyTag("Morvy1998"), kTagMorvy);
  EXPECT_EQ(KeyTag("Qm4Tz8LwRk2V"), kTagConfig);
  EXPECT_EQ(KeyTag(""), "1D8CD98F0");
}

TEST(HexEncode, TwoUpperCaseDigitsPerByte) {
  EXPECT_EQ(HexEncode(""), "");
  EXPECT_EQ(HexEncode(std::string_view("\x00\x0F\x10\xB2\xFF", 5)), "000F10B2FF");
}

TEST(HexDecode, ReadsGroupsOfTwoFromTheStart) {
  EXPECT_EQ(HexDecode(""), "");
  EXPECT_EQ(HexDecode("4142"), "AB");
  EXPECT_EQ(HexDecode("b2fF"), "\xB2\xFF");  // lower case digits read like upper case
  // An odd last character is a group of its own.
  EXPECT_EQ(HexDecode("414"), std::string("A\x04"));
  EXPECT_EQ(HexDecode("F"), "\x0F");
}

TEST(HexDecode, SkipsNonDigitsWithinAGroup) {
  EXPECT_EQ(HexDecode("G5"), "\x05");       // only the 5 is a digit: weight 1
  EXPECT_EQ(HexDecode("5G"), "\x05");       // rightmost digit found gets weight 1
  EXPECT_EQ(HexDecode("zz41"), std::string("\0A", 2));  // a group with no digit reads 0
  EXPECT_EQ(HexDecode("4 1 "), "\x04\x01");  // groups are cut before skipping
}

TEST(EncipherText, SealsMaskedHexPlusKeyTag) {
  EXPECT_EQ(EncipherText("abc", "Morvy1998"), Text("717273") + kTagMorvy);
  // Double-byte characters: two digits per byte; 0xB2 ^ 0x10 = 0xA2.
  EXPECT_EQ(EncipherText("\xB2", "Morvy1998"), Text("A2") + kTagMorvy);
  EXPECT_EQ(EncipherText("\xC4\xE3", "Morvy1998"), Text("D4F3") + kTagMorvy);
  // Bytes that become < 0x10 keep their leading zero.
  EXPECT_EQ(EncipherText("\x11", "k"), "01" + KeyTag("k"));
}

TEST(EncipherText, EmptyPlainSealsToTheTagAlone) {
  Text sealed = EncipherText("", "Qm4Tz8LwRk2V");
  EXPECT_EQ(sealed, kTagConfig);
  EXPECT_EQ(sealed.size(), 9u);
  EXPECT_EQ(DecipherText(sealed, "Qm4Tz8LwRk2V"), "");
}

TEST(DecipherText, RefusesShortWrongKeyOrLowerCaseTag) {
  Text sealed = EncipherText("secret", "Qm4Tz8LwRk2V");
  ASSERT_EQ(DecipherText(sealed, "Qm4Tz8LwRk2V"), "secret");
  EXPECT_EQ(DecipherText(sealed, "Qm4Tz8LwRk2v"), "");
  EXPECT_EQ(DecipherText(sealed, ""), "");
  // Shorter than the tag: the whole text is compared and cannot match.
  EXPECT_EQ(DecipherText("970247DD", "Qm4Tz8LwRk2V"), "");
  EXPECT_EQ(DecipherText("", "Qm4Tz8LwRk2V"), "");
  // The tag is compared case-sensitively.
  Text lowered = sealed.substr(0, sealed.size() - 9) + "970247ddb";
  EXPECT_EQ(DecipherText(lowered, "Qm4Tz8LwRk2V"), "");
  // Truncating one digit of the hex part breaks the groups but not the tag.
  EXPECT_NE(DecipherText(sealed.substr(1), "Qm4Tz8LwRk2V"), "secret");
}

TEST(DecipherText, HexPartMayBeLowerCase) {
  EXPECT_EQ(DecipherText(Text("a2717273") + kTagMorvy, "Morvy1998"), "\xB2" "abc");
}

TEST(DecipherText, ZeroByteEndsThePlainText) {
  // "10" ^ 0x10 is the zero byte: everything from there on is dropped.
  EXPECT_EQ(DecipherText(Text("7172107374") + kTagMorvy, "Morvy1998"), "ab");
  EXPECT_EQ(DecipherText(Text("10") + kTagMorvy, "Morvy1998"), "");
  // A non-hex group reads as 0, ^ 0x10 gives 0x10, which is kept.
  EXPECT_EQ(DecipherText(Text("zz71") + kTagMorvy, "Morvy1998"), "\x10" "a");
}

TEST(Cipher, RoundTripsEveryTextWithoutZeroByte) {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<int> lengthDist(0, 600);
  std::uniform_int_distribution<int> byteDist(1, 255);
  const char* keys[] = {"Qm4Tz8LwRk2V", "Morvy1998", "", "\xC3\xDC\xC2\xEB"};
  for (int round = 0; round < 3000; ++round) {
    Text plain(static_cast<size_t>(lengthDist(rng)), '\0');
    for (char& c : plain) c = static_cast<char>(byteDist(rng));
    const char* key = keys[round % 4];
    Text sealed = EncipherText(plain, key);
    ASSERT_EQ(sealed.size(), plain.size() * 2 + 9);
    ASSERT_EQ(sealed.find_first_not_of("0123456789ABCDEF"), Text::npos);
    ASSERT_EQ(DecipherText(sealed, key), plain) << "round " << round;
    ASSERT_EQ(HexDecode(HexEncode(plain)), plain);
  }
  // Every byte value appears at least in one fixed text as well.
  Text all;
  for (int b = 1; b <= 255; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(DecipherText(EncipherText(all, "k"), "k"), all);
}
