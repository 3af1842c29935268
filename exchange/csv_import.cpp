#include "exchange/csv_import.h"

#include <algorithm>
#include <string>
#include <utility>

namespace quorrel {

const std::vector<CsvColumnName> kCsvColumnNames = {
    {"name", "", u"", CsvColumn::kName},
    {"title", "", u"", CsvColumn::kName},
    {"account", "", u"", CsvColumn::kName},  // KeePass 1.x
    {"", "\xC3\xFB\xB3\xC6", u"名称", CsvColumn::kName},
    {"", "\xB1\xEA\xCC\xE2", u"标题", CsvColumn::kName},
    {"url", "", u"", CsvColumn::kUrl},
    {"loginuri", "", u"", CsvColumn::kUrl},  // Bitwarden
    {"website", "", u"", CsvColumn::kUrl},
    {"uri", "", u"", CsvColumn::kUrl},
    {"hostname", "", u"", CsvColumn::kUrl},
    {"", "\xCD\xF8\xD6\xB7", u"网址", CsvColumn::kUrl},
    {"", "\xCD\xF8\xD5\xBE", u"网站", CsvColumn::kUrl},
    {"username", "", u"", CsvColumn::kUser},
    {"loginusername", "", u"", CsvColumn::kUser},  // Bitwarden
    {"loginname", "", u"", CsvColumn::kUser},      // KeePass 1.x
    {"login", "", u"", CsvColumn::kUser},          // RoboForm
    {"user", "", u"", CsvColumn::kUser},
    {"", "\xD3\xC3\xBB\xA7\xC3\xFB", u"用户名", CsvColumn::kUser},
    {"", "\xB5\xC7\xC2\xBC\xC3\xFB", u"登录名", CsvColumn::kUser},
    {"", "\xD5\xCB\xBA\xC5", u"账号", CsvColumn::kUser},
    {"", "\xD5\xCA\xBA\xC5", u"帐号", CsvColumn::kUser},
    {"email", "", u"", CsvColumn::kEmail},
    {"emailaddress", "", u"", CsvColumn::kEmail},
    {"", "\xD3\xCA\xCF\xE4", u"邮箱", CsvColumn::kEmail},
    {"password", "", u"", CsvColumn::kPassword},
    {"loginpassword", "", u"", CsvColumn::kPassword},  // Bitwarden
    {"pwd", "", u"", CsvColumn::kPassword},            // RoboForm
    {"passwd", "", u"", CsvColumn::kPassword},
    {"", "\xC3\xDC\xC2\xEB", u"密码", CsvColumn::kPassword},
};

namespace {

template <class Char>
using View = std::basic_string_view<Char>;

// A header name longer than this is no column name of any export.
constexpr size_t kLongestName = 40;
// The most columns a message about a header names.
constexpr size_t kNamesTold = 12;

bool EndsField(char16_t c) { return c == u',' || c == u'\r' || c == u'\n'; }

// Bytes of the character at i of an ANSI text: a GBK lead byte takes its trail byte along.
size_t Step(View<char> text, size_t i) {
  return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}
size_t Step(View<char16_t>, size_t) { return 1; }

// A string that wipes what it held: before it grows (no copy is freed with it in), when
// it goes.
template <class Char>
class WipedString {
 public:
  WipedString() = default;
  WipedString(const WipedString&) = delete;
  WipedString& operator=(const WipedString&) = delete;
  ~WipedString() { Wipe(); }

  void Clear() { s_.clear(); }
  void Append(View<Char> v) {
    if (s_.size() + v.size() > s_.capacity()) {
      std::basic_string<Char> larger;
      larger.reserve(std::max(s_.capacity() * 2, s_.size() + v.size()));
      larger.assign(s_);
      Wipe();
      s_.swap(larger);
    }
    s_.append(v);
  }
  void Assign(View<Char> v) {
    Clear();
    Append(v);
  }
  [[nodiscard]] View<Char> view() const { return s_; }

 private:
  void Wipe() {
    const size_t size = s_.size();
    s_.resize(s_.capacity());  // within the capacity: no reallocation
    SecureWipe(s_.data(), s_.size() * sizeof(Char));
    s_.resize(size);
  }
  std::basic_string<Char> s_;
};

// Walks the records of a text, one field at a time. Commas, quotes, CR and LF are below
// every GBK trail byte, so an ANSI text is walked byte by byte.
template <class Char>
class CsvCursor {
 public:
  explicit CsvCursor(View<Char> text) : text_(text) {}

