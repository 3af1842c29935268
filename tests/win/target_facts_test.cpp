// The facts read about the program in front, and the typing planned from them, against a
// real target in a process of its own (tests/win/tools/typing_target.cpp), once under its
// own name and once as "mstsc.exe", the stand-in for a remote-desktop client.
//
// What Wine cannot show here, covered by the portable tests of the plan instead:
//   - a real IME: Wine gives no default IME window for another process's window
//     (ImmGetDefaultIMEWnd returns NULL), so the target reads as "no IME"; and the default
//     IME window of this process's own window answers 1 to both questions (open, mode)
//     whatever ImmSetOpenStatus set, so even there a closed IME cannot be shown;
//   - an elevated target: every Wine process runs at the same integrity level, and there
//     is no user interface privilege isolation to drop the events; nor does Wine refuse a
//     token to a handle without the right to read it;
//   - other layouts than the session's one (US, or Chinese with the US keys) and their
//     dead keys and AltGr.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/handles_win.h"
#include "driver/driver.h"
#include "input/target_facts_win.h"
#include "input/typing_plan.h"
#include "input/typing_win.h"
#include "tests/win/test_util.h"
#include "tests/win/tools/typing_target.h"

using namespace quorrel;
using namespace std::chrono_literals;
namespace tt = quorrel::typing_target;

using quorrel::e2e::SendKey;

namespace {

std::string TestsFolder() {
  char path[MAX_PATH] = {};
  std::string s(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
  return s.substr(0, s.find_last_of('\\'));
}

template <typename F>
bool WaitUntil(F ready, std::chrono::milliseconds timeout = 5s) {
  for (auto end = std::chrono::steady_clock::now() + timeout; !ready(); Sleep(10))
    if (std::chrono::steady_clock::now() > end) return false;
  return true;
}

struct WindowSearch {
  DWORD pid;
  HWND found = nullptr;
};
BOOL CALLBACK FindTargetWindow(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<WindowSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  // Whole: the window shows while its edit box is still being made.
  if (pid == s->pid && lstrcmpW(cls, tt::kClass) == 0 && FindWindowExW(hwnd, nullptr, L"EDIT", nullptr))
    s->found = hwnd;
  return s->found == nullptr;
}

// The typing target, started from the given file, in front with the caret in its box;
// ended by its id when the object goes.
class Target {
 public:
  explicit Target(const std::string& exe, bool hooked = true) {
    std::string commandLine = "\"" + exe + "\" 120" + (hooked ? "" : " unhooked");
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &si, &pi))
      return;
    process_.reset(pi.hProcess);
    thread_.reset(pi.hThread);
    WindowSearch search{pi.dwProcessId};
    WaitUntil(
        [&] {
          EnumWindows(FindTargetWindow, reinterpret_cast<LPARAM>(&search));
          return search.found != nullptr;
        },
        10s);
    window_ = search.found;
    if (window_) edit_ = FindWindowExW(window_, nullptr, L"EDIT", nullptr);
  }
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;
  ~Target() {
    if (process_) TerminateProcess(process_.get(), 1), WaitForSingleObject(process_.get(), 5000);
  }

  HWND window() const { return window_; }
  HWND edit() const { return edit_; }
  HANDLE thread() const { return thread_.get(); }
  bool Front() const {
    return window_ && edit_ && WaitUntil([&] {
             SetForegroundWindow(window_);
             Sleep(20);
             return GetForegroundWindow() == window_;
           });
  }
  LRESULT Ask(UINT question, WPARAM wParam = 0) const {
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window_, question, wParam, 0, SMTO_ABORTIFHUNG, 2000, &answer);
    return static_cast<LRESULT>(answer);
  }
  std::vector<tt::SeenEvent> Seen() const {
    std::vector<tt::SeenEvent> seen;
    const LRESULT n = Ask(tt::kKeyEvents) + Ask(tt::kUnicodeEvents);
    for (LRESULT i = 0; i < n; ++i)
      seen.push_back(tt::Unpacked(static_cast<uint32_t>(Ask(tt::kEventAt, static_cast<WPARAM>(i)))));
    return seen;
  }
  std::wstring Text() const {
    wchar_t buf[512] = {};
    DWORD_PTR got = 0;
    SendMessageTimeoutW(edit_, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &got);
    return buf;
  }

 private:
  UniqueHandle process_;
  UniqueHandle thread_;
  HWND window_ = nullptr;
  HWND edit_ = nullptr;
};

// The copy of the target under a remote-desktop client's name, in a folder of its own.
struct RemoteClientCopy {
  TempDir dir;
  std::string exe = dir.path() + "\\mstsc.exe";
  bool made = CopyFileA((TestsFolder() + "\\typing_target.exe").c_str(), exe.c_str(), FALSE) != FALSE;
};


