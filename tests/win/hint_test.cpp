// The input window's hint line at the prefix's DPI (Dpi*: 100 % here, 150 % in the 144-DPI
// prefix): with any two keys and marks it stays on its one line, measured with the label's
// own font against the label's width.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/encoding_win.h"
#include "input/input_window_win.h"
#include "input/key_names.h"
#include "store/settings.h"
#include "tests/win/test_util.h"

using namespace quorrel;
using namespace std::chrono_literals;

namespace {

// Keys this thread holds, so that the input window finds them taken.
struct HeldKeys {
  explicit HeldKeys(std::vector<int> codes) {
    for (int code : codes)
      if (RegisterHotKey(nullptr, static_cast<int>(ids.size()) + 1, 0, static_cast<UINT>(code)))
        ids.push_back(static_cast<int>(ids.size()) + 1);
  }
  ~HeldKeys() {
    for (int id : ids) UnregisterHotKey(nullptr, id);
  }
  std::vector<int> ids;
};

struct Hint {
  std::wstring text;
  int width = 0, room = -1;
  std::vector<int> widths;  // of the names asked for, in the label's font
};

// Opens the window with the two codes; its hint, the hint's width and the label's.
Hint HintOf(int account, int password, const std::vector<std::string>& names = {}) {
  InputWindowArgs args;
  args.accountHotkeyCode = account;
  args.passwordHotkeyCode = password;
  HWND window = OpenInputWindow(nullptr, std::move(args));
  Hint hint;
  for (HWND label = nullptr; (label = FindWindowExW(window, label, L"Static", nullptr));) {
    wchar_t text[256] = {};
    GetWindowTextW(label, text, 256);
    if (std::wstring(text).rfind(Utf8ToWide("账号："), 0) != 0) continue;
    hint.text = text;
    RECT room{};
    GetClientRect(label, &room);
    hint.room = room.right;
    HDC dc = GetDC(label);
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    const auto width = [&](const std::wstring& s) {
      RECT r{};
      DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
      return static_cast<int>(r.right);
    };
    hint.width = width(hint.text);
    for (const std::string& name : names) hint.widths.push_back(width(Utf8ToWide(name)));
    ReleaseDC(label, dc);
  }
  DestroyWindow(window);
  PumpMessages(50ms);
  return hint;
}

size_t Count(const std::wstring& text, const char* part) {
  const std::wstring p = Utf8ToWide(part);
  size_t n = 0;
  for (size_t at = text.find(p); at != std::wstring::npos; at = text.find(p, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(DpiHint, FitsItsLabelWithTheWidestKeyNamesAndTheirMarks) {
  // The two names of keys that can be hotkeys that take the most room in the label's font
  // (the marks of taken and unusable keys are as wide).
  std::vector<std::string> names;
  std::vector<int> codes;
  for (const KeyNameRow& row : KeyNameTable())
    if (!IsModifierKey(row.code)) names.emplace_back(row.name), codes.push_back(row.code);
  const Hint measured = HintOf(VK_F8, VK_F9, names);
  ASSERT_EQ(measured.widths.size(), names.size()) << "no hint label";
  std::vector<size_t> order(names.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return measured.widths[a] > measured.widths[b]; });
  const int wide = codes[order[0]], wider = codes[order[1]];
  std::printf("[   info   ] the widest names are %s and %s (%d, %d px), the label %d px\n", names[order[0]].c_str(),
              names[order[1]].c_str(), measured.widths[order[0]], measured.widths[order[1]], measured.room);

  // Both keys working, both taken (or not usable), and the common case: F9 held elsewhere.
  Hint working = HintOf(wide, wider);
  Hint refused;
  {
    HeldKeys held({wide, wider});
    refused = HintOf(wide, wider);
  }
  Hint common;
  {
    HeldKeys held({VK_F9});
    common = HintOf(VK_F8, VK_F9);
  }
  for (const Hint* h : {&working, &refused, &common}) {
    EXPECT_LE(h->width, h->room) << WideToUtf8(h->text);
    std::printf("[   info   ] %s: %d of %d px\n", WideToUtf8(h->text).c_str(), h->width, h->room);
  }
  // What each must still say: the working keys by name, every refused key marked.
  for (int code : {wide, wider}) {
    std::string name = KeyName(code);
    if (name.ends_with("键")) name.resize(name.size() - std::string("键").size());
    EXPECT_GE(Count(working.text, name.c_str()), 1u) << WideToUtf8(working.text);
  }
  EXPECT_EQ(Count(refused.text, "被占用"), 2u) << WideToUtf8(refused.text);
  // The common case keeps both names, the held one marked.
  EXPECT_EQ(Count(common.text, "F8键") + Count(common.text, "F9键") + Count(common.text, "被占用"), 3u)
      << WideToUtf8(common.text);
}
