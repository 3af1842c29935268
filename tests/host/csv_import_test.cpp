#include "exchange/csv_import.h"

#include <gtest/gtest.h>

#include <map>

#include "table_test_support.h"

using namespace quorrel;
using namespace quorrel::testing;
using namespace std::string_literals;

namespace {

using Strings = std::vector<std::string>;

// A code page of ASCII and a few characters with their GBK bytes; line breaks are storable.
std::optional<Text> FakeGbk(std::u16string_view text) {
  static const std::map<char16_t, std::string_view> kTable = {
      {u'邮', "\xD3\xCA"}, {u'箱', "\xCF\xE4"}, {u'张', "\xD5\xC5"}, {u'三', "\xC8\xFD"}, {u'密', "\xC3\xDC"},
      {u'码', "\xC2\xEB"}, {u'网', "\xCD\xF8"}, {u'银', "\xD2\xF8"}, {u'名', "\xC3\xFB"}, {u'称', "\xB3\xC6"},
      {u'用', "\xD3\xC3"}, {u'户', "\xBB\xA7"}};
  Text out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (auto it = kTable.find(c); it != kTable.end()) {
      out += it->second;
    } else {
      return std::nullopt;
    }
  }
  return out;
}
bool GbkPair(unsigned char lead, unsigned char trail) { return lead >= 0x81 && lead <= 0xFE && trail >= 0x40; }
constexpr AnsiCodePage kGbk{&FakeGbk, &GbkPair};

std::string Gbk(std::u16string_view text) { return *FakeGbk(text); }

std::string Utf16Le(std::u16string_view text) {
  std::string out = "\xFF\xFE";
  for (char16_t c : text) out += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return out;
}

Strings Accounts(const StoreHarness& h) {
  Strings out;
  (void)ForEachAccount(h.store, [&](int, const AccountRecord& r) { out.push_back(r.name + "|" + r.user + "|" + r.password.str()); });
  return out;
}

}  // namespace

TEST(CsvImport, RecordsFollowRfc4180AndForgiveWhatSpreadsheetsWrite) {
  using Records = std::vector<Strings>;
  const struct {
    std::string text;
    Records records;
  } cases[] = {
      {"a,b\r\nc,d", {{"a", "b"}, {"c", "d"}}},
      {"a,b\nc,d\rx\r\n", {{"a", "b"}, {"c", "d"}, {"x"}}},
      {"\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\"", {{"a,b", "say \"hi\"", "two\r\nlines"}}},
      {"a,,\r\n,\r\n\r\n", {{"a", "", ""}, {"", ""}, {""}}},
      {"\"\",\"\"\"\"", {{"", "\""}}},
      {"a\"b,\"c\"d,e", {{"a\"b", "cd", "e"}}},         // a quote inside, characters after a closing one
      {"\"never closed,x\r\ny", {{"never closed,x\r\ny"}}},
      {"\"a\"\"b\"\"c", {{"a\"b\"c"}}},                   // never closed after doubled quotes
      {"\xD5\x2C,\xB1\x22", {{"\xD5", "", "\xB1\""}}},  // bytes below 40 are never trail bytes
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCsvRecords(c.text), c.records) << c.text;
}

TEST(CsvImport, TheHostOfAUrlNamesAnAccountWithoutAName) {
  const std::pair<std::string, std::string> cases[] = {
      {"https://mail.example.com/login?x=1", "mail.example.com"}, {"http://user:pw@example.org:8080/", "example.org"},
      {"android://hash@com.example.app/", "com.example.app"},     {"example.com/path", "example.com"},
      {" localhost:3000", "localhost"}, {"https://[::1]:8443/a", "[::1]"}, {"", ""},
      {"\xD3\xCA@\xCF\xE4.cn/", "\xCF\xE4.cn"}, {"\xB0\x40" "b.cn", "\xB0\x40" "b.cn"},  // 40 as a trail byte is no '@'
  };
  for (const auto& [url, host] : cases) EXPECT_EQ(HostOfUrl(url), host) << url;
  EXPECT_EQ(HostOfUrl(u"https://a.b.cn:1/x"), u"a.b.cn");
}

