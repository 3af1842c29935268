#include <gcrypt.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "security/crypto_lib.h"
#include "store/memory_file_system.h"
#include "store/posix_file_system.h"
#include "store/table_container.h"
#include "table_test_support.h"

using namespace quorrel;
using quorrel::testing::FaultyFileSystem;

namespace {

constexpr char kPath[] = "t/UserData.edb";
constexpr char kPw[] = "Qm4Tz8LwRk2V";

std::vector<FieldSpec> TwoFields() { return {{"A", FieldType::kText, 512}, {"B", FieldType::kText, 512}}; }

// --- an independent writer of the documented layout, for files the container never writes ---

void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}

std::string Field(std::string_view name) {
  std::string s(1, '\x01');
  Put32(s, 512);
  s.push_back(static_cast<char>(name.size()));
  s.append(name);
  return s;
}

std::string Record(const std::vector<std::string>& values, char flags = 0) {
  std::string s(1, flags);
  for (const auto& v : values) {
    Put32(s, static_cast<uint32_t>(v.size()));
    s += v;
  }
  return s;
}

std::string Schema(const std::vector<std::string>& names) {
  std::string s;
  s.push_back(static_cast<char>(names.size()));
  s.push_back(static_cast<char>(names.size() >> 8));
  for (const auto& n : names) s += Field(n);
  return s;
}

// Seals like the container but lets the test choose version and cipher bytes.
std::string SealRaw(std::string_view payload, std::string_view password, uint16_t version,
                    uint8_t cipher = 1, uint32_t iterations = 1000) {
  EXPECT_TRUE(InitCryptoLibrary());
  std::string salt(16, 's');
  unsigned char key[32];
  EXPECT_EQ(gcry_kdf_derive(password.data(), password.size(), GCRY_KDF_PBKDF2, GCRY_MD_SHA256,
                            salt.data(), salt.size(), iterations, sizeof key, key),
            0u);
  std::string h = "QRLTBL";
  h += '\x1A';
  h += '\0';
  h.push_back(static_cast<char>(version & 0xFF));
  h.push_back(static_cast<char>(version >> 8));
  h.push_back(static_cast<char>(cipher));
  h.push_back('\x01');
  Put32(h, iterations);
  h += salt;
  h += std::string(12, 'n');
  Put32(h, static_cast<uint32_t>(payload.size()));
  gcry_cipher_hd_t hd;
  EXPECT_EQ(gcry_cipher_open(&hd, GCRY_CIPHER_AES256, GCRY_CIPHER_MODE_GCM, 0), 0u);
  gcry_cipher_setkey(hd, key, sizeof key);
  gcry_cipher_setiv(hd, h.data() + 32, 12);
  gcry_cipher_authenticate(hd, h.data(), h.size());
  std::string body(payload.size(), '\0');
  if (!payload.empty()) {
    gcry_cipher_encrypt(hd, body.data(), body.size(), payload.data(), payload.size());
  }
  char tag[16];
  gcry_cipher_gettag(hd, tag, sizeof tag);
  gcry_cipher_close(hd);
  return h + body + std::string(tag, sizeof tag);
}

std::string SealFast(std::string_view payload, std::string_view password = kPw) {
  return SealRaw(payload, password, 1);
}

struct Table {
  MemoryTableFileSystem fs;
  TableContainer c{fs};
  Table() { EXPECT_TRUE(c.Create(kPath, TwoFields(), kPw)); }
  bool Open() { return c.Open(kPath, kPw); }
  std::vector<std::string> Column(std::string_view name) {
    std::vector<std::string> out;
    for (c.GoToFirst(); !c.Eof(); c.Skip(1)) out.push_back(c.ReadField(name));
    return out;
  }
};

using Strings = std::vector<std::string>;

}  // namespace

TEST(TableContainer, CreatesAnEmptyTableThatOpensOnlyWithItsPassword) {
  Table t;
  ASSERT_TRUE(t.fs.Exists(kPath));
  EXPECT_FALSE(t.c.IsOpen());
  EXPECT_FALSE(t.c.Open(kPath, "Qm4Tz8LwRk2v"));
  EXPECT_FALSE(t.c.Open(kPath, ""));
  ASSERT_TRUE(t.Open());
  EXPECT_EQ(t.c.RecordCount(), 0u);
  EXPECT_TRUE(t.c.Eof());
  ASSERT_EQ(t.c.Fields().size(), 2u);
  EXPECT_EQ(t.c.Fields()[1].name, "B");
  EXPECT_EQ(t.c.Fields()[1].max_length, 512u);
  EXPECT_EQ(t.fs.files.count(ReplaceTempPath(kPath)), 0u);
}

