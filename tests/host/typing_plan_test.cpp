#include "input/typing_plan.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "typing_test_support.h"

using namespace quorrel;
using namespace quorrel::testing;
using namespace std::chrono_literals;

namespace {

constexpr LayoutId kUs = 0x04090409;
constexpr LayoutId kChinese = 0x08040804;  // Chinese (PRC) with the US keyboard
constexpr LayoutId kGerman = 0x04070407;
constexpr LayoutId kUsIntl = 0xF0010409;  // United States-International
constexpr LayoutId kUnknown = 0x1234;      // no key for anything, as VkKeyScanExW's -1
constexpr LayoutId kPinyinGaps = 0xE0010804;  // Chinese IME on US keys, read without ( and ) (Wine)
constexpr LayoutId kChineseGerman = 0x04070804;  // Chinese language on German keys, likewise

constexpr uint8_t S = kLayoutShift;
constexpr uint8_t AltGr = kLayoutCtrl | kLayoutAlt;

// The US keyboard as VkKeyScanExW reports it.
std::optional<LayoutKey> UsKey(char16_t ch) {
  if (ch >= 'a' && ch <= 'z') return LayoutKey{static_cast<uint8_t>(ch - 'a' + 'A'), 0};
  if (ch >= 'A' && ch <= 'Z') return LayoutKey{static_cast<uint8_t>(ch), S};
  if (ch >= '0' && ch <= '9') return LayoutKey{static_cast<uint8_t>(ch), 0};
  // The character without Shift, the one with Shift, the key.
  static constexpr struct { char16_t plain, shifted; uint8_t vk; } keys[] = {
      {'1', '!', 0x31},  {'2', '@', 0x32},  {'3', '#', 0x33},   {'4', '$', 0x34},  {'5', '%', 0x35},
      {'6', '^', 0x36},  {'7', '&', 0x37},  {'8', '*', 0x38},   {'9', '(', 0x39},  {'0', ')', 0x30},
      {'`', '~', 0xC0},  {'-', '_', 0xBD},  {'=', '+', 0xBB},   {'[', '{', 0xDB},  {']', '}', 0xDD},
      {'\\', '|', 0xDC}, {';', ':', 0xBA},  {'\'', '"', 0xDE},  {',', '<', 0xBC},  {'.', '>', 0xBE},
      {'/', '?', 0xBF},  {' ', ' ', 0x20},
  };
  for (const auto& k : keys) {
    if (ch == k.plain) return LayoutKey{k.vk, 0};
    if (ch == k.shifted) return LayoutKey{k.vk, S};
  }
  return std::nullopt;
}

// The German keyboard. The letter keys report the letter's own code, as on every Latin
// layout: QWERTZ moves the scan codes of Y and Z, not their virtual keys.
std::optional<LayoutKey> GermanKey(char16_t ch) {
  if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9')) return UsKey(ch);
  static constexpr struct { char16_t ch; uint8_t vk, state; bool dead; } keys[] = {
      {'!', '1', S},       {'"', '2', S},        {u'§', '3', S},      {'$', '4', S},      {'%', '5', S},
      {'&', '6', S},       {'/', '7', S},        {'(', '8', S},       {')', '9', S},      {'=', '0', S},
      {u'ß', 0xDB, 0},     {'?', 0xDB, S},       {'\\', 0xDB, AltGr}, {u'ü', 0xBA, 0},    {'+', 0xBB, 0},
      {'*', 0xBB, S},      {'~', 0xBB, AltGr},   {u'ö', 0xC0, 0},     {u'ä', 0xDE, 0},    {'#', 0xBF, 0},
      {'\'', 0xBF, S},     {'<', 0xE2, 0},       {'>', 0xE2, S},      {'|', 0xE2, AltGr}, {',', 0xBC, 0},
      {';', 0xBC, S},      {'.', 0xBE, 0},       {':', 0xBE, S},      {'-', 0xBD, 0},     {'_', 0xBD, S},
      {'@', 'Q', AltGr},   {u'€', 'E', AltGr},   {'{', '7', AltGr},   {'[', '8', AltGr},  {']', '9', AltGr},
      {'}', '0', AltGr},   {'^', 0xDC, 0, true}, {u'°', 0xDC, S},     {u'´', 0xDD, 0, true},
      {'`', 0xDD, S, true}, {' ', 0x20, 0},
  };
  for (const auto& k : keys)
    if (ch == k.ch) return LayoutKey{k.vk, k.state, k.dead};
  return std::nullopt;
}

// United States-International as the system answers for it: the US keys, where the ' key
// (' and ") and the ` key (` and ~) are dead in both states, the 6 key only with Shift (^).
class UsInternationalAnswers : public LayoutAnswers {
 public:
  int16_t ScanChar(char16_t ch) override {
    const std::optional<LayoutKey> key = UsKey(ch);
    return key ? static_cast<int16_t>(key->shiftState << 8 | key->vk) : int16_t{-1};
  }
  int Translate(uint8_t vk, uint8_t shiftState) override {
    const bool shift = (shiftState & S) != 0;
    if (vk == 0xDE || vk == 0xC0) return -1;  // ' " and ` ~
    if (vk == 0x36 && shift) return -1;       // ^
    return 1;
  }
};

class FakeLayouts : public KeyboardLayout {
 public:
  std::optional<LayoutKey> KeyFor(LayoutId layout, char16_t ch) override {
    if (layout == kUs || layout == kChinese) return UsKey(ch);
    if (layout == kPinyinGaps || layout == kChineseGerman) return ch == '(' || ch == ')' ? std::nullopt : UsKey(ch);
    if (layout == kGerman) return GermanKey(ch);
    if (layout == kUsIntl) {
      UsInternationalAnswers answers;
      return FindLayoutKey(ch, answers);
    }
    return std::nullopt;
  }
};

TargetFacts Local(LayoutId layout = kUs) {
  return {.windowKnown = true, .imageName = "notepad.exe", .integrity = TargetIntegrity::SameOrLower, .layout = layout};
}
TargetFacts Remote(std::string image, LayoutId layout = kUs) {
  TargetFacts f = Local(layout);
  f.imageName = std::move(image);
  return f;
}
TargetFacts Console() {
  TargetFacts f = Local();
  f.imageName = "cmd.exe";
  f.console = true;
  return f;
}
TargetFacts Ime(uint32_t conversion, bool open = true, TargetFacts f = Local()) {
  f.imeOpen = open;
  f.imeConversion = conversion;
  return f;
}
TargetFacts With(TargetFacts f, TargetIntegrity integrity, uint8_t modifiers = 0) {
  f.integrity = integrity;
  f.modifiers = modifiers;
  return f;
}
ReservedKeys Keys(std::initializer_list<int> vks) {
  ReservedKeys r;
  for (int vk : vks) r.set(static_cast<size_t>(vk));
  return r;
}

struct Expected {
  PlanStatus status;
  size_t refusedAt;
  Events events;
  uint8_t refusedForHotkey = 0;
};
Expected Types(Events events) { return {PlanStatus::Ready, 0, std::move(events)}; }
Expected Refused(size_t position, uint8_t hotkeyKey = 0) { return {PlanStatus::RemoteCannotType, position, {}, hotkeyKey}; }
Expected Only(PlanStatus status) { return {status, 0, {}}; }
// Paced: Shift goes down before its key and up after it.
Events Around(uint8_t vk) { return {Down(16), Down(vk), Up(vk), Up(16)}; }

}  // namespace