  // Reads the next record, calling field(index, value) for each of its fields; false at the
  // end of the text. A value lives until the next call.
  template <class F>
  bool Next(F&& field) {
    if (pos_ >= text_.size()) return false;
    for (size_t index = 0;; ++index) {
      field(index, ReadField());
      if (pos_ >= text_.size()) return true;
      const Char c = text_[pos_++];
      if (c == Char(',')) {
        if (pos_ == text_.size()) {  // a last field of nothing
          field(index + 1, View<Char>());
          return true;
        }
        continue;
      }
      if (c == Char('\r') && pos_ < text_.size() && text_[pos_] == Char('\n')) ++pos_;
      return true;
    }
  }

 private:
  size_t FieldEnd(size_t from) const {
    while (from < text_.size() && !EndsField(static_cast<char16_t>(text_[from]))) ++from;
    return from;
  }

  View<Char> ReadField() {
    const size_t start = pos_;
    if (pos_ == text_.size() || text_[pos_] != Char('"')) {
      pos_ = FieldEnd(pos_);
      return text_.substr(start, pos_ - start);
    }
    size_t from = ++pos_;
    bool copied = false;
    for (;;) {
      const size_t quote = text_.find(Char('"'), pos_);
      if (quote == View<Char>::npos) {  // never closed: the rest of the text
        pos_ = text_.size();
        if (!copied) return text_.substr(from);
        scratch_.Append(text_.substr(from));
        return scratch_.view();
      }
      if (quote + 1 < text_.size() && text_[quote + 1] == Char('"')) {  // a doubled quote
        if (!copied) scratch_.Clear();
        scratch_.Append(text_.substr(from, quote + 1 - from));
        copied = true;
        pos_ = from = quote + 2;
        continue;
      }
      pos_ = FieldEnd(quote + 1);
      if (!copied && pos_ == quote + 1) return text_.substr(from, quote - from);
      if (!copied) scratch_.Clear();
      scratch_.Append(text_.substr(from, quote - from));
      scratch_.Append(text_.substr(quote + 1, pos_ - quote - 1));
      return scratch_.view();
    }
  }

