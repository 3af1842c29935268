#include "store/table_container.h"

#include <gcrypt.h>
#include <gtest/gtest.h>

#include "base/crypto_lib.h"
#include "store/memory_file_system.h"
#include "table_test_support.h"

using namespace quorrel;
using quorrel::testing::FaultyFileSystem;

namespace {

constexpr char kPath[] = "t/UserData.edb";
constexpr char kPw[] = "Qm4Tz8LwRk2V";
using Strings = std::vector<std::string>;

// An independent writer of the documented layout, for files the container never writes.
void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}

std::string Record(const Strings& values, char flags = 0) {
  std::string s(1, flags);
  for (const auto& v : values) {
    Put32(s, static_cast<uint32_t>(v.size()));
    s += v;
  }
  return s;
}

std::string Schema(const Strings& names) {
  std::string s{static_cast<char>(names.size()), static_cast<char>(names.size() >> 8)};
  for (const auto& n : names) {
    s += '\x01';
    Put32(s, 512);
    s += static_cast<char>(n.size()) + n;
  }
  return s;
}

std::string SealRaw(std::string_view payload, uint16_t version = 1, uint8_t cipher = 1,
                    uint32_t iterations = 1000) {
  EXPECT_TRUE(InitCryptoLibrary());
  std::string salt(16, 's');
  unsigned char key[32];
  EXPECT_EQ(gcry_kdf_derive(kPw, sizeof kPw - 1, GCRY_KDF_PBKDF2, GCRY_MD_SHA256, salt.data(),
                            salt.size(), iterations, sizeof key, key),
            0u);
  std::string h("QRLTBL\x1A\0", 8);
  h += {static_cast<char>(version & 0xFF), static_cast<char>(version >> 8), static_cast<char>(cipher), '\x01'};
  Put32(h, iterations);
  h += salt + std::string(12, 'n');
  Put32(h, static_cast<uint32_t>(payload.size()));
  gcry_cipher_hd_t hd;
  EXPECT_EQ(gcry_cipher_open(&hd, GCRY_CIPHER_AES256, GCRY_CIPHER_MODE_GCM, 0), 0u);
  gcry_cipher_setkey(hd, key, sizeof key);
  gcry_cipher_setiv(hd, h.data() + 32, 12);
  gcry_cipher_authenticate(hd, h.data(), h.size());
  std::string body(payload.size(), '\0');
  if (!payload.empty()) gcry_cipher_encrypt(hd, body.data(), body.size(), payload.data(), payload.size());
  char tag[16];
  gcry_cipher_gettag(hd, tag, sizeof tag);
  gcry_cipher_close(hd);
  return h + body + std::string(tag, sizeof tag);
}

struct Table {
  FaultyFileSystem fs;
  TableContainer c{fs};
  Table() { EXPECT_TRUE(c.Create(kPath, {{"A", FieldType::kText, 512}, {"B", FieldType::kText, 512}}, kPw)); }
  bool Open() { return c.Open(kPath, kPw); }
  Strings Column(std::string_view name) {
    Strings out;
    for (c.GoToFirst(); !c.Eof(); c.Skip(1)) out.push_back(c.ReadField(name));
    return out;
  }
};

}  // namespace

TEST(TableContainer, CreateOpensOnlyWithItsPasswordAndNeverOverwrites) {
  Table t;
  EXPECT_FALSE(t.c.Open(kPath, "Qm4Tz8LwRk2v"));
  EXPECT_FALSE(t.c.Open(kPath, ""));
  ASSERT_TRUE(t.Open());
  EXPECT_EQ(t.c.RecordCount(), 0u);
  ASSERT_EQ(t.c.Fields().size(), 2u);
  EXPECT_EQ(t.c.Fields()[1].name, "B");
  EXPECT_EQ(t.fs.files.count(ReplaceTempPath(kPath)), 0u);

  t.fs.files[kPath] = "not a table";
  EXPECT_FALSE(t.c.Create(kPath, {{"A"}}, kPw));
  EXPECT_EQ(t.fs.files[kPath], "not a table");
  const std::vector<std::vector<FieldSpec>> bad = {
      {}, {{"", FieldType::kText, 1}}, {{"A"}, {"A"}}, {{std::string(65, 'N')}}, std::vector<FieldSpec>(65, {"X"})};
  for (const auto& fields : bad) EXPECT_FALSE(t.c.Create("t/other", fields, kPw));
  EXPECT_EQ(t.fs.Probe("t/other"), PathState::kAbsent);
  t.fs.unreadable.insert("t/unknown");  // cannot be checked: may be a table
  EXPECT_FALSE(t.c.Create("t/unknown", {{"A"}}, kPw));
  EXPECT_EQ(t.fs.write_calls, 1);
}