TEST(PlanTyping, WhatIsTypedForEachKindOfTarget) {
  using enum PlanStatus;
  constexpr auto Same = TargetIntegrity::SameOrLower;
  TargetFacts unknownWindow = Ime(kImeNative);
  unknownWindow.windowKnown = false;
  unknownWindow.imageName = "mstsc.exe";
  TargetFacts own = Local();
  own.ownProcess = true;
  const struct Case {
    const char* what;
    std::string_view text;
    TargetFacts facts;
    Expected expected;
    bool capsOn = false;
    ReservedKeys reserved = {};
    bool slow = false;  // the user asked for slow typing
  } cases[] = {
      {"US plain", "Ab1! z", Local(), Types(Shifted(65) + Chord(66) + Chord(49) + Shifted(49) + Chord(32) + Chord(90))},
      {"US, Chinese", "\xD5\xC5\xC8\xFD a", Local(), Types(Char(0x5F20) + Char(0x4E09) + Chord(32) + Chord(65))},
      {"Chinese layout", "a@", Local(kChinese), Types(Chord(65) + Shifted(50))},
      {"Caps Lock on", "Ab", Local(), Types(Chord(20) + Shifted(65) + Chord(66) + Chord(20)), true},
      {"reserved key, local", "xa", Local(), Types(Chord(88) + Char('a')), false, Keys({65})},
      {"IME native, Caps Lock untouched", "a1 ,\xD5\xC5", Ime(kImeNative | 0x400),
       Types(Char('a') + Char('1') + Char(' ') + Char(',') + Char(0x5F20)), true},
      {"IME full-shape", "a1", Ime(kImeFullShape), Types(Char('a') + Char('1'))},
      {"IME alphanumeric", "a1 ,", Ime(0), Types(Chord(65) + Chord(49) + Chord(32) + Chord(188))},
      {"IME closed", "a1", Ime(kImeNative | kImeFullShape, false), Types(Chord(65) + Chord(49))},
      {"no window has the keyboard", "a\xD5\xC5", unknownWindow, Only(NoWindow)},
      {"our own window, even elevated and Shift held", "a", With(own, TargetIntegrity::Higher, kModifierShift),
       Only(OwnWindow)},
      {"console: keys", "Ab 1", Console(), Types(Chord(20) + Shifted(65) + Chord(66) + Chord(32) + Chord(49) + Chord(20)),
       true},
      {"console: Chinese refused", "ab\xD5\xC5", Console(), Refused(3)},
      {"console: its IME composing", "a", Ime(kImeNative, true, Console()), Only(ConsoleImeOn)},
      {"console: its IME closed", "a", Ime(kImeNative, false, Console()), Types(Chord(65))},
      {"integrity unknown", "a", With(Local(), TargetIntegrity::Unknown), Types(Chord(65))},
      {"elevated", "abc", With(Local(), TargetIntegrity::Higher), Only(TargetElevated)},
      {"elevated, Alt held", "abc", With(Local(), TargetIntegrity::Higher, kModifierAlt), Only(TargetElevated)},
      {"Shift held", "abc", With(Local(), Same, kModifierShift), Only(WaitForModifiers)},
      {"Win held", "abc", With(Ime(kImeNative), Same, kModifierWin), Only(WaitForModifiers)},
      {"nothing to type", "\r\n\t", Remote("mstsc.exe"), Types({}), true},
      {"German: @ as Unicode, z and y keys", "@zy#/", Local(kGerman),
       Types(Char('@') + Chord(0x5A) + Chord(0x59) + Chord(0xBF) + Shifted(0x37))},
      {"German: AltGr", "\\{|~", Local(kGerman), Types(Char('\\') + Char('{') + Char('|') + Char('~'))},
      {"German: dead keys", "^`", Local(kGerman), Types(Char('^') + Char('`'))},
      {"German: degree sign as Unicode", "\xA1\xE3", Local(kGerman), Types(Char(0xB0))},
      {"no key in the layout", "a1", Local(kUnknown), Types(Char('a') + Char('1'))},
      {"US International: dead with Shift only", "P^6'", Local(kUsIntl),
       Types(Shifted(0x50) + Char('^') + Chord(0x36) + Char('\''))},
      {"remote US International: shifted dead key", "a^", Remote("mstsc.exe", kUsIntl), Refused(2)},
      // Remote clients: keys or nothing.
      {"remote, plain ASCII, Shift around its key", "Ab 1", Remote("AnyDesk.exe"),
       Types(Chord(20) + Around(65) + Chord(66) + Chord(32) + Chord(49) + Chord(20)), true},
      {"remote, its window's IME ignored", "a", Ime(kImeNative, true, Remote("mstsc.exe")), Types(Chord(65))},
      {"remote, Chinese", "a\tb\xD5\xC5", Remote("C:\\Windows\\System32\\MSTSC.EXE"), Refused(4)},
      {"remote German: u-umlaut by its key, @ refused", "\xA8\xB9" "a@", Remote("vmconnect.exe", kGerman),
       Refused(3)},  // character 3, byte 4
      {"remote German: u-umlaut and degree by keys", "\xA8\xB9\xA1\xE3z", Remote("vncviewer.exe", kGerman),
       Types(Chord(0xBA) + Around(0xDC) + Chord(0x5A))},
      {"remote German: dead key", "a^", Remote("rustdesk.exe", kGerman), Refused(2)},
      {"remote: reserved key", "xa", Remote("mstsc.exe"), Refused(2, 65), false, Keys({65})},
      {"remote: reserved Shift", "aB", Remote("mstsc.exe"), Refused(2, 160), false, Keys({160})},
      {"remote: reserved space", "a b", Remote("mstsc.exe"), Refused(2, 32), false, Keys({32})},
      {"remote: Caps Lock on and reserved", "1a", Remote("mstsc.exe"), Refused(2, 20), true, Keys({20})},
      {"remote: hotkey on a key the text lacks, Chinese", "a\xD5\xC5", Remote("mstsc.exe"), Refused(2), false,
       Keys({66})},
      {"remote: no key in the layout", "a", Remote("mstsc.exe", kUnknown), Refused(1)},
      {"local, slow: Shift around its key, Unicode as ever", "A\xD5\xC5", Local(), Types(Around(65) + Char(0x5F20)),
       false, {}, true},
      {"console, slow: keys or nothing as ever", "A\xD5\xC5", Console(), Refused(2), false, {}, true},
      {"remote, US keys read with gaps: the US key", "(a)", Remote("vmware.exe", kPinyinGaps),
       Types(Around(0x39) + Chord(65) + Around(0x30))},
      {"local, US keys read with gaps: the US key", "(", Local(kPinyinGaps), Types(Shifted(0x39))},
      {"remote, other keys read with gaps: no key", "a(", Remote("vmware.exe", kChineseGerman), Refused(2)},
  };
  for (const Case& c : cases) {
    IconvEnvironment gbk("GBK", c.capsOn);
    FakeLayouts layouts;
    const TypingPlan plan = PlanTyping(c.text, c.facts, gbk, layouts, c.reserved, {.paced = c.slow});
    EXPECT_EQ(plan.status(), c.expected.status) << c.what;
    EXPECT_EQ(plan.refusedAt(), c.expected.refusedAt) << c.what;
    EXPECT_EQ(plan.refusedForHotkey(), c.expected.refusedForHotkey) << c.what;
    EXPECT_EQ(plan.events(), c.expected.events) << c.what;
  }
}

