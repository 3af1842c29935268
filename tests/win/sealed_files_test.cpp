// Files sealed as every earlier version sealed them, byte for byte (made outside the program,
// with Python's hashlib and cryptography, from the layouts in the headers): the crypto library
// the exe ships opens each exactly as before, and holds only the algorithms the program uses.
#include <gcrypt.h>
#include <gtest/gtest.h>

#include "base/crypto_lib.h"
#include "exchange/account_file.h"
#include "security/startup_pin.h"
#include "store/account_table.h"
#include "store/memory_file_system.h"

using namespace quorrel;

// PBKDF2-SHA256 at 100,000 iterations, AES-256-GCM: two accounts, one with a GBK name.
constexpr char kTable[] =
    "51524c54424c1a0001000101a08601008f1c2a5d7e3b9046a1d2c3b4e5f607185a17c0de9b3e28f4d6a1b2c38c000000db0b75fdadad"
    "7d50037627449a8e907e29f97c5c8c42a426a505a21701933f4b5ff459c4775f7b6b2ea8f2d9a06790d36751862fb9596033d24457"
    "8832c15a909c3ebad12090f28c2710c2f763444494825c6d8e116758c442cd31bac60e0cc35e9cc77e69f22afdd717dcef48e36044"
    "52ff5a4654d63e1524713b65f0e523c033c294658ff9c87c7de752bbf3029c1be8e688a7e438dcf12e165988";

TEST(SealedFiles, TablesAccountFilesAndPinsOfEarlierVersionsOpenAsBefore) {
  MemoryTableFileSystem fs;
  AccountStore store{"UserData.edb", &fs, [](std::string_view) {}, {}};
  const std::vector<std::string> accounts = {
      "10001|\xB9\xA4\xD7\xF7\xD3\xCA\xCF\xE4|zhang.san@example.cn|Pa55----w0rd!", "48213|QQ|12345678|"};
  for (size_t flip : {size_t{0}, size_t{100}, size_t{203}}) {  // none, a ciphertext byte, the tag
    std::string& file = fs.files["UserData.edb"];
    file.clear();
    for (size_t i = 0; i + 1 < sizeof kTable; i += 2)
      file += static_cast<char>(std::stoi(std::string(kTable + i, 2), nullptr, 16));
    if (flip) file[flip] ^= 1;
    std::vector<std::string> seen;
    EXPECT_EQ(ForEachAccount(store, [&](int, const AccountRecord& r) {
                seen.push_back(r.pid + "|" + r.name + "|" + r.user + "|" + r.password.str());
              }), flip ? TableOutcome::kCannotOpen : TableOutcome::kOpened) << flip;
    EXPECT_EQ(seen, flip ? std::vector<std::string>{} : accounts) << flip;
  }
  const char pw[] = "2528232922202127242622287B9983CFFD0FED0C73D3D3D3D43757362756430AFCAD1FEA4A15DF55";
  EXPECT_EQ(ParseAccountFileContent(pw).str(), "\xC0\xEE\xC0\xD7----Secret \xBF\xDA\xC1\xEE");
  EXPECT_TRUE(PinMatches("22252820970247DDB", "2580"));
  EXPECT_FALSE(PinMatches("22252820970247DDB", "2581"));
}

TEST(CryptoLibrary, HoldsOnlyTheAlgorithmsTheProgramUses) {
  ASSERT_TRUE(InitCryptoLibrary());
  EXPECT_EQ(gcry_cipher_test_algo(GCRY_CIPHER_AES256) | gcry_md_test_algo(GCRY_MD_MD5) |
                gcry_md_test_algo(GCRY_MD_SHA256), 0u);
  for (int c : {GCRY_CIPHER_TWOFISH, GCRY_CIPHER_SERPENT256, GCRY_CIPHER_CAMELLIA256, GCRY_CIPHER_3DES,
                GCRY_CIPHER_CHACHA20})
    EXPECT_NE(gcry_cipher_test_algo(c), 0u) << c;
  for (int md : {GCRY_MD_SHA512, GCRY_MD_WHIRLPOOL, GCRY_MD_BLAKE2B_512, GCRY_MD_SHA3_256})
    EXPECT_NE(gcry_md_test_algo(md), 0u) << md;
  for (int pk : {GCRY_PK_RSA, GCRY_PK_DSA, GCRY_PK_ECC, GCRY_PK_ELG}) EXPECT_NE(gcry_pk_test_algo(pk), 0u) << pk;
}
