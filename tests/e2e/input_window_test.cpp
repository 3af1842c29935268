// The input window of a file start, seen from outside: what its boxes show, what the two
// hotkeys type into another program, files dropped on it, keys held by someone else and
// files that are not account files.
#include <cctype>

#include "driver/drag_drop.h"
#include "exchange/account_file.h"
#include "main_window_support.h"

namespace quorrel::e2e {
namespace {

// What typing a text of whole GBK characters is meant to produce: the text without its
// control characters.
std::string Typable(const std::string& text) {
  std::string out;
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out += c;
  return out;
}

// A window of the test's own that may hold a hotkey and counts its presses.
class HotkeyCatcher {
 public:
  HotkeyCatcher() {
    static const bool registered = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"QuorrelTestHotkeyCatcher";
      return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    hwnd_ = CreateWindowExW(0, L"QuorrelTestHotkeyCatcher", L"catcher", WS_OVERLAPPED, 0, 0, 50, 50, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
    presses = 0;
  }
  HotkeyCatcher(const HotkeyCatcher&) = delete;
  HotkeyCatcher& operator=(const HotkeyCatcher&) = delete;
  ~HotkeyCatcher() {
    Release();
    DestroyWindow(hwnd_);
  }
  bool Hold(UINT vk) { return RegisterHotKey(hwnd_, 1, 0, vk) != FALSE; }
  void Release() { UnregisterHotKey(hwnd_, 1); }
  // True when nobody else holds the key (it is taken and given back at once).
  bool Free(UINT vk) {
    if (!RegisterHotKey(hwnd_, 2, 0, vk)) return false;
    UnregisterHotKey(hwnd_, 2);
    return true;
  }
  static inline int presses = 0;

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    presses += m == WM_HOTKEY;
    return m == WM_HOTKEY ? 0 : DefWindowProcW(h, m, wp, lp);
  }
  HWND hwnd_ = nullptr;
};

struct InputWindow {
  HWND window = nullptr;
  HWND account = nullptr;   // 账号
  HWND password = nullptr;  // 密码
  explicit operator bool() const { return window && account && password; }
};

class InputWindowTest : public E2eTest {
 protected:
  std::string WriteAccount(const std::string& name, const std::string& user, const std::string& password) {
    run_.Write(name, BuildAccountFileContent(user, password));
    return run_.File(name);
  }

  // Starts the program on a file and waits for its input window.
  InputWindow Open(Process& p, const std::string& path) {
    p = Start("\"" + path + "\"");
    InputWindow w;
    w.window = WaitWindow(p.id(), kInputTitle);
    std::vector<HWND> edits = w.window ? Children(w.window, "Edit") : std::vector<HWND>{};
    if (edits.size() == 2) w = {w.window, edits[0], edits[1]};
    return w;
  }

  std::string Typed(WORD vk, size_t expectedLength = 0) { return e2e::Typed(target_, vk, expectedLength); }

  // Its visible windows but the note beside the input window (NoteOf).
  static std::vector<HWND> VisibleWindowsOf(const Process& p) {
    std::vector<HWND> visible;
    wchar_t cls[32];
    for (HWND h : WindowsOf(p.id()))
      if (IsWindowVisible(h) && !(GetClassNameW(h, cls, 32) && lstrcmpiW(cls, L"tooltips_class32") == 0))
        visible.push_back(h);
    return visible;
  }

  // The hint line, the label below the boxes.
  static std::string Hint(const InputWindow& w) {
    for (HWND label : Children(w.window, "Static"))
      if (ControlText(label).rfind("账号：", 0) == 0) return ControlText(label);
    return "";
  }

  static void CloseAndExpectExit(Process& p, const InputWindow& w) {
    PostMessageW(w.window, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.WaitExit(10s), std::optional<DWORD>(0));
  }