TEST(PlanTyping, OnTheUsKeysEveryCharacterIsTypedAsBefore) {
  std::string all;
  for (char c = ' '; c <= '~'; ++c) all += c;
  const ReservedKeys reservedSets[] = {{}, Keys({65}), Keys({16, 32}), Keys({20}), Keys({119, 120})};
  for (LayoutId layout : {kUs, kChinese})
    for (bool caps : {false, true})
      for (const ReservedKeys& reserved : reservedSets)
        for (size_t n = 0; n <= all.size(); ++n) {
          // Each character alone, then all of them at once.
          const std::string text = n < all.size() ? all.substr(n, 1) : all;
          IconvEnvironment gbk("GBK", caps);
          FakeLayouts layouts;
          const TypingPlan plan = PlanTyping(text, Local(layout), gbk, layouts, reserved);
          EXPECT_EQ(plan.status(), PlanStatus::Ready);
          EXPECT_EQ(plan.events(), KeyEventsForText(text, gbk, reserved)) << text << " caps " << caps;
        }
}

TEST(PlanTyping, HeldModifiersAreWaitedForAboutASecond) {
  // poll time (ms after the press), modifiers then -> step
  const ModifierWait wait(5000ms);
  const struct { std::chrono::milliseconds at; uint8_t modifiers; ModifierWait::Step step; } polls[] = {
      {4990ms, kModifierCtrl, ModifierWait::Step::Waiting},  // a clock that went back
      {5020ms, kModifierShift, ModifierWait::Step::Waiting},
      {5999ms, kModifierShift | kModifierAlt, ModifierWait::Step::Waiting},
      {6000ms, kModifierWin, ModifierWait::Step::GaveUp},
      {9000ms, kModifierCtrl, ModifierWait::Step::GaveUp},
      {5300ms, 0, ModifierWait::Step::Released},
      {6000ms, 0, ModifierWait::Step::Released},  // up at the limit: still typed
      {5300ms, 0x10, ModifierWait::Step::Released},  // not a modifier
  };
  for (const auto& p : polls) EXPECT_EQ(wait.Poll(p.modifiers, p.at), p.step) << p.at.count();

  // The flow at the hotkey: Shift still down, then up 200 ms later.
  IconvEnvironment gbk;
  FakeLayouts layouts;
  TargetFacts facts = With(Local(), TargetIntegrity::SameOrLower, kModifierShift);
  EXPECT_EQ(PlanTyping("ab", facts, gbk, layouts).status(), PlanStatus::WaitForModifiers);
  const ModifierWait press(0ms);
  EXPECT_EQ(press.Poll(facts.modifiers, 20ms), ModifierWait::Step::Waiting);
  facts.modifiers = 0;
  ASSERT_EQ(press.Poll(facts.modifiers, 200ms), ModifierWait::Step::Released);
  TypingPlan plan = PlanTyping("ab", facts, gbk, layouts);
  TypingPlan taken = std::move(plan);
  EXPECT_EQ(taken.events(), Chord(65) + Chord(66));
  EXPECT_TRUE(plan.events().empty());  // NOLINT(bugprone-use-after-move): moving leaves no copy behind
}