  View<Char> text_;
  size_t pos_ = 0;
  WipedString<Char> scratch_;  // a quoted field with doubled quotes, without them
};

// A header field as compared: ASCII letters in lower case, without spaces, '_', '-' and '.';
// empty when it is too long to be a name.
template <class Char>
std::basic_string<Char> NormalName(View<Char> field) {
  std::basic_string<Char> out;
  if (field.size() > kLongestName * 2) return out;
  for (size_t i = 0; i < field.size();) {
    const size_t step = Step(field, i);
    const Char c = field[i];
    if (step == 1 && c >= Char('A') && c <= Char('Z')) {
      out.push_back(static_cast<Char>(c - Char('A') + Char('a')));
    } else if (step == 2 || !(c == Char(' ') || c == Char('_') || c == Char('-') || c == Char('.') ||
                              c == Char('\t'))) {
      out.append(field.substr(i, step));
    }
    i += step;
  }
  if (out.size() > kLongestName) out.clear();
  return out;
}

bool Matches(const std::string& normal, const CsvColumnName& n) {
  return n.ascii.empty() ? normal == n.gbk : normal == n.ascii;
}
bool Matches(const std::u16string& normal, const CsvColumnName& n) {
  if (!n.ascii.empty()) return std::equal(normal.begin(), normal.end(), n.ascii.begin(), n.ascii.end());
  return normal == n.utf16;
}

// The ASCII form of a normal name, for telling whose export it is ("" beyond ASCII).
std::string AsciiOf(const std::string& normal) { return normal; }
std::string AsciiOf(const std::u16string& normal) {
  std::string out;
  for (char16_t c : normal) {
    if (c >= 0x80) return {};
    out.push_back(static_cast<char>(c));
  }
  return out;
}

// A column name to show: at most kLongestName bytes, cut at a character's end.
Text Shown(Text name) {
  if (name.size() <= kLongestName) return name;
  size_t end = 0;
  while (end < name.size()) {
    const size_t step = Step(name, end);
    if (end + step > kLongestName) break;
    end += step;
  }
  name.resize(end);
  return name + "...";
}
Text Shown(View<char> field, AnsiConverter) { return Shown(Text(field)); }
Text Shown(View<char16_t> field, AnsiConverter toAnsi) {
  std::optional<Text> ansi;
  if (toAnsi && !HasUnpairedSurrogate(field)) ansi = toAnsi(field);
  return ansi ? Shown(std::move(*ansi)) : Text("?");
}

CsvSource SourceOf(const std::vector<std::string>& names) {
  const auto has = [&](std::string_view n) { return std::find(names.begin(), names.end(), n) != names.end(); };
  if (has("loginpassword") || has("loginusername") || has("loginuri")) return CsvSource::kBitwarden;
  if (has("formactionorigin") || has("httprealm")) return CsvSource::kFirefox;
  if (has("grouping") && has("extra")) return CsvSource::kLastPass;
  if (has("username2") || has("otpsecret")) return CsvSource::kDashlane;
  if ((has("group") && has("title")) || (has("account") && has("loginname"))) return CsvSource::kKeePass;
  if (has("archived")) return CsvSource::kOnePassword;
  const bool browser = std::all_of(names.begin(), names.end(), [](const std::string& n) {
    return n == "name" || n == "url" || n == "username" || n == "password" || n == "note" || n == "notes";
  });
  if (browser && has("name") && has("url") && has("username") && has("password")) return CsvSource::kBrowser;
  return CsvSource::kOther;
}

template <class Char>
std::optional<CsvHeader> ReadHeader(View<Char> text, AnsiConverter toAnsi) {
  std::optional<CsvHeader> header;
  size_t lineEnd = 0;
  while (lineEnd < text.size() && !(text[lineEnd] == Char('\r') || text[lineEnd] == Char('\n'))) ++lineEnd;
  const View<Char> firstLine = text.substr(0, lineEnd);
  for (size_t i = 0; i + 3 < firstLine.size(); ++i)  // a "----" line is an account line or none
    if (firstLine[i] == Char('-') && firstLine[i + 1] == Char('-') && firstLine[i + 2] == Char('-') &&
        firstLine[i + 3] == Char('-'))
      return header;
  CsvHeader found;
  std::vector<std::string> ascii;
  size_t fields = 0;
  size_t kinds = 0;
  CsvCursor<Char> cursor(text);
  (void)cursor.Next([&](size_t index, View<Char> field) {
    ++fields;
    const std::basic_string<Char> normal = NormalName(field);
    ascii.push_back(AsciiOf(normal));
    if (found.names.size() < kNamesTold) found.names.push_back(Shown(field, toAnsi));
    if (normal.empty()) return;
    for (const CsvColumnName& n : kCsvColumnNames) {
      if (!Matches(normal, n)) continue;
      size_t& at = found.at[static_cast<size_t>(n.column)];
      if (at == kNoCsvColumn) {
        at = index;
        ++kinds;
      }
      break;
    }
  });
  if (fields < 2 || kinds < 2) return header;
  if (fields > kNamesTold) found.names.push_back("...");
  found.source = SourceOf(ascii);
  header = std::move(found);
  return header;
}

// The records after the header, each with the fields an account needs: a copy of each
// wanted field (wiped as it goes), and whether the record held anything at all.
template <class Char>
class CsvRows {
 public:
  CsvRows(View<Char> text, const CsvHeader& header) : cursor_(text), header_(header) {
    (void)cursor_.Next([](size_t, View<Char>) {});  // the header
  }
  bool Next() {
    for (WipedString<Char>& f : fields_) f.Clear();
    blank_ = true;
    return cursor_.Next([&](size_t index, View<Char> value) {
      if (!value.empty()) blank_ = false;
      for (size_t k = 0; k < kCsvColumnKinds; ++k)
        if (header_.at[k] == index) fields_[k].Assign(value);
    });
  }
  [[nodiscard]] bool blank() const { return blank_; }
  [[nodiscard]] View<Char> operator[](CsvColumn c) const { return fields_[static_cast<size_t>(c)].view(); }

