// The import window in this process, driven from thread timers while its modal loop runs:
// the open-file dialog cancelled and used, a real OLE drop, the confirm, a close.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/encoding_win.h"
#include "driver/drag_drop.h"
#include "exchange/import_window_win.h"
#include "store/activity_log_win.h"
#include "store/file_system_win.h"
#include "tests/win/test_util.h"
#include "ui/toolkit/controls_win.h"
#include "ui/toolkit/window_win.h"

using namespace quorrel;
using namespace std::chrono_literals;

namespace {

// Steps run from thread timers, so that they run inside whatever modal loop is going on.
class Steps {
 public:
  // Runs fn once cond holds, polling; gives up (a test failure) after a while.
  static void When(std::function<bool()> cond, std::function<void()> fn, const char* what) {
    const UINT_PTR id = SetTimer(nullptr, 0, 50, Fire);
    Pending()[id] = Step{std::move(cond), std::move(fn), what, 0};
  }
  static void Clear() {
    for (auto& [id, step] : Pending()) KillTimer(nullptr, id);
    Pending().clear();
  }

 private:
  struct Step {
    std::function<bool()> cond;
    std::function<void()> fn;
    const char* what;
    int polls;
  };
  static std::map<UINT_PTR, Step>& Pending() {
    static std::map<UINT_PTR, Step> pending;
    return pending;
  }
  static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = Pending().find(id);
    if (it == Pending().end()) return;
    if (!it->second.cond()) {
      if (++it->second.polls < 300) return;
      ADD_FAILURE() << "never happened: " << it->second.what;
    }
    KillTimer(nullptr, id);
    Step step = std::move(it->second);
    Pending().erase(it);
    step.fn();  // may run a modal loop of its own, in which later steps fire
  }
};

struct FindWindowOf {
  const wchar_t* cls;
  std::wstring title;
  HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND h, LPARAM lp) {
  auto* f = reinterpret_cast<FindWindowOf*>(lp);
  wchar_t c[64] = {}, t[128] = {};
  GetClassNameW(h, c, 64);
  GetWindowTextW(h, t, 128);
  if (IsWindowVisible(h) && lstrcmpW(c, f->cls) == 0 && (f->title.empty() || f->title == t)) {
    f->found = h;
    return FALSE;
  }
  return TRUE;
}

// A visible window of this thread with that class (and title).
HWND ThreadWindow(const wchar_t* cls, const std::wstring& title = L"") {
  FindWindowOf find{cls, title};
  EnumThreadWindows(GetCurrentThreadId(), MatchWindow, reinterpret_cast<LPARAM>(&find));
  return find.found;
}

HWND ImportWindowHwnd() { return ThreadWindow(L"QuorrelWindow", Utf8ToWide("导入文件")); }
HWND FileBox(HWND window) { return FindWindowExW(window, nullptr, L"QuorrelPicture", nullptr); }
HWND ConfirmButton(HWND window) { return FindWindowExW(window, nullptr, L"Button", nullptr); }

std::string TextOf(HWND h) {
  wchar_t t[256] = {};
  GetWindowTextW(h, t, 256);
  return WideToUtf8(t);
}

// A pixel of the picture the file box shows, in 96-DPI coordinates of the box.
COLORREF BoxPixel(HWND box, int x, int y) {
  HBITMAP bitmap = ui::PictureGet(box);
  BITMAP bm{};
  if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm)) return CLR_INVALID;
  const int dpi = ui::DpiOf(box);
  const auto* px = static_cast<const uint8_t*>(bm.bmBits) +
                   (static_cast<size_t>(MulDiv(y, dpi, 96)) * bm.bmWidth + MulDiv(x, dpi, 96)) * 4;
  return RGB(px[2], px[1], px[0]);
}
// Inside the tick (its upper part), once a file is picked; white before.
COLORREF TickPixel(HWND box) { return BoxPixel(box, 82, 20); }

