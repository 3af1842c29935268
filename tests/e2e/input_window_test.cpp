// The input window of a file start, seen from outside: what its boxes show, what the two
// hotkeys type into another program, files dropped on it, keys held by someone else and
// files that are not account files.
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <vector>

#include "driver/drag_drop.h"
#include "driver/e2e_test.h"
#include "exchange/account_file.h"

namespace quorrel::e2e {
namespace {

constexpr char kInputTitle[] = "辅助输入";

// What typing a text is meant to produce: its bytes that have a key (0x21-0x7E), in order.
std::string Typable(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c >= 0x21 && c <= 0x7E) out += c;
  return out;
}

std::string AllPunctuation() {
  std::string p;
  for (int c = 0x21; c <= 0x7E; ++c)
    if (!isalnum(c)) p += static_cast<char>(c);
  return p;
}

std::string DesktopFolder() {
  char path[MAX_PATH] = {};
  if (SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return {};
  return path;
}

// An account file exported to the desktop the way the program exports it; removed again.
class DesktopAccountFile {
 public:
  DesktopAccountFile(const std::string& baseName, const std::string& user, const std::string& password)
      : path_(DesktopFolder() + "\\" + baseName + ".Pw") {
    written_ = WriteAccountFile(baseName, user, password);
  }
  ~DesktopAccountFile() { DeleteFileA(path_.c_str()); }
  bool written() const { return written_ && GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool written_ = false;
};

// A window of the test's own that may hold hotkeys and counts their presses by id.
class HotkeyCatcher {
 public:
  HotkeyCatcher() {
    static bool registered = false;
    HINSTANCE inst = GetModuleHandleW(nullptr);
    if (!registered) {
      WNDCLASSW wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = inst;
      wc.lpszClassName = L"QuorrelTestHotkeyCatcher";
      RegisterClassW(&wc);
      registered = true;
    }
    hwnd_ = CreateWindowExW(0, L"QuorrelTestHotkeyCatcher", L"catcher", WS_OVERLAPPED, 0, 0, 50, 50, nullptr,
                            nullptr, inst, nullptr);
    Presses().clear();
  }
  HotkeyCatcher(const HotkeyCatcher&) = delete;
  HotkeyCatcher& operator=(const HotkeyCatcher&) = delete;
  ~HotkeyCatcher() {
    for (int id : ids_) UnregisterHotKey(hwnd_, id);
    DestroyWindow(hwnd_);
  }
  bool Hold(int id, UINT vk) {
    if (!RegisterHotKey(hwnd_, id, 0, vk)) return false;
    ids_.push_back(id);
    return true;
  }
  void Release(int id) {
    UnregisterHotKey(hwnd_, id);
    std::erase(ids_, id);
  }
  // True when nobody else holds the key (it is taken and given back at once).
  bool Free(UINT vk) {
    if (!RegisterHotKey(hwnd_, 0xB00, 0, vk)) return false;
    UnregisterHotKey(hwnd_, 0xB00);
    return true;
  }
  static int PressesOf(int id) { return Presses()[id]; }

 private:
  static std::map<int, int>& Presses() {
    static std::map<int, int> presses;
    return presses;
  }
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_HOTKEY) {
      ++Presses()[static_cast<int>(wp)];
      return 0;
    }
    return DefWindowProcW(h, m, wp, lp);
  }
  HWND hwnd_ = nullptr;
  std::vector<int> ids_;
};

struct InputWindow {
  HWND window = nullptr;
  HWND account = nullptr;   // 账号
  HWND password = nullptr;  // 密码
  explicit operator bool() const { return window && account && password; }
};

class InputWindowTest : public E2eTest {
 protected:
  static std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

  std::string WriteAccount(const std::string& name, const std::string& user, const std::string& password) {
    run_.Write(name, BuildAccountFileContent(user, password));
    return run_.File(name);
  }