TEST(PlanTyping, RemoteClientsByFileNameAndVkKeyScanResults) {
  const std::pair<std::string_view, bool> names[] = {
      {"mstsc.exe", true},      {"MsTsC.ExE", true},        {"D:\\VM\\vmware.exe", true},
      {"C:/x/TeamViewer.exe", true}, {"SunloginClient.exe", true}, {"VirtualBoxVM.exe", true},
      {"mstsc", false},         {"mstsc.exe.bak", false},   {"notmstsc.exe", false},
      {"", false},              {"chrome.exe", false},
      // A second download, a 64-bit or versioned build, a manager hosting the sessions.
      {"AnyDesk (1).exe", true},  {"vncviewer64.exe", true},  {"TeamViewer_x64.exe", true},
      {"tvnviewer-2.8.81.exe", true}, {"RDCMan.exe", true},   {"mRemoteNG.exe", true},
      {"RoyalTS6.exe", true},     {"RemoteDesktopManager64.exe", true}, {"wfica32.exe", true},
      {"anydesk (x).exe", false}, {"64.exe", false},          {"desk.exe", false},
      {"\x95\x5Cmstsc.exe", false},  // 昞mstsc.exe: the 0x5C is a trail byte, not a separator
      // Virtual-machine consoles and clients that relay keys.
      {"remote-viewer.exe", true}, {"virt-viewer.exe", true}, {"qemu-system-x86_64.exe", true},
      {"parsecd.exe", true},       {"RemoteDesktopManagerFree.exe", true}, {"nxplayer.exe", true},
      {"strwinclt.exe", true},     {"Microsoft.RemoteDesktop.exe", true},  {"viewer.exe", false},
  };
  for (const auto& [name, remote] : names) EXPECT_EQ(IsRemoteClient(name), remote) << name;

  const struct { int16_t scan; bool dead; std::optional<LayoutKey> key; } scans[] = {
      {-1, false, std::nullopt},
      {0x0041, false, LayoutKey{0x41, 0}},
      {0x0132, false, LayoutKey{0x32, kLayoutShift}},
      {0x0651, false, LayoutKey{0x51, kLayoutCtrl | kLayoutAlt}},
      {0x00DC, true, LayoutKey{0xDC, 0, true}},
      {0x00FF, false, std::nullopt},
  };
  for (const auto& s : scans) EXPECT_EQ(LayoutKeyFromScan(s.scan, s.dead), s.key) << s.scan;

  const std::pair<std::string_view, bool> classes[] = {
      {"ConsoleWindowClass", true}, {"CASCADIA_HOSTING_WINDOW_CLASS", true}, {"consolewindowclass", true},
      {"Edit", false}, {"ConsoleWindowClass2", false}, {"", false},
  };
  for (const auto& [name, console] : classes) EXPECT_EQ(IsConsoleWindowClass(name), console) << name;
}

TEST(PlanTyping, TheImeIsTakenAsItAnswers) {
  // Switched off in Chinese mode is the usual state after toggling it off: keys then.
  const struct { ImeAnswers answers; bool open; uint32_t conversion; } cases[] = {
      {{std::nullopt, std::nullopt}, false, 0},       // no answer in time
      {{0, kImeNative}, false, 0},                    // closed, Chinese mode
      {{1, std::nullopt}, true, kImeNative},          // open, mode unknown: taken as composing
      {{1, kImeFullShape}, true, kImeFullShape},
      {{1, 0}, true, 0},                              // open, alphanumeric
  };
  for (const auto& c : cases) {
    TargetFacts facts = Local();
    TakeImeAnswers(c.answers, facts);
    EXPECT_EQ(std::pair(facts.imeOpen, facts.imeConversion), std::pair(c.open, c.conversion)) << &c - cases;
  }
}