// Key events as the hook reports them: key, scan code, up. Wine's hook leaves the up flag
// off a Unicode character's key-up, so a VK_PACKET event is always "down" here.
struct Key {
  uint8_t vk;
  uint16_t scan;
  bool up;
  bool operator==(const Key&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Key& k) {
  return out << "{" << int{k.vk} << ", 0x" << std::hex << k.scan << std::dec << (k.up ? ", up}" : ", down}");
}
std::vector<Key> Keys(const std::vector<tt::SeenEvent>& events) {
  std::vector<Key> keys;
  for (const auto& e : events) {
    EXPECT_TRUE(e.flags & LLKHF_INJECTED);
    keys.push_back({e.vk, e.scan, e.vk != VK_PACKET && (e.flags & LLKHF_UP) != 0});
  }
  return keys;
}

bool UsKeys(LayoutId layout) {
  const auto language = static_cast<uint16_t>(layout);
  return language == 0x0409 || language == 0x0804;
}

}  // namespace

TEST(TargetFacts, ReadFromTheProgramInFrontUnderItsOwnNameAndAsARemoteClient) {
  RemoteClientCopy copy;
  ASSERT_TRUE(copy.made);
  const struct {
    std::string exe, name;
    bool remote;
  } programs[] = {
      {TestsFolder() + "\\typing_target.exe", "typing_target.exe", false},
      {copy.exe, "mstsc.exe", true},
  };
  for (const auto& p : programs) {
    Target target(p.exe);
    ASSERT_TRUE(target.Front()) << p.name;
    const TargetFacts facts = ReadTargetFacts();
    EXPECT_TRUE(facts.windowKnown) << p.name;
    EXPECT_EQ(facts.imageName, p.name);
    EXPECT_EQ(IsRemoteClient(facts.imageName), p.remote) << p.name;
    EXPECT_EQ(facts.integrity, TargetIntegrity::SameOrLower) << p.name;
    const DWORD thread = GetWindowThreadProcessId(target.window(), nullptr);
    EXPECT_EQ(facts.layout, reinterpret_cast<LayoutId>(GetKeyboardLayout(thread))) << p.name;
    EXPECT_TRUE(UsKeys(facts.layout)) << std::hex << facts.layout;
    // No IME window for another process's window under Wine: read as no IME.
    EXPECT_FALSE(facts.imeOpen) << p.name;
    EXPECT_EQ(facts.imeConversion, 0u) << p.name;
    EXPECT_EQ(facts.modifiers, 0) << p.name;

    // A hung target: nothing read waits on its thread.
    SuspendThread(target.thread());
    const auto start = std::chrono::steady_clock::now();
    const TargetFacts hung = ReadTargetFacts();
    const auto took = std::chrono::steady_clock::now() - start;
    ResumeThread(target.thread());
    EXPECT_LT(took, 300ms) << p.name;
    EXPECT_EQ(hung.imageName, p.name);
  }
  // The targets gone, Wine leaves no window in front (a test run in one process may
  // still have one of its own there): nothing is known then.
  if (WaitUntil([] { return GetForegroundWindow() == nullptr; }, 2s)) {
    const TargetFacts none = ReadTargetFacts();
    EXPECT_FALSE(none.windowKnown);
    EXPECT_EQ(none.imageName, "");
    // Whatever gets the keys then, the user's own layout names them.
    EXPECT_EQ(none.layout, reinterpret_cast<LayoutId>(GetKeyboardLayout(0)));
    EXPECT_EQ(ReadKeyboardOwner(), KeyboardOwner{});
  }
  EXPECT_EQ(ProcessImageName(0xFFFFFFF0), "");  // ids are multiples of 4: never a process
  EXPECT_EQ(IntegrityOf(0xFFFFFFF0), TargetIntegrity::Unknown);
  EXPECT_EQ(IntegrityOf(GetCurrentProcessId()), TargetIntegrity::SameOrLower);
  // A process whose token is closed to us (a handle without the right to read it, as
  // another user's or a self-guarding process gives) is not taken as elevated.
  UniqueHandle closed(OpenProcess(SYNCHRONIZE, FALSE, GetCurrentProcessId()));
  ASSERT_TRUE(closed);
  EXPECT_NE(IntegrityOfProcess(closed.get()), TargetIntegrity::Higher);
}