TEST(TableContainer, NeverReadsOrWritesAFileBeyondTheSizeLimit) {
  Table t;
  ASSERT_TRUE(t.Open());
  // Records of 1 MiB up to 300 bytes below the limit (the file adds 64 to the payload).
  const size_t target = kMaxTableFileBytes - 64 - 300;
  std::string payload = Schema({"A", "B"});
  const std::string big(kMaxStoredTextBytes, 'b');
  while (target - payload.size() > big.size() + 9) payload += Record({"", big});
  payload += Record({"", std::string(target - payload.size() - 9, 'c')});
  ASSERT_EQ(payload.size(), target);
  t.fs.files[kPath] = SealRaw(payload);
  ASSERT_TRUE(t.Open());
  const size_t count = t.c.RecordCount();
  const std::string before = t.fs.files[kPath];
  EXPECT_TRUE(t.c.Append({"x", std::string(100, 'y')}));    // 110 bytes: 190 to spare
  EXPECT_EQ(t.c.RoomLeft(), 190u);
  EXPECT_FALSE(t.c.Append({"x", std::string(181, 'y')}));   // 191 bytes: one past the limit
  EXPECT_TRUE(t.c.Append({"x", std::string(180, 'y')}));    // 190 bytes: the file is the limit
  EXPECT_EQ(t.fs.files[kPath].size(), kMaxTableFileBytes);
  ASSERT_TRUE(t.Open());
  EXPECT_EQ(t.c.RecordCount(), count + 2);
  t.c.GoToFirst();
  t.c.MarkDeleted();
  EXPECT_TRUE(t.c.Purge());  // shrinking is always fine
  ASSERT_TRUE(t.Open());
  EXPECT_EQ(t.c.RecordCount(), count + 1);

  t.fs.files[kPath] = before + std::string(kMaxTableFileBytes - before.size() + 1, '\0');
  EXPECT_FALSE(t.Open());
  EXPECT_FALSE(t.fs.ReadFile(kPath));
}

TEST(TableContainer, NavigatesAppendsFindsAndPurges) {
  Table t;
  ASSERT_TRUE(t.Open());
  ASSERT_TRUE(t.c.GoToLast());  // an empty table still has a place to append
  for (const char* v : {"1", "2", "3", "4"}) ASSERT_TRUE(t.c.Append({v, std::string("b") + v}));
  EXPECT_EQ(t.c.Position(), 3u);  // the appended record is current
  EXPECT_FALSE(t.c.Append({"only one"}));
  EXPECT_FALSE(t.c.Append({"1", "2", "3"}));

  ASSERT_TRUE(t.Open());
  EXPECT_EQ(t.c.ReadField("B"), "b1");
  EXPECT_EQ(t.c.ReadField("b"), "");  // names compare exactly
  t.c.Skip(-5);
  EXPECT_EQ(t.c.Position(), 0u);
  t.c.Skip(10);
  EXPECT_TRUE(t.c.Eof());
  EXPECT_EQ(t.c.ReadField("A"), "");
  t.c.GoToFirst();
  auto is2 = [](const TableContainer& c) { return c.FieldView("A") == "2"; };
  ASSERT_TRUE(t.c.Find(is2));
  EXPECT_EQ(t.c.Position(), 1u);
  EXPECT_TRUE(t.c.Find(is2));  // scans from the current record
  t.c.Skip(1);
  EXPECT_FALSE(t.c.Find(is2));

  // Marks are dropped by Close, applied by Purge.
  t.c.GoToFirst();
  t.c.MarkDeleted();
  t.c.Close();
  ASSERT_TRUE(t.Open());
  EXPECT_FALSE(t.c.IsDeleted());
  t.c.MarkDeleted();
  t.c.Skip(2);
  t.c.MarkDeleted();
  t.c.Skip(1);
  t.c.MarkDeleted();
  ASSERT_TRUE(t.c.Purge());
  ASSERT_TRUE(t.Open());
  EXPECT_EQ(t.Column("A"), (Strings{"2"}));
  t.c.Close();
  EXPECT_FALSE(t.c.Append({"x", "y"}));
}