 private:
  CsvCursor<Char> cursor_;
  const CsvHeader& header_;
  WipedString<Char> fields_[kCsvColumnKinds];
  bool blank_ = true;
};

template <class Char>
size_t CountAccounts(View<Char> text, const CsvHeader& header) {
  size_t count = 0;
  const size_t password = header.at[static_cast<size_t>(CsvColumn::kPassword)];
  CsvCursor<Char> cursor(text);
  (void)cursor.Next([](size_t, View<Char>) {});
  while (cursor.Next([&](size_t index, View<Char> value) { count += index == password && !value.empty(); })) {
  }
  return count;
}

template <class Char>
View<Char> HostOf(View<Char> url) {
  size_t begin = 0;
  while (begin < url.size() && (url[begin] == Char(' ') || url[begin] == Char('\t'))) ++begin;
  url.remove_prefix(begin);
  // The scheme: letters, digits, '+', '-', '.' and then "://".
  for (size_t i = 0; i < url.size(); ++i) {
    const Char c = url[i];
    const bool schemeChar = (c >= Char('a') && c <= Char('z')) || (c >= Char('A') && c <= Char('Z')) ||
                            (c >= Char('0') && c <= Char('9')) || c == Char('+') || c == Char('-') || c == Char('.');
    if (schemeChar) continue;
    if (i > 0 && c == Char(':') && url.substr(i + 1, 2).size() == 2 && url[i + 1] == Char('/') &&
        url[i + 2] == Char('/'))
      url.remove_prefix(i + 3);
    break;
  }
  // The authority runs to the first '/', '?', '#' or space; a user ends at its last '@'.
  size_t end = 0;
  size_t hostStart = 0;
  while (end < url.size()) {
    const Char c = url[end];
    if (c == Char('/') || c == Char('?') || c == Char('#') || c == Char(' ') || c == Char('\\')) break;
    const size_t step = Step(url, end);
    if (step == 1 && c == Char('@')) hostStart = end + 1;
    end += step;
  }
  View<Char> host = url.substr(hostStart, end - hostStart);
  // The port; an IPv6 address keeps its brackets and colons.
  if (!host.empty() && host.front() == Char('[')) {
    const size_t close = host.find(Char(']'));
    return close == View<Char>::npos ? host : host.substr(0, close + 1);
  }
  const size_t colon = host.find(Char(':'));  // ':' is below every GBK trail byte
  return colon == View<Char>::npos ? host : host.substr(0, colon);
}

// The text of one field of an account in the ANSI code page, or nothing.
std::optional<Text> ToAnsi(View<char> field, AnsiConverter) { return Text(field); }
std::optional<Text> ToAnsi(View<char16_t> field, AnsiConverter toAnsi) {
  std::optional<Text> ansi;
  if (field.empty()) ansi.emplace();
  else if (toAnsi && !HasUnpairedSurrogate(field)) ansi = toAnsi(field);
  return ansi;
}

template <class Char>
void ReadAccounts(View<Char> text, const CsvHeader& header, AnsiConverter toAnsi, size_t expected, ImportList& list) {
  list.accounts.reserve(list.accounts.size() + expected);  // filled in place: no record is moved and left behind
  CsvRows<Char> rows(text, header);
  while (rows.Next()) {
    if (rows.blank()) continue;
    const View<Char> password = rows[CsvColumn::kPassword];
    if (password.empty()) {
      ++list.skippedLines;
      continue;
    }
    View<Char> name = rows[CsvColumn::kName];
    if (name.empty()) name = HostOf(rows[CsvColumn::kUrl]);
    View<Char> user = rows[CsvColumn::kUser];
    if (user.empty()) user = rows[CsvColumn::kEmail];
    AccountRecord& account = list.accounts.emplace_back();
    std::optional<Text> ansi = ToAnsi(name, toAnsi);
    bool stored = ansi.has_value();
    if (stored) account.name.swap(*ansi);
    if (stored && (ansi = ToAnsi(user, toAnsi))) account.user.swap(*ansi);
    else stored = false;
    if (stored && (ansi = ToAnsi(password, toAnsi))) account.password.assign(*ansi);
    else stored = false;
    if (ansi) SecureWipe(*ansi);
    if (!stored) {
      SecureWipe(account.user);
      list.accounts.pop_back();  // its password is wiped as it goes
      ++list.skippedLines;
      ++list.unstorableLines;
    }
  }
}

}  // namespace

std::optional<CsvHeader> ReadCsvHeader(std::string_view ansiText) { return ReadHeader(ansiText, nullptr); }
std::optional<CsvHeader> ReadCsvHeader(std::u16string_view text, AnsiConverter toAnsi) {
  return ReadHeader(text, toAnsi);
}

std::string_view HostOfUrl(std::string_view url) { return HostOf(url); }
std::u16string_view HostOfUrl(std::u16string_view url) { return HostOf(url); }

size_t CountCsvAccounts(std::string_view ansiText, const CsvHeader& header) { return CountAccounts(ansiText, header); }
size_t CountCsvAccounts(std::u16string_view text, const CsvHeader& header) { return CountAccounts(text, header); }

void ReadCsvAccounts(std::string_view ansiText, const CsvHeader& header, size_t expected, ImportList& list) {
  ReadAccounts(ansiText, header, nullptr, expected, list);
}
void ReadCsvAccounts(std::u16string_view text, const CsvHeader& header, AnsiConverter toAnsi, size_t expected,
                     ImportList& list) {
  ReadAccounts(text, header, toAnsi, expected, list);
}

std::vector<std::vector<Text>> SplitCsvRecords(std::string_view ansiText) {
  std::vector<std::vector<Text>> records;
  CsvCursor<char> cursor(ansiText);
  std::vector<Text> fields;
  while (cursor.Next([&](size_t, std::string_view value) { fields.emplace_back(value); })) {
    records.push_back(std::move(fields));
    fields.clear();
  }
  return records;
}

}  // namespace quorrel
