// Finding an account in the list by typing: the first letters of its name or user name, or
// the pinyin initials of its name (网银 by "wy"). Texts are GBK byte strings.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace quorrel {

// What typing looks at, for each row of one fill of the list: its name and user name with
// ASCII letters in lower case, and both forms of its name's pinyin initials. Made once per
// fill, so a key press only compares.
class AccountSearch {
 public:
  // Forgets the rows of the last fill; `rows` is how many the new one brings.
  void Clear(size_t rows = 0);
  // The next row in list order.
  void Add(std::string_view name, std::string_view user);
  size_t size() const { return rows_.size(); }
  // The first row at `start` or after it, wrapping round, whose name or user name starts with
  // the text (ASCII letters without regard to case), or whose name's initials do; -1 for none.
  int Find(std::string_view text, int start) const;

 private:
  struct Row {
    uint32_t at, name, user, initials;  // where its keys start in keys_, and their lengths
  };
  bool Finds(const Row& row, std::string_view text) const;

  Text keys_;  // per row: name, user name, initials, second initials
  std::vector<Row> rows_;
};

// Characters typed within `timeoutMs` of each other form one search text, as in any list.
class TypeAhead {
 public:
  // One character typed (its code-page bytes) at nowMs while `selected` is the selected row
  // (-1 for none): the row to select, or -1 when the text finds none (the selection stays).
  // A new text looks from the row after the selected one, a longer one from the selected one
  // on; the same character again and again moves on to the next row it starts.
  int Type(const AccountSearch& rows, std::string_view ch, uint32_t nowMs, uint32_t timeoutMs, int selected);

 private:
  Text text_;
  uint32_t lastMs_ = 0;
};

}  // namespace quorrel