// Headers beside those of ExportsOfEachKindImportTheirAccounts.
TEST(CsvImport, HeadersOfTheExportsPeopleHave) {
  const struct {
    std::string header;
    CsvSource source;
    bool accounts;
  } cases[] = {
      {"name,url,username,password", CsvSource::kBrowser, true},
      {"\"Account\",\"Login Name\",\"Password\",\"Web Site\",\"Comments\"", CsvSource::kKeePass, true},
      {"Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes", CsvSource::kOnePassword, true},
      {"url,username,password,totp,extra,name,grouping,fav", CsvSource::kLastPass, true},
      {"Name,Url,MatchUrl,Login,Pwd,Note,Folder", CsvSource::kOther, true},
      {"name,url,email,password", CsvSource::kOther, true},
      {"\xC3\xFB\xB3\xC6,\xD3\xC3\xBB\xA7\xC3\xFB,\xC3\xDC\xC2\xEB", CsvSource::kOther, true},  // 名称,用户名,密码
      {"Title,URL,Notes", CsvSource::kOther, false},
      {"url,username", CsvSource::kOther, false},
  };
  for (const auto& c : cases) {
    const std::optional<CsvHeader> header = ReadCsvHeader(c.header + "\r\nx,y\r\n");
    ASSERT_TRUE(header) << c.header;
    EXPECT_EQ(header->source, c.source) << c.header;
    EXPECT_EQ(header->HoldsAccounts(), c.accounts) << c.header;
  }
  // No header: one known name, one field, a "----" line, a line of commas of another kind.
  for (const char* text : {"name,comment", "password", "a,b----c----d", "name,url----x", "bank, shop, mail"})
    EXPECT_FALSE(ReadCsvHeader(text)) << text;
  const std::optional<CsvHeader> wide = ReadCsvHeader(u"名称,网址,用户名,密码", &FakeGbk);
  ASSERT_TRUE(wide);
  EXPECT_TRUE(wide->HoldsAccounts());
  EXPECT_EQ(wide->names, (Strings{"\xC3\xFB\xB3\xC6", "?", "\xD3\xC3\xBB\xA7\xC3\xFB", "\xC3\xDC\xC2\xEB"}));
}

// Exports as the programs write them, through the whole import: which accounts arrive, what
// is skipped and why, and what the message is told.
TEST(CsvImport, ExportsOfEachKindImportTheirAccounts) {
  const struct {
    const char* what;
    std::string file;
    Strings accounts;
    size_t skipped, unstorable, lines;
    CsvSource source;
  } cases[] = {
      {"Chrome: a mark, quoted commas and quotes, a line break, Chinese names, a name from the URL",
       "\xEF\xBB\xBF" "name,url,username,password,note\r\n"
       "邮箱,https://mail.example.com/,张三,\"pw,\"\"1\"\"\",\"two\nlines\"\r\n"
       ",https://bank.example.cn/login,li,pw2,\r\n"
       "nopw,https://x.cn/,u,,\r\n"
       "😀,https://e.cn/,u,pw3,\r\n",
       {Gbk(u"邮箱") + "|" + Gbk(u"张三") + "|pw,\"1\"", "bank.example.cn|li|pw2"}, 2, 1, 6, CsvSource::kBrowser},
      {"Firefox: every field quoted, no mark, no name column",
       "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\"\n"
       "\"https://accounts.example.com\",\"bob\",\"S3cret \",,\"https://accounts.example.com\",\"{1}\"\n",
       {"accounts.example.com|bob|S3cret "}, 0, 0, 2, CsvSource::kFirefox},
      {"Bitwarden: columns in another order, a note without a password, the e-mail column absent",
       "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,login_totp\n"
       ",,note,My note,secret text,,0,,,,\n"
       "Work,1,login,网银,,,0,https://b.cn,wang,Pw 2,\n",
       {Gbk(u"网银") + "|wang|Pw 2"}, 1, 0, 3, CsvSource::kBitwarden},
      {"KeePassXC saved as GBK by a Chinese system",
       "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\"\r\n"
       "\"Root\",\"\xD3\xCA\xCF\xE4\",\"\xD5\xC5\xC8\xFD\",\"\xC3\xDC\xC2\xEB\",\"\",\"\"\r\n",
       {"\xD3\xCA\xCF\xE4|\xD5\xC5\xC8\xFD|\xC3\xDC\xC2\xEB"}, 0, 0, 2, CsvSource::kKeePass},
      {"Dashlane in UTF-16: the title, the e-mail for an empty user name",
       Utf16Le(u"username,username2,username3,title,password,note,url,category,otpSecret\r\n"
               u"z,,,Shop,p1,,https://s.cn,,\r\n"),
       {"Shop|z|p1"}, 0, 0, 2, CsvSource::kDashlane},
      {"Proton-like: the e-mail where the user name is empty",
       "type,name,url,email,username,password,note\nlogin,,https://p.cn,a@p.cn,,pw,\n",
       {"p.cn|a@p.cn|pw"}, 0, 0, 2, CsvSource::kOther},
      {"1Password, a last password ending in spaces", "Title,Url,Username,Password\nT,,u,pw  ",
       {"T|u|pw  "}, 0, 0, 2, CsvSource::kOther},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StoreHarness h;
    (void)h.Pids();
    h.log.clear();
    const ImportResult result = ImportAccountText(h.store, c.file, kGbk);
    EXPECT_EQ(result.status, ImportResult::kImported);
    EXPECT_EQ(result.format, ImportFormat::kCsv);
    EXPECT_EQ(result.source, c.source);
    EXPECT_EQ((std::pair{result.skipped, result.unstorable}), (std::pair{c.skipped, c.unstorable}));
    EXPECT_EQ(Accounts(h), c.accounts);
    EXPECT_EQ(h.log, Strings{"Importing Data " + std::to_string(c.lines)});
  }
}