TEST(TableContainer, CreateNeverOverwritesAndRejectsBadFieldLists) {
  MemoryTableFileSystem fs;
  TableContainer c(fs);
  fs.files[kPath] = "not a table";
  EXPECT_FALSE(c.Create(kPath, TwoFields(), kPw));
  EXPECT_EQ(fs.files[kPath], "not a table");

  const std::vector<std::vector<FieldSpec>> bad = {
      {},
      {{"", FieldType::kText, 1}},
      {{"A", FieldType::kText, 1}, {"A", FieldType::kText, 1}},
      {{std::string(65, 'N'), FieldType::kText, 1}},
      std::vector<FieldSpec>(65, FieldSpec{"X"}),
  };
  for (const auto& fields : bad) EXPECT_FALSE(c.Create("t/other", fields, kPw));
  EXPECT_FALSE(fs.Exists("t/other"));
}

TEST(TableContainer, NavigatesAppendsAndFinds) {
  Table t;
  ASSERT_TRUE(t.Open());
  ASSERT_TRUE(t.c.GoToLast());  // an empty table still has a place to append
  for (const char* v : {"1", "2", "3"}) ASSERT_TRUE(t.c.Append({v, std::string("b") + v}));
  EXPECT_EQ(t.c.Position(), 2u);  // the appended record is current
  EXPECT_FALSE(t.c.Append({"only one"}));
  EXPECT_FALSE(t.c.Append({"1", "2", "3"}));

  ASSERT_TRUE(t.Open());  // from the file
  EXPECT_EQ(t.c.RecordCount(), 3u);
  EXPECT_EQ(t.c.Position(), 0u);
  EXPECT_EQ(t.c.ReadField("B"), "b1");
  EXPECT_EQ(t.c.ReadField("b"), "");  // names compare exactly
  t.c.Skip(-5);
  EXPECT_EQ(t.c.Position(), 0u);
  t.c.Skip(10);
  EXPECT_TRUE(t.c.Eof());
  EXPECT_EQ(t.c.ReadField("A"), "");
  ASSERT_TRUE(t.c.GoToLast());
  EXPECT_EQ(t.c.ReadField("A"), "3");

  t.c.GoToFirst();
  auto is = [](std::string v) {
    return [v](const TableContainer& c) { return c.FieldView("A") == v; };
  };
  ASSERT_TRUE(t.c.Find(is("2")));
  EXPECT_EQ(t.c.Position(), 1u);
  EXPECT_TRUE(t.c.Find(is("2")));  // scans from the current record, which matches
  t.c.Skip(1);
  EXPECT_FALSE(t.c.Find(is("2")));
  EXPECT_TRUE(t.c.Eof());
  t.c.Close();
  EXPECT_EQ(t.c.RecordCount(), 0u);
  EXPECT_FALSE(t.c.GoToLast());
  EXPECT_FALSE(t.c.Append({"x", "y"}));
}

TEST(TableContainer, StoresLongAndBinaryTextsWhole) {
  Table t;
  ASSERT_TRUE(t.Open());
  const std::string exact(512, 'p');
  const std::string longer = std::string(600, 'q') + "\xD6\xD0";  // ends in a GBK character
  const std::string binary("a\0b\r\n\x1A\xFF", 7);
  const std::string huge(kMaxStoredTextBytes, 'h');
  ASSERT_TRUE(t.c.Append({exact, longer}));
  ASSERT_TRUE(t.c.Append({binary, ""}));
  ASSERT_TRUE(t.c.Append({huge, "at the limit"}));
  const std::string before = t.fs.files[kPath];
  EXPECT_FALSE(t.c.Append({huge + "!", "beyond it"}));
  EXPECT_EQ(t.c.RecordCount(), 3u);
  EXPECT_EQ(t.fs.files[kPath], before);

  ASSERT_TRUE(t.Open());
  EXPECT_EQ(t.Column("A"), (Strings{exact, binary, huge}));
  EXPECT_EQ(t.Column("B"), (Strings{longer, "", "at the limit"}));
}

