#include "security/startup_pin.h"

#include <gtest/gtest.h>

#include "security/cipher.h"

using namespace quorrel;

TEST(StartupPin, OnlyFourAsciiDigitsAreAPin) {
  for (std::string_view good : {"0000", "1234", "9999"}) EXPECT_TRUE(IsPinText(good)) << good;
  for (std::string_view bad : {"", "123", "12345", "12a4", " 123", "123 ", "-123", "１２３４"})
    EXPECT_FALSE(IsPinText(bad)) << bad;
  EXPECT_FALSE(IsPinText(std::string_view("12\0004", 4)));
}

TEST(StartupPin, AStoredValueHoldsAPinOnlyWhenItUnsealsToFourDigits) {
  // Each digit XOR 0x10 in hex, then the access password's tag: 17 characters.
  EXPECT_EQ(SealPin("0427"), "20242227" "970247DDB");
  EXPECT_TRUE(HoldsValidPin(SealPin("0427")));
  EXPECT_TRUE(HoldsValidPin(SealPin("0000")));
  // Missing, foreign, damaged or the wrong kind of text: no PIN, so no entry could match.
  EXPECT_FALSE(HoldsValidPin(""));
  EXPECT_FALSE(HoldsValidPin(EncipherText("0427", "another key")));
  EXPECT_FALSE(HoldsValidPin(SealPin("042")));
  EXPECT_FALSE(HoldsValidPin(SealPin("04271")));
  EXPECT_FALSE(HoldsValidPin(SealPin("04a7")));
  Text lowered = SealPin("0427");
  lowered.back() = static_cast<char>(lowered.back() | 0x20);
  EXPECT_FALSE(HoldsValidPin(lowered));
  EXPECT_FALSE(HoldsValidPin(SealPin("0427").substr(1)));
  // A zero byte cuts the unsealed text short: "04" is no PIN.
  EXPECT_FALSE(HoldsValidPin(SealPin(std::string_view("04\0" "27", 5))));
}