  InputWindow Open(const Process& p) {
    InputWindow w;
    w.window = WaitWindow(p.id(), kInputTitle);
    if (!w.window) return w;
    std::vector<HWND> edits = Children(w.window, "Edit");
    if (edits.size() == 2) {
      w.account = edits[0];
      w.password = edits[1];
    }
    return w;
  }

  // Presses the hotkey with the caret in the target's box; what landed there.
  std::string Typed(WORD vk, size_t expectedLength) {
    target_.Clear();
    target_.Focus();
    PressKey(vk);
    return target_.WaitText(expectedLength);
  }

  // Presses the hotkey and gives the program ample time to type; the box stays empty.
  std::string TypedWhenNothingIsExpected(WORD vk) {
    target_.Clear();
    target_.Focus();
    PressKey(vk);
    Pump(500ms);
    return target_.TextAnsi();
  }

  static std::vector<HWND> VisibleWindowsOf(const Process& p) {
    std::vector<HWND> visible;
    for (HWND h : WindowsOf(p.id()))
      if (IsWindowVisible(h)) visible.push_back(h);
    return visible;
  }

  void CloseAndExpectExit(Process& p, const InputWindow& w) {
    PostMessageW(w.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitExit(10s), std::optional<DWORD>(0));
  }

  TargetWindow target_;
  HotkeyCatcher catcher_;
};

// --- the main flow -----------------------------------------------------------------------

TEST_F(InputWindowTest, AnExportedFileOpensAndItsAccountIsTypedByteForByte) {
  // Mixed case, digits, every punctuation character, a space, and Chinese characters, one
  // of them with a trail byte that is an ASCII character (81 40: "@"; 95 5C: "\").
  const std::string user = "Ab9z " + AllPunctuation() + " \xD6\xD0\xCE\xC4\x81\x40q\x95\x5C" "7";
  std::string punctuationReversed = AllPunctuation();
  std::reverse(punctuationReversed.begin(), punctuationReversed.end());
  const std::string password = "\xC3\xDC\xC2\xEB" "Pw0 " + punctuationReversed + "x\x81\x40Y \xD6\xD0";
  ASSERT_EQ(user.find("----"), std::string::npos);

  DesktopAccountFile file("#" + Ansi("输入测试") + " e2e" + std::to_string(GetCurrentProcessId()), user, password);
  ASSERT_TRUE(file.written()) << file.path();
  ASSERT_TRUE(catcher_.Free(VK_F8) && catcher_.Free(VK_F9)) << "the hotkeys are held already";

  Process p = Start(Quoted(file.path()));
  InputWindow w = Open(p);
  ASSERT_TRUE(w);
  EXPECT_EQ(ControlTextAnsi(w.account), user);
  EXPECT_EQ(SendMessageW(w.account, EM_GETPASSWORDCHAR, 0, 0), 0);
  EXPECT_NE(SendMessageW(w.password, EM_GETPASSWORDCHAR, 0, 0), 0) << "a file's password is shown masked";
  EXPECT_TRUE(ChildByText(w.window, "账号：F8键；密码：F9键"));
  // Both keys are the program's now.
  EXPECT_FALSE(catcher_.Free(VK_F8));
  EXPECT_FALSE(catcher_.Free(VK_F9));

  const std::string typedUser = Typable(user);
  const std::string typedPassword = Typable(password);
  EXPECT_EQ(Typed(VK_F8, typedUser.size()), typedUser);
  EXPECT_EQ(Typed(VK_F9, typedPassword.size()), typedPassword);
  // Again, in the other order: the boxes are read at each press.
  EXPECT_EQ(Typed(VK_F9, typedPassword.size()), typedPassword);
  EXPECT_EQ(Typed(VK_F8, typedUser.size()), typedUser);

  CloseAndExpectExit(p, w);
  EXPECT_TRUE(catcher_.Free(VK_F8));
  EXPECT_TRUE(catcher_.Free(VK_F9));
  // With the window gone the keys reach nobody of the program's.
  EXPECT_EQ(TypedWhenNothingIsExpected(VK_F8), "");
}

TEST_F(InputWindowTest, ShiftedCharactersAndTheBackslashKeyLandAsWritten) {
  std::string path = WriteAccount("abc.Pw", "Abc1!", "a\\b|c");
  Process p = Start(Quoted(path));
  InputWindow w = Open(p);
  ASSERT_TRUE(w);
  EXPECT_EQ(Typed(VK_F8, 5), "Abc1!");
  EXPECT_EQ(Typed(VK_F9, 5), "a\\b|c");
  CloseAndExpectExit(p, w);
  // The same texts the other way round.
  path = WriteAccount("bar.Pw", "a\\b|c", "Abc1!");
  p = Start(Quoted(path));
  w = Open(p);
  ASSERT_TRUE(w);
  EXPECT_EQ(Typed(VK_F8, 5), "a\\b|c");
  EXPECT_EQ(Typed(VK_F9, 5), "Abc1!");
  CloseAndExpectExit(p, w);
}

TEST_F(InputWindowTest, BytesThatFormNoChineseCharacterAreTypedLikeAnyOther) {
  // A lead byte at the end, lead bytes before bytes that cannot follow one, and control
  // characters: the box cannot show all of them as they are, the typing still goes by the
  // file's bytes.
  const std::string user = "ab\r\ncd\tef\x81";
  const std::string password = "\x81" "0x\xFF\x80" "9\x81\x7F" "k";
  std::string path = WriteAccount("stray.Pw", user, password);
  Process p = Start(Quoted(path));
  InputWindow w = Open(p);
  ASSERT_TRUE(w);
  EXPECT_EQ(Typed(VK_F8, 6), "abcdef");
  EXPECT_EQ(Typed(VK_F9, 4), "0x9k");
  CloseAndExpectExit(p, w);
}

TEST_F(InputWindowTest, ABoxChangedSinceItWasFilledTypesWhatItShowsNow) {
  std::string path = WriteAccount("edit.Pw", "Before1", "Secret\x81");
  Process p = Start(Quoted(path));
  InputWindow w = Open(p);
  ASSERT_TRUE(w);
  SendMessageW(w.account, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"After_2"));
  EXPECT_EQ(Typed(VK_F8, 7), "After_2");
  SendMessageW(w.password, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  EXPECT_EQ(TypedWhenNothingIsExpected(VK_F9), "");
  CloseAndExpectExit(p, w);
}

// --- drops ---------------------------------------------------------------------------------

TEST_F(InputWindowTest, ADroppedFileReplacesTheAccountAndTheKeysTypeIt) {
  std::string first = WriteAccount("first.Pw", "first", "one1");
  std::string second = WriteAccount("#" + Ansi("第二") + " next.Pw", "Second_User", "tw0!Two");
  Process p = Start(Quoted(first));
  InputWindow w = Open(p);
  ASSERT_TRUE(w);
  EXPECT_EQ(Typed(VK_F8, 5), "first");

  ASSERT_TRUE(DropFiles(w.window, {second}));
  EXPECT_TRUE(WaitFor([&] { return ControlTextAnsi(w.account) == "Second_User"; }, 5s));
  EXPECT_NE(SendMessageW(w.password, EM_GETPASSWORDCHAR, 0, 0), 0);
  EXPECT_EQ(Typed(VK_F8, 11), "Second_User");
  EXPECT_EQ(Typed(VK_F9, 7), "tw0!Two");
  // Still the same window, still holding both keys.
  EXPECT_EQ(Open(p).window, w.window);
  EXPECT_FALSE(catcher_.Free(VK_F8));
  EXPECT_FALSE(catcher_.Free(VK_F9));

  // And once more back to the first file.
  ASSERT_TRUE(DropFiles(w.window, {first}));
  EXPECT_TRUE(WaitFor([&] { return ControlTextAnsi(w.account) == "first"; }, 5s));
  EXPECT_EQ(Typed(VK_F9, 4), "one1");
  CloseAndExpectExit(p, w);
}

TEST_F(InputWindowTest, SeveralFilesDroppedAtOnceNameNoFileAndEmptyTheBoxes) {
  std::string a = WriteAccount("a.Pw", "userA", "passA");
  std::string b = WriteAccount("b.Pw", "userB", "passB");
  Process p = Start(Quoted(a));
  InputWindow w = Open(p);
  ASSERT_TRUE(w);
  ASSERT_EQ(ControlTextAnsi(w.account), "userA");

  ASSERT_TRUE(DropFiles(w.window, {a, b}));
  EXPECT_TRUE(WaitFor([&] { return ControlTextAnsi(w.account).empty(); }, 5s));
  EXPECT_EQ(SendMessageW(w.password, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_EQ(TypedWhenNothingIsExpected(VK_F8), "");
  EXPECT_EQ(TypedWhenNothingIsExpected(VK_F9), "");
  EXPECT_TRUE(p.Running());
  EXPECT_TRUE(IsWindowVisible(w.window));

  // The window still works: a single file fills it again.
  ASSERT_TRUE(DropFiles(w.window, {b}));
  EXPECT_TRUE(WaitFor([&] { return ControlTextAnsi(w.account) == "userB"; }, 5s));
  EXPECT_EQ(Typed(VK_F9, 5), "passB");
  CloseAndExpectExit(p, w);
}

// --- a key held by another program ----------------------------------------------------------

TEST_F(InputWindowTest, AKeyHeldElsewhereStaysThereAndTheOtherStillTypes) {
  constexpr int kOurs = 0x51;
  ASSERT_TRUE(catcher_.Hold(kOurs, VK_F9));
  std::string path = WriteAccount("held.Pw", "Holder9", "Secret9");
  Process p = Start(Quoted(path));
  InputWindow w = Open(p);
  ASSERT_TRUE(w);
  EXPECT_EQ(ControlTextAnsi(w.account), "Holder9");

  EXPECT_EQ(Typed(VK_F8, 7), "Holder9");
  EXPECT_EQ(TypedWhenNothingIsExpected(VK_F9), "");
  EXPECT_EQ(HotkeyCatcher::PressesOf(kOurs), 1);
  // Quietly: no message box or other window of the program.
  EXPECT_EQ(VisibleWindowsOf(p), std::vector<HWND>{w.window});

  // Given back while the window is open, the key is not taken up again.
  catcher_.Release(kOurs);
  EXPECT_EQ(TypedWhenNothingIsExpected(VK_F9), "");
  EXPECT_EQ(Typed(VK_F8, 7), "Holder9");
  CloseAndExpectExit(p, w);
  EXPECT_TRUE(catcher_.Free(VK_F8));
}

// --- files that are not account files --------------------------------------------------------

constexpr char kFileUser[] = "fileUser";
constexpr char kFilePassword[] = "filePass1";
constexpr char kFileKey[] = "384920175536";

std::string ValidContent() { return BuildAccountFileContent(kFileUser, kFilePassword, kFileKey); }

struct BadFile {
  const char* name;
  std::string (*content)();  // null: not a plain file (see the name)
};

std::string Empty() { return {}; }
std::string Short() { return ValidContent().substr(0, 20); }
std::string HeaderOnly() { return ValidContent().substr(0, kAccountFileHeaderLength); }
std::string HeaderDigitChanged() {
  std::string c = ValidContent();
  c[3] = c[3] == '5' ? '6' : '5';  // one digit of the file key
  return c;
}
std::string HeaderTagChanged() {
  std::string c = ValidContent();
  c[kAccountFileHeaderLength - 2] = c[kAccountFileHeaderLength - 2] == 'A' ? 'B' : 'A';
  return c;
}
std::string LineEndAppended() { return ValidContent() + "\r\n"; }
std::string RandomBytes() {
  std::string junk;
  uint32_t x = 2463534242u;
  for (int i = 0; i < 777; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    junk += static_cast<char>(x);
  }
  return junk;
}

void PrintTo(const BadFile& bad, std::ostream* out) { *out << bad.name; }

class NotAnAccountFile : public InputWindowTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(NotAnAccountFile, LeavesTheWindowOpenWithEmptyBoxesThatTypeNothing) {
  const BadFile& bad = GetParam();
  std::string path = run_.File(std::string(bad.name) + ".Pw");
  if (bad.content) {
    run_.Write(std::string(bad.name) + ".Pw", bad.content());
  } else if (std::string(bad.name) == "directory") {
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
  }
  Process p = Start(Quoted(path));
  InputWindow w = Open(p);
  ASSERT_TRUE(w);
  EXPECT_EQ(ControlText(w.account), "");
  EXPECT_EQ(SendMessageW(w.password, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_EQ(TypedWhenNothingIsExpected(VK_F8), "");
  EXPECT_EQ(TypedWhenNothingIsExpected(VK_F9), "");
  // The keys were the program's all along (so nothing typed means nothing to type).
  EXPECT_FALSE(catcher_.Free(VK_F8));
  EXPECT_FALSE(catcher_.Free(VK_F9));
  EXPECT_TRUE(p.Running());
  EXPECT_EQ(VisibleWindowsOf(p), std::vector<HWND>{w.window});
  CloseAndExpectExit(p, w);
}

INSTANTIATE_TEST_SUITE_P(Files, NotAnAccountFile,
                         ::testing::Values(BadFile{"empty", Empty}, BadFile{"short", Short},
                                           BadFile{"headerOnly", HeaderOnly},
                                           BadFile{"headerDigitChanged", HeaderDigitChanged},
                                           BadFile{"headerTagChanged", HeaderTagChanged},
                                           BadFile{"lineEndAppended", LineEndAppended},
                                           BadFile{"randomBytes", RandomBytes}, BadFile{"directory", nullptr},
                                           BadFile{"missing", nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InputWindowTest, ValidContentsStillReadInTheirOtherForms) {
  // A file key with letters gives header hex digits A-F; written in lower case they read
  // the same. Bytes after a 0x1A end mark are never read.
  const std::string key = "kZ9_xQ2!mN7@";
  std::string content = BuildAccountFileContent("Lower_Case", "Digits0a", key);
  ASSERT_FALSE(content.empty());
  std::string lower = content;
  bool hadLetter = false;
  for (size_t i = 0; i < 2 * kAccountFileKeyLength; ++i) {
    if (lower[i] >= 'A' && lower[i] <= 'F') {
      lower[i] = static_cast<char>(lower[i] - 'A' + 'a');
      hadLetter = true;
    }
  }
  ASSERT_TRUE(hadLetter);
  run_.Write("lower.Pw", lower);
  Process p = Start(Quoted(run_.File("lower.Pw")));
  InputWindow w = Open(p);
  ASSERT_TRUE(w);
  EXPECT_EQ(ControlTextAnsi(w.account), "Lower_Case");
  EXPECT_EQ(Typed(VK_F8, 10), "Lower_Case");
  EXPECT_EQ(Typed(VK_F9, 8), "Digits0a");
  CloseAndExpectExit(p, w);

  run_.Write("marked.Pw", ValidContent() + "\x1A" + "junk after the end mark");
  p = Start(Quoted(run_.File("marked.Pw")));
  w = Open(p);
  ASSERT_TRUE(w);
  EXPECT_EQ(ControlTextAnsi(w.account), kFileUser);
  EXPECT_EQ(Typed(VK_F9, std::strlen(kFilePassword)), kFilePassword);
  CloseAndExpectExit(p, w);
}

}  // namespace
}  // namespace quorrel::e2e