TEST(TableContainer, TextsBeyond512BytesAndBinaryAreStoredWholeUpToTheLimit) {
  Table t;
  ASSERT_TRUE(t.Open());
  const std::string longer = std::string(600, 'q') + "\xD6\xD0";
  const std::string binary("a\0b\r\n\x1A\xFF", 7);
  const std::string huge(kMaxStoredTextBytes, 'h');
  ASSERT_TRUE(t.c.Append({std::string(512, 'p'), longer}));
  ASSERT_TRUE(t.c.Append({binary, huge}));
  const std::string before = t.fs.files[kPath];
  EXPECT_FALSE(t.c.Append({huge + "!", ""}));
  EXPECT_EQ(t.c.RecordCount(), 2u);
  EXPECT_EQ(t.fs.files[kPath], before);
  ASSERT_TRUE(t.Open());
  EXPECT_EQ(t.Column("A"), (Strings{std::string(512, 'p'), binary}));
  EXPECT_EQ(t.Column("B"), (Strings{longer, huge}));
}

TEST(TableContainer, FailedWritesLeaveFileAndMemoryAsTheyWere) {
  Table t;
  ASSERT_TRUE(t.Open());
  ASSERT_TRUE(t.c.Append({"1", "one"}));
  const std::string before = t.fs.files[kPath];
  t.fs.fail_writes = {true, true, true};
  EXPECT_FALSE(t.c.Append({"2", "two"}));
  EXPECT_EQ(t.c.RecordCount(), 1u);
  t.c.GoToFirst();
  t.c.MarkDeleted();
  EXPECT_FALSE(t.c.Purge());
  EXPECT_EQ(t.c.RecordCount(), 1u);
  EXPECT_FALSE(t.c.SetAccessPassword("other"));
  EXPECT_EQ(t.fs.files[kPath], before);

  ASSERT_TRUE(t.c.SetAccessPassword("new password"));
  ASSERT_TRUE(t.c.Append({"3", "three"}));  // later writes keep the new password
  EXPECT_FALSE(t.Open());
  ASSERT_TRUE(t.c.Open(kPath, "new password"));
  EXPECT_EQ(t.Column("B"), (Strings{"one", "three"}));
}

TEST(TableContainer, DerivesEachKeyOnceAndUsesAFreshNonceForEveryWrite) {
  Table t;
  ASSERT_TRUE(t.Open());
  const size_t derived = DerivedKeyCount();
  std::string previous = t.fs.files[kPath];
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(t.c.Append({"same", "same"}));
    const std::string now = t.fs.files[kPath];
    EXPECT_EQ(now.substr(16, 16), previous.substr(16, 16));  // salt kept
    EXPECT_NE(now.substr(32, 12), previous.substr(32, 12));  // nonce never reused
    previous = now;
  }
  ASSERT_TRUE(t.Open());
  EXPECT_EQ(DerivedKeyCount(), derived);
  ClearTableKeyCache();
  ASSERT_TRUE(t.Open());
  EXPECT_EQ(DerivedKeyCount(), derived + 1);
}

// Rounds of the key derivation as a reader of version 1 finds them in a file's header.
uint32_t SealedRounds(const std::string& file) {
  return file.size() < 16 ? 0 : static_cast<uint32_t>(static_cast<uint8_t>(file[12]) | static_cast<uint8_t>(file[13]) << 8 |
                                                      static_cast<uint8_t>(file[14]) << 16 | static_cast<uint8_t>(file[15]) << 24);
}