// A batch bound to the window that had the keyboard goes there, and nowhere else: with
// another window in front at the last moment nothing is injected.
TEST(TargetFacts, ABoundBatchGoesOnlyToTheWindowOfThePress) {
  Target other(TestsFolder() + "\\typing_target.exe");
  e2e::TargetWindow own;
  own.Focus();
  const KeyboardOwner press = ReadKeyboardOwner();
  EXPECT_EQ(press, (KeyboardOwner{own.hwnd(), own.edit(), GetCurrentProcessId()}));
  const std::vector<KeyEvent> keys = KeyChordEvents('Q');

  ASSERT_TRUE(other.Front());
  EXPECT_EQ(ReadKeyboardOwner().foreground, other.window());
  SendInputInjector bound({.boundTo = press});
  EXPECT_EQ(bound.InjectIntoTarget(keys), std::nullopt);
  EXPECT_EQ(bound.Inject(KeyChordEvents(VK_SHIFT)), 2u);  // releases are never held back
  Sleep(200);
  EXPECT_EQ(other.Text(), L"");

  own.Focus();
  EXPECT_EQ(bound.InjectIntoTarget(keys), std::optional<size_t>(2));
  EXPECT_EQ(own.WaitText(1), "q");
}

// The keys go to the focused window, whichever process owns it: here another program's box
// embedded in a window of ours, as browsers and remote clients embed theirs.
TEST(TargetFacts, TheKeyboardOwnerIsTheProcessOfTheFocusedWindowNotOfTheOneInFront) {
  Target other(TestsFolder() + "\\typing_target.exe", false);
  ASSERT_TRUE(other.edit());
  DWORD otherProcess = 0;
  const DWORD otherThread = GetWindowThreadProcessId(other.edit(), &otherProcess);
  e2e::TargetWindow own;
  ASSERT_TRUE(SetParent(other.edit(), own.hwnd()));
  // Windows shares the input of a parent's and its child's threads; Wine needs telling.
  AttachThreadInput(GetCurrentThreadId(), otherThread, TRUE);
  const bool focused = WaitUntil([&] {
    SetForegroundWindow(own.hwnd());
    SetFocus(other.edit());
    Sleep(20);
    return GetForegroundWindow() == own.hwnd() && GetFocus() == other.edit();
  });
  const KeyboardOwner owner = ReadKeyboardOwner();
  AttachThreadInput(GetCurrentThreadId(), otherThread, FALSE);
  SetParent(other.edit(), other.window());
  ASSERT_TRUE(focused);
  EXPECT_NE(otherProcess, GetCurrentProcessId());
  EXPECT_EQ(owner, (KeyboardOwner{own.hwnd(), other.edit(), otherProcess}));
}

TEST(TargetFacts, ModifiersHeldNowWhateverTheirSide) {
  Target target(TestsFolder() + "\\typing_target.exe", false);  // see typing_target.cpp on the hook
  ASSERT_TRUE(target.Front());
  const struct {
    WORD vk;
    uint8_t bit;
  } keys[] = {{VK_SHIFT, kModifierShift}, {VK_RSHIFT, kModifierShift}, {VK_CONTROL, kModifierCtrl},
              {VK_LMENU, kModifierAlt},   {VK_LWIN, kModifierWin},     {VK_RWIN, kModifierWin}};
  for (const auto& k : keys) {
    // Under Wine a foreground change still settling clears the key state: pressed once more.
    bool seen = false;
    for (int attempt = 0; attempt < 2 && !seen; ++attempt) {
      ASSERT_TRUE(target.Front());
      SendKey(k.vk, false);
      seen = WaitUntil([&] { return ReadTargetFacts().modifiers == k.bit; }, 2s);
      SendKey(k.vk, true);
      EXPECT_TRUE(WaitUntil([&] { return ReadTargetFacts().modifiers == 0; }, 2s)) << k.vk;
    }
    EXPECT_TRUE(seen) << k.vk;
  }
  // Two at once.
  SendKey(VK_SHIFT, false);
  SendKey(VK_CONTROL, false);
  EXPECT_TRUE(WaitUntil([] { return ReadTargetFacts().modifiers == (kModifierShift | kModifierCtrl); }, 2s));
  SendKey(VK_CONTROL, true);
  SendKey(VK_SHIFT, true);
  EXPECT_TRUE(WaitUntil([] { return HeldModifiers() == 0; }, 2s));
}