void Click(HWND control) {
  SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

// Answers the next open-file dialog of this thread: types path and confirms, or cancels.
// types, when given, gets the dialog's file types.
void AnswerDialog(std::string path, std::vector<std::string>* types = nullptr) {
  Steps::When([] { return ThreadWindow(L"#32770") != nullptr; },
              [path, types] {
                HWND dialog = ThreadWindow(L"#32770");
                HWND combo = GetDlgItem(dialog, 0x470);  // cmb1
                for (int i = 0, n = types ? static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0)) : 0; i < n; ++i) {
                  wchar_t item[128] = {};
                  SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
                  types->push_back(WideToUtf8(item));
                }
                if (path.empty()) {
                  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
                  return;
                }
                // The file name box: a combo box (cmb13) or an edit (edt1).
                HWND name = GetDlgItem(dialog, 0x47C);
                if (!name) name = GetDlgItem(dialog, 0x480);
                SetWindowTextA(name, path.c_str());
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
              },
              "the open-file dialog");
}

class CountingFileSystem final : public Win32FileSystem {
 public:
  bool WriteReplace(const Text& path, std::string_view bytes) override {
    ++writes;
    if (diskFull) return Fail(FileFailure::kDiskFull);
    return Win32FileSystem::WriteReplace(path, bytes);
  }
  int writes = 0;
  bool diskFull = false;
};

// Answers the next message box of this thread with that title: its text, then OK; then as
// many more as `more` says, one after the other, each into the next string of said.
void AnswerMessage(const char* title, std::string* said, int more = 0) {
  const std::wstring t = Utf8ToWide(title);
  Steps::When([t] { return ThreadWindow(L"#32770", t) != nullptr; },
              [t, title, said, more] {
                HWND box = ThreadWindow(L"#32770", t);
                if (HWND text = GetDlgItem(box, 0xFFFF)) *said = TextOf(text);
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                if (more > 0)
                  Steps::When([box] { return !IsWindow(box); }, [=] { AnswerMessage(title, said + 1, more - 1); },
                              "the message gone");
              },
              title);
}

class ImportWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    store_.table_path = dir_.path() + "\\UserData.edb";
    store_.fs = &fs_;
    store_.log = [this](std::string_view m) { WriteActivityLog(dir_.path(), m); };
    store_.draw = TickSeededDraw([] { return static_cast<uint32_t>(GetTickCount()); });
    ASSERT_EQ(ForEachAccount(store_, {}), TableOutcome::kCreated);
    RawWrite(Log(), "");
  }
  void TearDown() override {
    Steps::Clear();
    OleUninitialize();
  }

  void Open() {
    ImportWindowArgs args;
    args.accounts = &store_;
    args.importFilePath = &importFilePath_;
    args.onImported = [this] { ++imported_; };
    args.onClosed = [this] { ++closed_; };
    OpenImportWindow(nullptr, std::move(args));
    Steps::Clear();
    PumpMessages(0ms);  // the quit that the last window of the thread posts on its way out
  }
  std::string Log() const { return dir_.path() + "\\Quorrel Log.log"; }
  std::vector<std::string> Names() {
    std::vector<std::string> out;
    (void)ForEachAccount(store_, [&](int, const AccountRecord& r) { out.push_back(r.name + "/" + r.user + "/" + r.password.str()); });
    return out;
  }

  TempDir dir_;
  CountingFileSystem fs_;
  AccountStore store_;
  Text importFilePath_;
  int imported_ = 0, closed_ = 0;
};

}  // namespace