  TargetWindow target_;
  HotkeyCatcher catcher_;
};

TEST_F(InputWindowTest, AnExportedFileShowsItsAccountTypesItAndGivesTheKeysBackOnClose) {
  // Mixed case, digits, every punctuation character, a space, and Chinese characters, one
  // of them with a trail byte that is an ASCII character (81 40: "@"; 95 5C: "\").
  std::string punctuation;
  for (int c = 0x21; c <= 0x7E; ++c)
    if (!isalnum(c)) punctuation += static_cast<char>(c);
  const std::string user = "Ab9z " + punctuation + " \xD6\xD0\xCE\xC4\x81\x40q\x95\x5C" "7";
  const std::string password =
      "\xC3\xDC\xC2\xEB" "Pw0 " + std::string(punctuation.rbegin(), punctuation.rend()) + "x\x81\x40Y \xD6\xD0";
  ASSERT_EQ(user.find("----"), std::string::npos);

  // Written to the desktop the way the program exports it.
  const std::string baseName = "#" + Ansi("输入测试") + " e2e" + std::to_string(GetCurrentProcessId());
  const std::string path = DesktopFolder() + "\\" + baseName + ".Pw";
  ASSERT_EQ(WriteAccountFile(baseName, user, password), ExportOutcome::kWritten) << path;
  struct Remove {
    std::string path;
    ~Remove() { DeleteFileA(path.c_str()); }
  } remove{path};
  ASSERT_TRUE(catcher_.Free(VK_F8) && catcher_.Free(VK_F9)) << "the hotkeys are held already";

  Process p;
  InputWindow w = Open(p, path);
  ASSERT_TRUE(w);
  EXPECT_EQ(ControlTextAnsi(w.account), user);
  EXPECT_EQ(SendMessageW(w.account, EM_GETPASSWORDCHAR, 0, 0), 0);
  EXPECT_NE(SendMessageW(w.password, EM_GETPASSWORDCHAR, 0, 0), 0) << "a file's password is shown masked";
  EXPECT_TRUE(ChildByText(w.window, "账号：F8键；密码：F9键"));
  EXPECT_FALSE(catcher_.Free(VK_F8));
  EXPECT_FALSE(catcher_.Free(VK_F9));

  // Twice, in both orders: the boxes are read at each press.
  const std::string typedUser = Typable(user), typedPassword = Typable(password);
  EXPECT_EQ(Typed(VK_F8, typedUser.size()), typedUser);
  EXPECT_EQ(Typed(VK_F9, typedPassword.size()), typedPassword);
  EXPECT_EQ(Typed(VK_F9, typedPassword.size()), typedPassword);
  EXPECT_EQ(Typed(VK_F8, typedUser.size()), typedUser);

  // Closing ends the process and gives both keys back.
  CloseAndExpectExit(p, w);
  EXPECT_TRUE(catcher_.Free(VK_F8));
  EXPECT_TRUE(catcher_.Free(VK_F9));
  EXPECT_EQ(Typed(VK_F8), "");
}

TEST_F(InputWindowTest, ADroppedFileReplacesTheAccountAndSeveralAtOnceEmptyTheBoxes) {
  const std::string first = WriteAccount("first.Pw", "First_User", "f1rst!Pw");
  Process p;
  InputWindow w = Open(p, first);
  ASSERT_TRUE(w);
  const std::string second = WriteAccount("#" + Ansi("第二") + " next.Pw", "Second_User", "tw0!Two");
  ASSERT_TRUE(DropFiles(w.window, {second}));
  EXPECT_TRUE(WaitFor([&] { return ControlTextAnsi(w.account) == "Second_User"; }, 5s));
  EXPECT_NE(SendMessageW(w.password, EM_GETPASSWORDCHAR, 0, 0), 0);
  EXPECT_EQ(Typed(VK_F8, 11), "Second_User");
  EXPECT_EQ(Typed(VK_F9, 7), "tw0!Two");

  // Several files at once name no file: the boxes empty and nothing is typed.
  ASSERT_TRUE(DropFiles(w.window, {first, second}));
  EXPECT_TRUE(WaitFor([&] { return ControlTextAnsi(w.account).empty(); }, 5s));
  EXPECT_EQ(SendMessageW(w.password, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_EQ(Typed(VK_F8), "");
  EXPECT_EQ(Typed(VK_F9), "");
  EXPECT_EQ(VisibleWindowsOf(p), std::vector<HWND>{w.window});
  EXPECT_NE(NoteOf(p.id()).find(".Pw"), std::string::npos) << "several files at once were not told";

  // The window still works: a single file fills it again (and the note goes), and a box
  // changed since then types what it shows now.
  ASSERT_TRUE(DropFiles(w.window, {first}));
  EXPECT_TRUE(WaitFor([&] { return ControlTextAnsi(w.account) == "First_User"; }, 5s));
  EXPECT_EQ(NoteOf(p.id()), "");
  EXPECT_EQ(Typed(VK_F9, 8), "f1rst!Pw");
  SendMessageW(w.account, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"After_2"));
  EXPECT_EQ(Typed(VK_F8, 7), "After_2");
  SendMessageW(w.password, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  EXPECT_EQ(Typed(VK_F9), "");
}

TEST_F(InputWindowTest, FileContentsAreTypedByteForByte) {
  // A file key with letters gives header hex digits A-F: written in lower case they read
  // the same.
  std::string lower = BuildAccountFileContent("Lower_Case", "Digits0a", "kZ9_xQ2!mN7@");
  bool hadLetter = false;
  for (size_t i = 0; i < 2 * kAccountFileKeyLength; ++i)
    if (lower[i] >= 'A' && lower[i] <= 'F') {
      lower[i] = static_cast<char>(lower[i] - 'A' + 'a');
      hadLetter = true;
    }
  ASSERT_TRUE(hadLetter);
  struct Case {
    std::string name, content, user, password;
  };
  const Case cases[] = {
      {"abc", BuildAccountFileContent("Abc1!", "a\\b|c"), "Abc1!", "a\\b|c"},
      {"cba", BuildAccountFileContent("a\\b|c", "Abc1!"), "a\\b|c", "Abc1!"},
      // A lead byte at the end, lead bytes before bytes that cannot follow one, a byte that
      // is no character (FF), the euro sign (80), control characters: the box cannot show
      // them all, the typing goes by the file's bytes.
      {"stray", BuildAccountFileContent("ab\r\ncd\tef\x81", "\x81" "0x\xFF\x80" "9\x81\x7F" "k"), "abcdef",
       "0x\x80" "9k"},
      {"lower", lower, "Lower_Case", "Digits0a"},
      // Bytes after a 0x1A end mark are never read.
      {"marked", BuildAccountFileContent("marked", "end1") + "\x1A" "junk", "marked", "end1"},
      // The user name ends at the first separator; the password is all the rest.
      {"separator", BuildAccountFileContent("sep_user", "pa----ss----"), "sep_user", "pa----ss----"},
  };
  for (const Case& c : cases) {
    run_.Write(c.name + ".Pw", c.content);
    Process p;
    InputWindow w = Open(p, run_.File(c.name + ".Pw"));
    ASSERT_TRUE(w) << c.name;
    EXPECT_EQ(Typed(VK_F8, c.user.size()), c.user) << c.name;
    EXPECT_EQ(Typed(VK_F9, c.password.size()), c.password) << c.name;
    CloseAndExpectExit(p, w);
  }
}

TEST_F(InputWindowTest, AKeyHeldElsewhereStaysThereAndTheOtherStillTypes) {
  ASSERT_TRUE(catcher_.Hold(VK_F9));
  Process p;
  InputWindow w = Open(p, WriteAccount("held.Pw", "Holder9", "Secret9"));
  ASSERT_TRUE(w);
  EXPECT_EQ(ControlTextAnsi(w.account), "Holder9");
  // The hint marks the key another program holds, so nobody presses it in vain, and a note
  // says so once, at the opening, with where to choose another key.
  for (const char* part : {"F8键", "F9键", "占用"}) EXPECT_NE(Hint(w).find(part), std::string::npos) << Hint(w);
  EXPECT_TRUE(WaitFor([&] { return NoteOf(p.id()).find("自定义快捷键") != std::string::npos; }, 5s));
  EXPECT_NE(NoteOf(p.id()).find("F9键"), std::string::npos) << NoteOf(p.id());
  EXPECT_EQ(VisibleWindowsOf(p), std::vector<HWND>{w.window}) << "a message box or another window";
  EXPECT_EQ(Typed(VK_F8, 7), "Holder9");
  EXPECT_EQ(NoteOf(p.id()), "") << "the note stays after a key typed";
  EXPECT_EQ(Typed(VK_F9), "");
  EXPECT_EQ(HotkeyCatcher::presses, 1);
  EXPECT_EQ(NoteOf(p.id()), "") << "told again at a press";

  // Given back while the window is open, the key is not taken up again.
  catcher_.Release();
  EXPECT_EQ(Typed(VK_F9), "");
  EXPECT_EQ(Typed(VK_F8, 7), "Holder9");
  CloseAndExpectExit(p, w);
  EXPECT_TRUE(catcher_.Free(VK_F8));
}

// Codes that cannot be hotkeys are not registered, and the hint says why rather than blaming
// another program.
TEST_F(InputWindowTest, ModifierAndDoubledHotkeyCodesAreNotRegistered) {
  const std::string path = WriteAccount("codes.Pw", "Codes_User", "Codes_Pw");
  struct Case {
    const char *userKey, *passKey, *hint;
    WORD types;
    const char* typed;
  };
  // What the hint must hold: each key's name, and the mark of the one that cannot work.
  const Case cases[] = {
      {"16", "120", "不能用|F9键", VK_F9, "Codes_Pw"},
      {"119", "165", "F8键|不能用", VK_F8, "Codes_User"},
      {"120", "120", "F9键|不能用", VK_F9, "Codes_User"},
  };
  for (const Case& c : cases) {
    run_.WriteConfig("UserKey", c.userKey);
    run_.WriteConfig("PassKey", c.passKey);
    Process p;
    InputWindow w = Open(p, path);
    ASSERT_TRUE(w);
    for (const Text& part : SplitText(c.hint, "|")) EXPECT_NE(Hint(w).find(part), std::string::npos) << Hint(w);
    EXPECT_TRUE(WaitFor([&] { return NoteOf(p.id()).find("自定义快捷键") != std::string::npos; }, 5s)) << c.hint;
    EXPECT_EQ(Typed(c.types, std::string(c.typed).size()), c.typed) << c.hint;
    CloseAndExpectExit(p, w);
  }
}

// Files that are not account files, built from a valid one; "directory" and "missing" are
// no plain files.
std::string BadContent(const std::string& kind) {
  std::string c = BuildAccountFileContent("fileUser", "filePass1", "384920175536");
  if (kind == "empty") return {};
  if (kind == "short") return c.substr(0, 20);
  if (kind == "headerOnly") return c.substr(0, kAccountFileHeaderLength);
  if (kind == "headerDigitChanged") c[3] = c[3] == '5' ? '6' : '5';
  if (kind == "headerTagChanged") c[kAccountFileHeaderLength - 2] = c[kAccountFileHeaderLength - 2] == 'A' ? 'B' : 'A';
  if (kind == "lineEndAppended") c += "\r\n";
  if (kind == "randomBytes") return RandomBytes(777, 2463534242u);
  return c;
}

class NotAnAccountFile : public InputWindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(NotAnAccountFile, LeavesTheWindowOpenWithEmptyBoxesThatTypeNothing) {
  const std::string kind = GetParam();
  const std::string path = run_.File(kind + ".Pw");
  if (kind == "directory") ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
  else if (kind != "missing") run_.Write(kind + ".Pw", BadContent(kind));
  Process p;
  InputWindow w = Open(p, path);
  ASSERT_TRUE(w);
  EXPECT_EQ(ControlText(w.account), "");
  EXPECT_EQ(SendMessageW(w.password, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_EQ(Typed(VK_F8), "");
  EXPECT_EQ(Typed(VK_F9), "");
  // The keys were the program's all along (so nothing typed means nothing to type).
  EXPECT_FALSE(catcher_.Free(VK_F8));
  EXPECT_FALSE(catcher_.Free(VK_F9));
  EXPECT_EQ(VisibleWindowsOf(p), std::vector<HWND>{w.window});
  // Not silently: the note beside the window names the file.
  EXPECT_NE(NoteOf(p.id()).find(Utf8(path)), std::string::npos) << NoteOf(p.id());
  CloseAndExpectExit(p, w);
}

INSTANTIATE_TEST_SUITE_P(Files, NotAnAccountFile,
                         ::testing::Values("empty", "short", "headerOnly", "headerDigitChanged", "headerTagChanged",
                                           "lineEndAppended", "randomBytes", "directory", "missing"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace quorrel::e2e
