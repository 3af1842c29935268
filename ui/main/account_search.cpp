#include "ui/main/account_search.h"

#include <cstring>

#include "ui/main/pinyin_initials.h"

namespace quorrel {
namespace {

// Longer than any name anyone types to find; a held key does not grow the text for ever.
constexpr size_t kLongestText = 256;

// ASCII letters in lower case; both bytes of a double-byte character as they are (a trail
// byte may look like a letter).
void AppendFolded(std::string_view text, Text& out) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(b) && i + 1 < text.size()) {
      out.append(text.substr(i++, 2));
    } else {
      out += static_cast<char>(b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b);
    }
  }
}

}  // namespace

void AccountSearch::Clear(size_t rows) {
  keys_.clear();
  rows_.clear();
  rows_.reserve(rows);
}

void AccountSearch::Add(std::string_view name, std::string_view user) {
  // Lengths in 32 bits: the table holds at most 32 MiB.
  const size_t at = keys_.size();
  AppendFolded(name, keys_);
  const size_t nameEnd = keys_.size();
  AppendFolded(user, keys_);
  const size_t userEnd = keys_.size();
  AppendPinyinInitials(name, keys_);
  const size_t initials = keys_.size() - userEnd;
  AppendPinyinInitials(name, keys_, true);
  rows_.push_back({static_cast<uint32_t>(at), static_cast<uint32_t>(nameEnd - at),
                   static_cast<uint32_t>(userEnd - nameEnd), static_cast<uint32_t>(initials)});
}

bool AccountSearch::Finds(const Row& row, std::string_view text) const {
  // Most rows differ at the first byte already.
  const char* name = keys_.data() + row.at;
  const char* user = name + row.name;
  const char* first = user + row.user;
  const char* second = first + row.initials;
  const char c = text[0];
  const size_t n = text.size();
  if (row.name >= n && name[0] == c && std::memcmp(name, text.data(), n) == 0) return true;
  if (row.user >= n && user[0] == c && std::memcmp(user, text.data(), n) == 0) return true;
  if (row.initials < n || (first[0] != c && second[0] != c)) return false;
  // Either letter of each character: the two forms differ only at single-byte letters.
  for (size_t i = 1; i < n; ++i)
    if (text[i] != first[i] && text[i] != second[i]) return false;
  return true;
}

int AccountSearch::Find(std::string_view text, int start) const {
  const size_t n = rows_.size();
  if (text.empty() || n == 0) return -1;
  const size_t from = start > 0 && static_cast<size_t>(start) < n ? static_cast<size_t>(start) : 0;
  for (size_t k = 0; k < n; ++k) {
    const size_t row = (from + k) % n;
    if (Finds(rows_[row], text)) return static_cast<int>(row);
  }
  return -1;
}

int TypeAhead::Type(const AccountSearch& rows, std::string_view ch, uint32_t nowMs, uint32_t timeoutMs,
                    int selected) {
  if (nowMs - lastMs_ > timeoutMs) text_.clear();
  lastMs_ = nowMs;
  Text typed;
  AppendFolded(ch, typed);
  if (typed.empty()) return -1;
  if (text_.size() + typed.size() <= kLongestText) text_ += typed;
  // One character so far, or the same one again and again: the next row it starts.
  bool same = text_.size() % typed.size() == 0;
  for (size_t i = 0; same && i < text_.size(); i += typed.size()) same = text_.compare(i, typed.size(), typed) == 0;
  if (same) return rows.Find(typed, selected + 1);
  return rows.Find(text_, selected);
}

}  // namespace quorrel
