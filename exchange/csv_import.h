// Password exports of browsers and password managers: comma-separated values with a first
// line that names the columns. Every such program writes one, each with its own columns:
//
//   Chrome, Edge, 360, QQ    name,url,username,password[,note]
//   Firefox                  "url","username","password","httpRealm","formActionOrigin",...
//   KeePass, KeePassXC       "Group","Title","Username","Password","URL","Notes",...
//   Bitwarden                folder,favorite,type,name,notes,fields,reprompt,login_uri,
//                            login_username,login_password,login_totp
//   1Password                Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes
//   LastPass                 url,username,password,totp,extra,name,grouping,fav
//   Dashlane                 username,username2,username3,title,password,note,url,...
//
// Records follow RFC 4180: fields separated by commas, a record ending at CR LF, LF or CR; a
// field that starts with a quote runs to the next lone quote, holding commas and line breaks,
// with a doubled quote for a quote. Spreadsheets are forgiven what they write: characters
// after a closing quote belong to the field, a quote inside an unquoted field is a quote, a
// quote never closed takes the rest of the text.
//
// Columns are found by their names (kCsvColumnNames), in any order, ASCII letters in either
// case and spaces, '_', '-' and '.' left out ("Login Name", "login_username"). The first
// column of a kind counts. Every other column is left out.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "exchange/import_lines.h"

namespace quorrel {

// What a column holds, as far as an account needs it.
enum class CsvColumn { kName, kUrl, kUser, kEmail, kPassword };
inline constexpr size_t kCsvColumnKinds = 5;
inline constexpr size_t kNoCsvColumn = SIZE_MAX;

struct CsvColumnName {
  std::string_view ascii;   // as compared: lower case, no space, '_', '-' or '.'
  std::string_view gbk;     // a Chinese name in the ANSI code page (GBK); empty for an ASCII one
  std::u16string_view utf16;
  CsvColumn column;
};
// The names the import knows. Chinese ones are what a spreadsheet made by hand has.
extern const std::vector<CsvColumnName> kCsvColumnNames;

struct CsvHeader {
  std::array<size_t, kCsvColumnKinds> at{kNoCsvColumn, kNoCsvColumn, kNoCsvColumn, kNoCsvColumn, kNoCsvColumn};
  CsvSource source = CsvSource::kOther;
  std::vector<Text> names;  // the columns as written, in ANSI bytes ("?" for one it cannot store), for the user

  [[nodiscard]] bool Has(CsvColumn c) const { return at[static_cast<size_t>(c)] != kNoCsvColumn; }
  // A user name (or e-mail) and a password: what an account needs.
  [[nodiscard]] bool HoldsAccounts() const {
    return (Has(CsvColumn::kUser) || Has(CsvColumn::kEmail)) && Has(CsvColumn::kPassword);
  }
};

// The header of an export, when the text's first record is one: no "----" on its first line,
// two fields or more, two kinds of column or more known by name. A text of "----" lines whose
// first line holds commas is no export. The UTF-16 form takes the code page's converter for
// the names it reports.
[[nodiscard]] std::optional<CsvHeader> ReadCsvHeader(std::string_view ansiText);
[[nodiscard]] std::optional<CsvHeader> ReadCsvHeader(std::u16string_view text, AnsiConverter toAnsi);

// The host of a URL ("https://user@mail.example.com:8080/x" gives "mail.example.com"): no
// scheme, user, port, path, query or fragment. The ANSI form walks by GBK character.
[[nodiscard]] std::string_view HostOfUrl(std::string_view url);
[[nodiscard]] std::u16string_view HostOfUrl(std::u16string_view url);

// Records after the header with a password: each may become an account. Nothing is kept.
[[nodiscard]] size_t CountCsvAccounts(std::string_view ansiText, const CsvHeader& header);
[[nodiscard]] size_t CountCsvAccounts(std::u16string_view text, const CsvHeader& header);

// The accounts of the records after the header, appended to list.accounts (reserved for
// `expected` of them): 名称 is the name column, or the URL's host where that is empty; the user
// name that column, or the e-mail where it is empty; the password as it is. A record without
// a password is skipped, so is one whose name, user name or password the code page cannot
// store (counted in unstorableLines as well); both count in skippedLines. A blank record is
// no record. May throw std::bad_alloc; whatever it held is wiped on the way out.
void ReadCsvAccounts(std::string_view ansiText, const CsvHeader& header, size_t expected, ImportList& list);
void ReadCsvAccounts(std::u16string_view text, const CsvHeader& header, AnsiConverter toAnsi, size_t expected,
                     ImportList& list);

// Every record's fields (tests and the fuzz harness).
[[nodiscard]] std::vector<std::vector<Text>> SplitCsvRecords(std::string_view ansiText);

}  // namespace quorrel