TEST_F(ImportWindowTest, DialogCancelledThenUsedThenADropWinsAndConfirmImportsInOneWrite) {
  const std::string txt = dir_.path() + "\\list.txt";
  const std::string csv = dir_.path() + "\\other.csv";
  ASSERT_TRUE(RawWrite(txt, "a----b----c\r\nx----y\r\np----q----r----s\r\n"));
  ASSERT_TRUE(RawWrite(csv, "n1----u1----p1\r\nskipped\r\n n2 ----u2----\r\n"));
  ASSERT_TRUE(SetFileAttributesA(csv.c_str(), FILE_ATTRIBUTE_READONLY));  // read-only imports too
  int writesBefore = 0;
  std::vector<std::string> filter;

  Steps::When([] { return ImportWindowHwnd() != nullptr; }, [&] {
    HWND window = ImportWindowHwnd();
    HWND box = FileBox(window);
    EXPECT_EQ(TextOf(box), "请选择文件");
    EXPECT_EQ(TickPixel(box), RGB(255, 255, 255));

    AnswerDialog("");  // cancelled: nothing changes
    Click(box);
    EXPECT_EQ(TextOf(box), "请选择文件");
    EXPECT_TRUE(importFilePath_.empty());

    AnswerDialog(txt, &filter);
    Click(box);
    EXPECT_EQ(TextOf(box), "list.txt");
    EXPECT_EQ(importFilePath_, txt);
    EXPECT_NE(TickPixel(box), RGB(255, 255, 255));

    // Dropped anywhere on the window, whatever the extension; the last pick wins.
    EXPECT_TRUE(e2e::DropFiles(window, {csv}));
    EXPECT_EQ(TextOf(box), "other.csv");
    EXPECT_EQ(importFilePath_, csv);
    writesBefore = fs_.writes;
    SendMessageW(ConfirmButton(window), BM_CLICK, 0, 0);
  }, "the import window");
  std::string skipped;
  AnswerMessage("导入文件", &skipped);
  Open();

  // The dialog's file types: text files first, then CSV.
  ASSERT_EQ(filter.size(), 2u);
  EXPECT_TRUE(filter[0].find("文本文件") != std::string::npos && filter[1].find("CSV") != std::string::npos)
      << filter[0] << " " << filter[1];
  EXPECT_EQ(fs_.writes - writesBefore, 1);
  EXPECT_NE(skipped.find("2 个账号"), std::string::npos) << skipped;
  EXPECT_NE(skipped.find("跳过了 1 行"), std::string::npos) << skipped;
  EXPECT_EQ(Names(), (std::vector<std::string>{"n1/u1/p1", "n2 /u2/"}));
  EXPECT_EQ(imported_, 1);
  EXPECT_EQ(closed_, 1);
  std::string log = RawRead(Log());
  EXPECT_TRUE(log.ends_with(" ---> Importing Data 3\r\n")) << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);

  // A fresh window shows the file it would import, with its tick; closed, it imports nothing.
  Steps::When([] { return ImportWindowHwnd() != nullptr; }, [&] {
    HWND window = ImportWindowHwnd();
    EXPECT_EQ(TextOf(FileBox(window)), "other.csv");
    EXPECT_NE(TickPixel(FileBox(window)), RGB(255, 255, 255));
    PostMessageW(window, WM_CLOSE, 0, 0);
  }, "the second import window");
  const int writes = fs_.writes;
  Open();
  EXPECT_EQ(importFilePath_, csv);
  EXPECT_EQ(fs_.writes, writes);
  EXPECT_EQ(imported_, 1);
  EXPECT_EQ(closed_, 2);
  EXPECT_EQ(RawRead(Log()), log);
  SetFileAttributesA(csv.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ImportWindowTest, AnImportThatStoredNothingSaysWhyAndKeepsTheWindowWithItsFile) {
  const std::string txt = dir_.path() + "\\list.txt";
  ASSERT_TRUE(RawWrite(txt, "a----b----c\r\nd----e----f\r\n"));
  importFilePath_ = txt;
  fs_.diskFull = true;
  std::string said[2], stillOpen;
  Steps::When([] { return ImportWindowHwnd() != nullptr; }, [&] {
    SendMessageW(ConfirmButton(ImportWindowHwnd()), BM_CLICK, 0, 0);  // returns once the message is answered
    HWND window = ImportWindowHwnd();
    EXPECT_TRUE(window) << "the window closed although nothing was imported";
    if (!window) return;
    stillOpen = TextOf(FileBox(window));
    fs_.diskFull = false;  // room again: the same confirm now imports
    SendMessageW(ConfirmButton(window), BM_CLICK, 0, 0);
  }, "the import window");
  AnswerMessage("导入文件", said, 1);
  Open();
  EXPECT_NE(said[0].find("没有导入任何账号"), std::string::npos) << said[0];
  EXPECT_NE(said[0].find("磁盘已满"), std::string::npos) << said[0];
  EXPECT_NE(said[1].find("2 个账号"), std::string::npos) << said[1];
  EXPECT_EQ(stillOpen, "list.txt");
  EXPECT_EQ(Names(), (std::vector<std::string>{"a/b/c", "d/e/f"}));
  EXPECT_EQ(imported_, 1);
  // One line, for the import that stored its accounts: the table took nothing the first time.
  const std::string log = RawRead(Log());
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
  EXPECT_TRUE(log.ends_with(" ---> Importing Data 2\r\n")) << log;
}
