#include "store/settings.h"

#include <gtest/gtest.h>

using namespace quorrel;

// Every reader takes a stored value the same way: the exact text the settings page writes,
// anything else the default.
TEST(Settings, StoredTextsMeanWhatThePageWritesAndAnythingElseTheDefault) {
  struct Case {
    const char* stored;
    bool locked, shown;
    TrayRestore tray;
  };
  const Case cases[] = {
      {"True", true, false, TrayRestore::kDoubleClick},   {"Show", false, true, TrayRestore::kDoubleClick},
      {"1", false, false, TrayRestore::kSingleClick},     {"true", false, false, TrayRestore::kDoubleClick},
      {"show", false, false, TrayRestore::kDoubleClick},  {"Show ", false, false, TrayRestore::kDoubleClick},
      {" 1", false, false, TrayRestore::kDoubleClick},    {"01", false, false, TrayRestore::kDoubleClick},
      {"3", false, false, TrayRestore::kRightClick},      {"", false, false, TrayRestore::kDoubleClick},
      {"03", false, false, TrayRestore::kDoubleClick},    {"4", false, false, TrayRestore::kDoubleClick},
      {"foo", false, false, TrayRestore::kDoubleClick},   {"Hide", false, false, TrayRestore::kDoubleClick},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StartupLockedOf(c.stored), c.locked) << '"' << c.stored << '"';
    EXPECT_EQ(ShowPasswordsOf(c.stored), c.shown) << '"' << c.stored << '"';
    EXPECT_EQ(TrayRestoreOf(c.stored), c.tray) << '"' << c.stored << '"';
  }
}

TEST(Settings, HotkeyCodesFollowTheDecimalRuleAndModifiersAreNotUsable) {
  struct Case {
    const char* stored;
    int32_t code;
    bool usable;
  };
  const Case cases[] = {{"119", 119, true}, {"F8", 0, true},    {" \t+42abc", 42, true}, {"16", 16, false},
                        {"17", 17, false},  {"18", 18, false},  {"91", 91, false},      {"92", 92, false},
                        {"160", 160, false}, {"161", 161, false}, {"162", 162, false},  {"163", 163, false},
                        {"164", 164, false}, {"165", 165, false}, {"166", 166, true},   {"20", 20, true}};
  for (const Case& c : cases) {
    const HotkeySetting h = HotkeySettingOf(c.stored);
    EXPECT_EQ(h.code, c.code) << c.stored;
    EXPECT_EQ(h.usable, c.usable) << c.stored;
  }
}