TEST(TableContainer, PurgeRemovesMarkedRecordsAndCloseDropsUnpurgedMarks) {
  Table t;
  ASSERT_TRUE(t.Open());
  for (const char* v : {"1", "2", "3", "4"}) ASSERT_TRUE(t.c.Append({v, v}));
  t.c.GoToFirst();
  t.c.Skip(1);
  t.c.MarkDeleted();
  EXPECT_TRUE(t.c.IsDeleted());
  t.c.Close();
  ASSERT_TRUE(t.Open());
  EXPECT_EQ(t.Column("A"), (Strings{"1", "2", "3", "4"}));

  t.c.GoToFirst();
  t.c.MarkDeleted();
  t.c.Skip(2);
  t.c.MarkDeleted();
  t.c.Skip(1);
  t.c.MarkDeleted();
  ASSERT_TRUE(t.c.Purge());
  EXPECT_EQ(t.Column("A"), (Strings{"2"}));
  ASSERT_TRUE(t.Open());
  EXPECT_EQ(t.Column("A"), (Strings{"2"}));
  EXPECT_TRUE(t.c.Purge());  // nothing marked: nothing to do
}

TEST(TableContainer, FailedWritesLeaveFileAndMemoryAsTheyWere) {
  FaultyFileSystem fs;
  TableContainer c(fs);
  ASSERT_TRUE(c.Create(kPath, TwoFields(), kPw));
  ASSERT_TRUE(c.Open(kPath, kPw));
  ASSERT_TRUE(c.Append({"1", "one"}));
  const std::string before = fs.files[kPath];

  fs.fail_writes = {true};
  EXPECT_FALSE(c.Append({"2", "two"}));
  EXPECT_EQ(c.RecordCount(), 1u);
  EXPECT_EQ(fs.files[kPath], before);

  c.GoToFirst();
  c.MarkDeleted();
  fs.fail_writes = {true};
  EXPECT_FALSE(c.Purge());
  EXPECT_EQ(c.RecordCount(), 1u);
  EXPECT_TRUE(c.IsDeleted());
  EXPECT_EQ(fs.files[kPath], before);

  fs.fail_writes = {true};
  EXPECT_FALSE(c.SetAccessPassword("other"));
  EXPECT_EQ(fs.files[kPath], before);

  // Still usable, and the earlier failures left no trace.
  ASSERT_TRUE(c.Append({"3", "three"}));
  ASSERT_TRUE(c.Open(kPath, kPw));
  EXPECT_EQ(c.RecordCount(), 2u);
  EXPECT_EQ(c.ReadField("A"), "1");
  EXPECT_FALSE(c.IsDeleted());
}

TEST(TableContainer, SetAccessPasswordReprotects) {
  Table t;
  ASSERT_TRUE(t.Open());
  ASSERT_TRUE(t.c.Append({"1", "one"}));
  ASSERT_TRUE(t.c.SetAccessPassword("new password"));
  ASSERT_TRUE(t.c.Append({"2", "two"}));  // later writes keep the new password
  EXPECT_FALSE(t.Open());
  ASSERT_TRUE(t.c.Open(kPath, "new password"));
  EXPECT_EQ(t.Column("B"), (Strings{"one", "two"}));
}

TEST(TableContainer, DerivesEachKeyOnceAndUsesAFreshNonceForEveryWrite) {
  Table t;
  ASSERT_TRUE(t.Open());
  const size_t derived = DerivedKeyCount();
  std::string previous = t.fs.files[kPath];
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(t.c.Append({"same", "same"}));
    ASSERT_TRUE(t.Open());
    const std::string now = t.fs.files[kPath];
    EXPECT_EQ(now.substr(16, 16), previous.substr(16, 16));  // salt kept
    EXPECT_NE(now.substr(32, 12), previous.substr(32, 12));  // nonce never reused
    previous = now;
  }
  EXPECT_EQ(DerivedKeyCount(), derived);

  ClearTableKeyCache();
  ASSERT_TRUE(t.Open());
  EXPECT_EQ(DerivedKeyCount(), derived + 1);
}

TEST(TableContainer, RefusesEveryDamagedOrForeignFile) {
  Table t;
  ASSERT_TRUE(t.Open());
  ASSERT_TRUE(t.c.Append({"12345", "name"}));
  t.c.Close();
  const std::string good = t.fs.files[kPath];
  ASSERT_TRUE(t.Open());

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
  std::string foreign = good;
  foreign[0] = 'X';
  EXPECT_TRUE(refuses(foreign));
  EXPECT_TRUE(refuses("PK\x03\x04 zip file"));
  EXPECT_FALSE(t.c.Open("t/missing", kPw));
}

TEST(TableContainer, RefusesAuthenticFilesOfAnotherVersionOrCipher) {
  MemoryTableFileSystem fs;
  TableContainer c(fs);
  const std::string payload = Schema({"A"}) + Record({"x"});
  fs.files[kPath] = SealRaw(payload, kPw, 1);
  ASSERT_TRUE(c.Open(kPath, kPw));  // the independent writer agrees with the reader
  EXPECT_EQ(c.ReadField("A"), "x");
  for (uint16_t version : {0, 2, 0x100, 0xFFFF}) {
    fs.files[kPath] = SealRaw(payload, kPw, version);
    EXPECT_FALSE(c.Open(kPath, kPw)) << version;
  }
  fs.files[kPath] = SealRaw(payload, kPw, 1, 2);
  EXPECT_FALSE(c.Open(kPath, kPw));
  fs.files[kPath] = SealRaw(payload, kPw, 1, 1, kMinKdfIterations - 1);
  EXPECT_FALSE(c.Open(kPath, kPw));
}