// The built-in access password makes rounds pointless: a new table and every write use the
// fewest that version 1 allows, so earlier versions still read what is written now.
TEST(TableContainer, WritesSealWithTheFewestRoundsAndRenewAnEarlierVersionsTable) {
  Table t;
  EXPECT_EQ(SealedRounds(t.fs.files[kPath]), 1000u);
  t.fs.files[kPath] = SealRaw(Schema({"A", "B"}) + Record({"1", "x"}), 1, 1, 100000);
  ASSERT_TRUE(t.Open());
  ASSERT_TRUE(t.c.Append({"2", "y"}));
  const std::string renewed = t.fs.files[kPath];
  EXPECT_EQ(renewed.substr(8, 4), std::string("\x01\x00\x01\x01", 4));  // version 1, AES-GCM, PBKDF2
  EXPECT_EQ(SealedRounds(renewed), 1000u);
  EXPECT_EQ(renewed.substr(16, 16), std::string(16, 's'));  // the salt stays
  ClearTableKeyCache();
  ASSERT_TRUE(t.Open());
  EXPECT_EQ(t.Column("B"), (Strings{"x", "y"}));
}

TEST(TableContainer, RefusesDamagedForeignAndOtherVersionFiles) {
  Table t;
  ASSERT_TRUE(t.Open());
  ASSERT_TRUE(t.c.Append({"12345", "name"}));
  const std::string good = t.fs.files[kPath];
  auto refuses = [&](const std::string& bytes) {
    t.fs.files[kPath] = bytes;
    return !t.c.Open(kPath, kPw) && !t.c.IsOpen();
  };
  for (size_t n = 0; n < good.size(); ++n) EXPECT_TRUE(refuses(good.substr(0, n))) << n;
  for (size_t i = 0; i < good.size(); ++i) {
    std::string flipped = good;
    flipped[i] = static_cast<char>(flipped[i] ^ (1 << (i % 8)));
    EXPECT_TRUE(refuses(flipped)) << "bit flip at " << i;
  }
  EXPECT_TRUE(refuses(good + '\0'));
  EXPECT_TRUE(refuses(std::string(good.size(), '\0')));
  EXPECT_TRUE(refuses("PK\x03\x04 zip file"));
  EXPECT_FALSE(t.c.Open("t/missing", kPw));

  // Authentic files: the independent writer agrees with the reader, but only for version 1.
  const std::string payload = Schema({"A"}) + Record({"x"});
  t.fs.files[kPath] = SealRaw(payload);
  ASSERT_TRUE(t.Open());
  EXPECT_EQ(t.c.ReadField("A"), "x");
  for (uint16_t version : {0, 2, 0x100, 0xFFFF}) EXPECT_TRUE(refuses(SealRaw(payload, version))) << version;
  EXPECT_TRUE(refuses(SealRaw(payload, 1, 2)));
  EXPECT_TRUE(refuses(SealRaw(payload, 1, 1, kMinKdfIterations - 1)));
}

TEST(TableContainer, RefusesMalformedPayloadsEvenWhenAuthentic) {
  MemoryTableFileSystem fs;
  TableContainer c(fs);
  const std::string schema = Schema({"A", "B"});
  const std::string rec = Record({"1", "2"});
  std::string too_long = schema + rec + '\0';
  Put32(too_long, kMaxStoredTextBytes + 1);
  const Strings bad = {
      "", std::string(1, '\0'), Schema({}), Schema({"A", "A"}), Schema({"A"}).substr(0, 5),
      schema + rec.substr(0, rec.size() - 1),  // cut inside a text
      schema + rec + '\0',                     // cut after a record's flags
      schema + Record({"1", "2"}, 1),          // unknown flags
      too_long,
      std::string("\x01\x00\x02", 3) + Schema({"A"}).substr(3) + Record({"1"}),  // unknown type
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    fs.files[kPath] = SealRaw(bad[i]);
    EXPECT_FALSE(c.Open(kPath, kPw)) << i;
  }
  fs.files[kPath] = SealRaw(schema + rec + Record({"", ""}));
  ASSERT_TRUE(c.Open(kPath, kPw));
  EXPECT_EQ(c.RecordCount(), 2u);
}

TEST(TableContainer, SealAndUnsealRoundTrip) {
  TableKeyParams params = NewTableKeyParams();
  params.iterations = kMinKdfIterations;
  auto file = SealTableFile("payload", "pw", params);
  ASSERT_TRUE(file);
  TableKeyParams found;
  auto plain = UnsealTableFile(*file, "pw", &found);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->str(), "payload");
  EXPECT_EQ(found.salt, params.salt);
  EXPECT_FALSE(UnsealTableFile(*file, "pW"));
  params.iterations = kMaxKdfIterations + 1;
  EXPECT_FALSE(SealTableFile("payload", "pw", params));
}