TEST(CsvImport, LinesOrAnExportAndAHeaderWithoutTheColumnsAnAccountNeeds) {
  StoreHarness h;
  (void)h.Pids();
  // A "----" file whose first line holds commas, even known names, imports as lines.
  for (const char* file : {"a,b----u----p\r\nc----d----e\r\n", "name,url,password\r\nc----d----e\r\n",
                           "url,username,password\r\nc----d----e\r\n"}) {
    const ImportResult result = ImportAccountText(h.store, file, kGbk);
    EXPECT_EQ(result.format, ImportFormat::kLines) << file;
    EXPECT_GE(result.imported, 1u) << file;
  }
  h.log.clear();
  const std::string before = h.TableBytes();
  const ImportResult refused = ImportAccountText(h.store, "Title,URL,Notes\r\nx,https://x.cn,n\r\n", kGbk);
  EXPECT_EQ(refused.status, ImportResult::kNoColumns);
  EXPECT_EQ(refused.columns, (Strings{"Title", "URL", "Notes"}));
  const ImportResult empty = ImportAccountText(h.store, "name,url,username,password\r\n,,,\r\nn,u,x,\r\n", kGbk);
  EXPECT_EQ((std::pair{empty.status, empty.skipped}), (std::pair{ImportResult::kNoAccounts, size_t{1}}));
  EXPECT_EQ(h.TableBytes(), before);
  EXPECT_EQ(h.log, (Strings{"Importing Data 2", "Importing Data 3"}));
}

// Possible accounts are counted against the free PIDs, not blank or skipped lines.
TEST(CsvImport, OnlyAccountsCountAgainstTheFreePids) {
  StoreHarness h;
  (void)h.Pids();
  ASSERT_EQ(AddAccount(h.store, "10000", "x", "y", "z"), TableOutcome::kOpened);
  std::string csv = "name,url,username,password\r\n";
  for (size_t i = 0; i + 1 < kPidRange; ++i) csv += "n,,u,\r\n";  // no password: skipped
  csv += "n,,u,p\r\n";
  const std::string lines = std::string(kPidRange, '\n') + "a----b----c\r\n";
  for (const std::string& file : {csv, lines}) {
    const ImportResult result = ImportAccountText(h.store, file, kGbk);
    EXPECT_EQ(result.status, ImportResult::kImported);
    EXPECT_EQ(result.imported, 1u);
  }
}

// A file without a mark holding more than ASCII is told the encoding it was read in, with a
// name as read; a file with a mark or of ASCII alone is not.
TEST(CsvImport, TheEncodingOfAFileWithoutAMarkIsTold) {
  const struct {
    std::string file;
    std::optional<ImportEncoding> guessed;
    std::string sample;
  } cases[] = {
      {"\xD3\xCA\xCF\xE4----u----p", ImportEncoding::kAnsi, "\xD3\xCA\xCF\xE4"},
      {"a----\xD5\xC5----p\r\n", ImportEncoding::kAnsi, "\xD5\xC5"},  // a user name where no name has it
      {"name,url,username,password\n邮箱,,u,p\n", ImportEncoding::kUtf8, "\xD3\xCA\xCF\xE4"},
      {"a----b----\xC3\xDC", ImportEncoding::kAnsi, ""},  // never a password
      {"\xEF\xBB\xBF邮箱----u----p", std::nullopt, ""},
      {"a----b----c", std::nullopt, ""},
  };
  for (const auto& c : cases) {
    StoreHarness h;
    (void)h.Pids();
    const ImportResult result = ImportAccountText(h.store, c.file, kGbk);
    EXPECT_EQ(result.guessed, c.guessed) << c.file;
    EXPECT_EQ(result.sample, c.sample) << c.file;
  }
}