TEST(SystemKeyboardLayout, SessionLayoutGivesTheUsKeysAndNothingElse) {
  const auto session = reinterpret_cast<LayoutId>(GetKeyboardLayout(0));
  ASSERT_TRUE(UsKeys(session)) << std::hex << session;
  // Wine answers VkKeyScanExW from the X server's keymap, whatever the layout: on the
  // bench's display ( and ) have no key and < is on the key beside the left Shift.
  const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  const std::pair<char, std::optional<LayoutKey>> wineKeys[] = {
      {'(', std::nullopt}, {')', std::nullopt}, {'<', LayoutKey{VK_OEM_102, 0, false}}};
  SystemKeyboardLayout layouts;
  for (int round = 0; round < 2; ++round) {  // the second round from the cache
    for (const CharKey& k : CharKeyTable) {
      std::optional<LayoutKey> expected = LayoutKey{k.vk, static_cast<uint8_t>(k.shift ? kLayoutShift : 0), false};
      for (const auto& [ch, key] : wineKeys)
        if (wine && ch == k.ch) expected = key;
      EXPECT_EQ(layouts.KeyFor(session, static_cast<char16_t>(k.ch)), expected) << k.ch;
    }
    EXPECT_EQ(layouts.KeyFor(session, u' '), (LayoutKey{VK_SPACE, 0, false}));
  }
  // No key: a euro sign, a Chinese character, an e with acute accent.
  for (char16_t ch : {u'\u20AC', u'\u5F20', u'\u00E9'}) EXPECT_EQ(layouts.KeyFor(session, ch), std::nullopt) << int{ch};
  // A layout that is not loaded has no keys at all.
  constexpr LayoutId kNotLoaded = 0x12345678;
  EXPECT_FALSE(LayoutLoaded(reinterpret_cast<HKL>(kNotLoaded)));
  for (char16_t ch : {u'a', u'1', u'\u00FC'}) EXPECT_EQ(layouts.KeyFor(kNotLoaded, ch), std::nullopt) << int{ch};
}

TEST(TargetFacts, TheTypingPlannedForTheTargetArrivesAsPlanned) {
  ASSERT_EQ(GetKeyState(VK_CAPITAL) & 1, 0) << "Caps Lock is on";
  RemoteClientCopy copy;
  ASSERT_TRUE(copy.made);
  const std::string local = TestsFolder() + "\\typing_target.exe";
  constexpr uint16_t A = 0x1E, B = 0x30, One = 0x02, Shift = 0x2A;  // scan codes of the US keys
  const struct Case {
    const char* what;
    const std::string& exe;
    std::string text;  // ANSI (GBK)
    PlanStatus status;
    std::wstring landed;
    std::vector<Key> keys;  // VK_PACKET events included
  } cases[] = {
      {"local: keys without scan codes, Chinese as Unicode", local, "aB\xD5\xC5", PlanStatus::Ready, L"aB\x5F20",
       {{'A', 0, false}, {'A', 0, true}, {VK_SHIFT, 0, false}, {'B', 0, false}, {VK_SHIFT, 0, true}, {'B', 0, true},
        {VK_PACKET, 0x5F20, false}, {VK_PACKET, 0x5F20, false}}},
      {"remote: keys with their scan codes, Shift around its key", copy.exe, "aB1", PlanStatus::Ready, L"aB1",
       {{'A', A, false}, {'A', A, true}, {VK_SHIFT, Shift, false}, {'B', B, false}, {'B', B, true},
        {VK_SHIFT, Shift, true}, {'1', One, false}, {'1', One, true}}},
      {"remote: a character without a key types nothing", copy.exe, "a\xD5\xC5", PlanStatus::RemoteCannotType, L"", {}},
  };
  for (const Case& c : cases) {
    Target target(c.exe);
    ASSERT_TRUE(target.Front()) << c.what;
    ASSERT_EQ(target.Ask(tt::kReset), 1) << c.what;

    // As at the hotkey press: the facts, the plan, one injection.
    SystemTypingEnvironment environment;
    SystemKeyboardLayout layouts;
    const TargetFacts facts = ReadTargetFacts();
    const TypingPlan plan = PlanTyping(c.text, facts, environment, layouts);
    EXPECT_EQ(plan.status(), c.status) << c.what;
    if (plan.status() == PlanStatus::Ready) {
      SendInputInjector withScanCodes({.scanCodeLayout = reinterpret_cast<HKL>(facts.layout)});
      SendInputInjector plain;
      KeyInjector& injector = plan.remoteClient() ? static_cast<KeyInjector&>(withScanCodes) : plain;
      EXPECT_EQ(injector.Inject(plan.events()), plan.events().size()) << c.what;
    }
    WaitUntil([&] { return target.Text() == c.landed && target.Seen().size() >= c.keys.size(); }, 3s);
    if (c.keys.empty()) Sleep(200);  // time for anything that should not come
    EXPECT_EQ(target.Text(), c.landed) << c.what;
    EXPECT_EQ(Keys(target.Seen()), c.keys) << c.what;
    EXPECT_EQ(target.Ask(tt::kUnicodeEvents), c.landed.find(L'\x5F20') != std::wstring::npos ? 2 : 0) << c.what;
  }
}