TEST(TableContainer, RefusesMalformedPayloadsEvenWhenAuthentic) {
  MemoryTableFileSystem fs;
  TableContainer c(fs);
  const std::string schema = Schema({"A", "B"});
  const std::string rec = Record({"1", "2"});
  std::string too_long = schema + rec;
  too_long += '\0';
  Put32(too_long, kMaxStoredTextBytes + 1);
  const Strings bad = {
      "",
      std::string("\x00", 1),
      Schema({}),
      Schema({"A", "A"}),
      Schema({"A"}).substr(0, 5),
      schema + rec.substr(0, rec.size() - 1),  // cut inside a text
      schema + rec + '\0',                     // a record cut after its flags
      schema + Record({"1", "2"}, 1),          // unknown flags
      too_long,
      std::string("\x01\x00\x02", 3) + Schema({"A"}).substr(3) + Record({"1"}),  // unknown type
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    fs.files[kPath] = SealFast(bad[i]);
    EXPECT_FALSE(c.Open(kPath, kPw)) << i;
  }
  fs.files[kPath] = SealFast(schema + rec + Record({"", ""}));
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
  EXPECT_EQ(found.iterations, kMinKdfIterations);
  EXPECT_FALSE(UnsealTableFile(*file, "pW"));
  params.iterations = kMaxKdfIterations + 1;
  EXPECT_FALSE(SealTableFile("payload", "pw", params));
}

// --- the POSIX file system -----------------------------------------------------------------

class PosixFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/quorrel-fs-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir_ = templ;
    path_ = dir_ + "/UserData.edb";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::vector<std::string> Names() {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
      out.push_back(e.path().filename().string());
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  PosixTableFileSystem fs_;
  std::string dir_;
  std::string path_;
};

TEST_F(PosixFileSystemTest, ReplacesAtomicallyAndLeavesNoTempFile) {
  EXPECT_FALSE(fs_.Exists(path_));
  EXPECT_FALSE(fs_.ReadFile(path_));
  EXPECT_TRUE(fs_.Remove(path_));  // already gone
  ASSERT_TRUE(fs_.WriteReplace(path_, "first"));
  EXPECT_EQ(fs_.ReadFile(path_), "first");
  ASSERT_TRUE(fs_.WriteReplace(path_, std::string("sec\0ond", 7)));
  EXPECT_EQ(fs_.ReadFile(path_), std::string("sec\0ond", 7));
  ASSERT_TRUE(fs_.WriteReplace(path_, ""));
  EXPECT_EQ(fs_.ReadFile(path_), "");
  EXPECT_EQ(Names(), (Strings{"UserData.edb"}));
  struct stat st {};
  ASSERT_EQ(stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_TRUE(fs_.Remove(path_));
  EXPECT_FALSE(fs_.Exists(path_));
}

TEST_F(PosixFileSystemTest, AStaleTempFileIsOverwrittenNeverRead) {
  ASSERT_TRUE(fs_.WriteReplace(path_, "table"));
  {
    std::FILE* f = std::fopen(ReplaceTempPath(path_).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("left by a crash, longer than the table", f);
    std::fclose(f);
  }
  EXPECT_EQ(fs_.ReadFile(path_), "table");
  ASSERT_TRUE(fs_.WriteReplace(path_, "new"));
  EXPECT_EQ(fs_.ReadFile(path_), "new");
  EXPECT_EQ(Names(), (Strings{"UserData.edb"}));
}

TEST_F(PosixFileSystemTest, AFailedWriteChangesNothing) {
  ASSERT_TRUE(fs_.WriteReplace(path_, "table"));
  EXPECT_FALSE(fs_.WriteReplace(dir_ + "/missing/UserData.edb", "x"));
  // A folder in the temp file's place makes the write fail before the table is touched.
  ASSERT_EQ(mkdir(ReplaceTempPath(path_).c_str(), 0700), 0);
  EXPECT_FALSE(fs_.WriteReplace(path_, "new"));
  EXPECT_EQ(fs_.ReadFile(path_), "table");
  // Neither is a folder in the table's place taken for a table.
  EXPECT_FALSE(fs_.ReadFile(dir_));
}
