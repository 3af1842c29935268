// The toolkit's window model: which control fired, the order of message handlers, a list
// that takes Enter, placement on each axis, accent labels and the window's state.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "base/report.h"
#include "tests/win/test_util.h"
#include "tests/win/window_pump.h"
#include "ui/toolkit/window_win.h"

using namespace quorrel;
using namespace std::chrono_literals;
using ui::Event;

namespace {

struct Seen {
  int control;
  Event event;
  int index;
  bool operator==(const Seen&) const = default;
};
std::vector<Seen> g_seen;
std::vector<std::pair<UINT, WPARAM>> g_timerSeen, g_anySeen;

void Record(ui::Window&, ui::EventArgs& a) { g_seen.push_back({a.control, Event::Clicked, a.index}); }
void RecordRow(ui::Window&, ui::EventArgs& a) { g_seen.push_back({a.control, Event::RowActivated, a.index}); }

enum Control : int { kFirst, kSecond, kOwn, kList, kAccentLabel, kPlainLabel };
constexpr UINT_PTR kOwnTimer = 1, kOtherTimer = 2;

const ui::ControlSpec kControls[] = {
    ui::Button(kFirst, "first", {10, 10, 60, 30}, "一"),
    ui::Button(kSecond, "second", {80, 10, 60, 30}, "二"),
    ui::Button(kOwn, "own", {150, 10, 60, 30}, "三"),
    ui::List(kList, "list", {10, 50, 200, 100}),
    ui::Label(kAccentLabel, "accent", {10, 160, 200, 20}, "账号", {.accent = true}),
    ui::Label(kPlainLabel, "plain", {10, 185, 200, 20}, "▊ 密码"),
};
const ui::HandlerSpec kHandlers[] = {
    {kFirst, Event::Clicked, Record},
    {kSecond, Event::Clicked, Record},
    {kOwn, Event::Clicked, [](ui::Window&, ui::EventArgs& a) { g_seen.push_back({a.control, Event::Clicked, -1}); }},
    {kList, Event::RowActivated, RecordRow},
    // As a hotkey module would hook the window: its timer and WM_HOTKEY, and a catch-all
    // for whatever they leave.
    {ui::kNoControl, Event::Message,
     [](ui::Window&, ui::EventArgs& a) {
       g_timerSeen.push_back({a.message, a.wparam});
       a.handled = a.wparam == kOwnTimer;
     },
     WM_TIMER},
    {ui::kNoControl, Event::Message, [](ui::Window&, ui::EventArgs& a) { a.handled = true; }, WM_HOTKEY},
    {ui::kNoControl, Event::Message,
     [](ui::Window&, ui::EventArgs& a) {
       if (a.message == WM_TIMER || a.message == WM_HOTKEY) g_anySeen.push_back({a.message, a.wparam});
     }},
};

struct Kept : ui::WindowState {
  int value = 7;
};
struct Other : ui::WindowState {};

class Window : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::WindowSpec spec{"window", 220, 210, kControls, kHandlers};
    window_ = ui::Window::Create(spec, nullptr, std::make_unique<Kept>());
    ASSERT_NE(window_, nullptr);
    hwnd_ = window_->hwnd();
    PumpWindowMessages();
    g_seen.clear();
  }
  void TearDown() override {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    PumpWindowMessages();
  }
  ui::Window* window_ = nullptr;
  HWND hwnd_ = nullptr;
};

}  // namespace

TEST_F(Window, OneHandlerServesSeveralControlsAndIsToldWhichFired) {
  for (int id : {kSecond, kFirst, kOwn, kSecond}) SendMessageW(window_->Control(id), BM_CLICK, 0, 0);
  EXPECT_EQ(g_seen, (std::vector<Seen>{{kSecond, Event::Clicked, 0}, {kFirst, Event::Clicked, 0},
                                       {kOwn, Event::Clicked, -1}, {kSecond, Event::Clicked, 0}}));
}

TEST_F(Window, EnterOnAListActivatesTheSelectedRowAndNothingWithoutOne) {
  HWND list = window_->Control(kList);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = 100;
  ListView_InsertColumn(list, 0, &column);
  for (int i = 0; i < 3; ++i) {
    LVITEMW item{};
    item.iItem = i;
    ListView_InsertItem(list, &item);
  }
  SetFocus(list);
  PostKey(list, VK_RETURN);  // nothing selected
  EXPECT_TRUE(g_seen.empty());
  ListView_SetItemState(list, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  PostKey(list, VK_RETURN);
  EXPECT_EQ(g_seen, (std::vector<Seen>{{kList, Event::RowActivated, 2}}));
  EXPECT_TRUE(IsWindow(hwnd_));
}

TEST_F(Window, MessageHandlersRunInOrderUntilOneHandlesTheMessage) {
  g_timerSeen.clear();
  g_anySeen.clear();
  ASSERT_TRUE(SetTimer(hwnd_, kOwnTimer, 1, nullptr));
  ASSERT_TRUE(SetTimer(hwnd_, kOtherTimer, 1, nullptr));
  PostMessageW(hwnd_, WM_HOTKEY, 5, MAKELPARAM(0, VK_F9));
  for (int i = 0; i < 100 && g_timerSeen.size() < 4; ++i) PumpMessages(10ms);
  KillTimer(hwnd_, kOwnTimer);
  KillTimer(hwnd_, kOtherTimer);
  PumpWindowMessages();
  int own = 0, other = 0;
  for (auto [message, id] : g_timerSeen) (id == kOwnTimer ? own : other) += message == WM_TIMER;
  EXPECT_GE(own, 1);
  EXPECT_GE(other, 1);
  // The catch-all sees the timer the first handler left, never the one it took, nor the
  // hotkey message its own handler took.
  const std::pair<UINT, WPARAM> left{WM_TIMER, kOtherTimer};
  EXPECT_EQ(g_anySeen, (std::vector(static_cast<size_t>(other), left)));
}

TEST_F(Window, AccentLabelsAreMarkedInTheLayoutNotByTheirText) {
  auto colourOf = [&](int label) {
    UniqueMemDc dc(CreateCompatibleDC(nullptr));
    SendMessageW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                 reinterpret_cast<LPARAM>(window_->Control(label)));
    return GetTextColor(dc.get());
  };
  EXPECT_EQ(colourOf(kAccentLabel), ui::kAccent);
  EXPECT_EQ(colourOf(kPlainLabel), RGB(0x33, 0x33, 0x33));
}

TEST_F(Window, StateIsTheCreatedOneAndAnotherTypeEndsTheProgram) {
  EXPECT_EQ(window_->State<Kept>().value, 7);
  EXPECT_EQ(window_->StateIf<Kept>(), &window_->State<Kept>());
  EXPECT_EQ(window_->StateIf<Other>(), nullptr);
  // The report goes to the debugger output; here it is copied to stderr for the check.
  EXPECT_DEATH(
      {
        SetReportSink([](std::string_view line) {
          std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
        });
        window_->State<Other>();
      },
      "of the window \"window\", whose state is ");
}

TEST(WindowPlacement, EachAxisWithoutAPositionIsCentredOnTheWorkArea) {
  RECT area{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0));
  const int dpi = ui::DpiOf(nullptr);
  constexpr int kDefault = CW_USEDEFAULT;
  for (auto [x, y] : {std::pair{40, kDefault}, {kDefault, 30}, {40, 30}, {kDefault, kDefault}}) {
    ui::WindowSpec spec{"placed", 200, 100, {}, {}};
    spec.x = x;
    spec.y = y;
    ui::Window* w = ui::Window::Create(spec, nullptr);
    ASSERT_NE(w, nullptr);
    RECT r{};
    GetWindowRect(w->hwnd(), &r);
    if (x == kDefault) {
      EXPECT_NEAR(r.left - area.left, area.right - r.right, 1) << x << "," << y;
    } else {
      EXPECT_EQ(r.left, MulDiv(x, dpi, 96)) << x << "," << y;
    }
    if (y == kDefault) {
      EXPECT_NEAR(r.top - area.top, area.bottom - r.bottom, 1) << x << "," << y;
    } else {
      EXPECT_EQ(r.top, MulDiv(y, dpi, 96)) << x << "," << y;
    }
    DestroyWindow(w->hwnd());
  }
  PumpWindowMessages();
}

namespace {

enum PagedControl : int { kPanel, kFirstPageLabel, kGroup, kGroupLabel, kLaterBar };
const ui::ControlSpec kPagedControls[] = {
    ui::TabPanel(kPanel, "panel", {0, 0, 200, 100}),
    ui::Label(kFirstPageLabel, "first page", {10, 10, 100, 20}, "一", {.parent = kPanel, .page = 0}),
    ui::GroupBox(kGroup, "group", {10, 10, 180, 60}, {.parent = kPanel, .page = 1}),
    ui::Label(kGroupLabel, "in the group", {10, 20, 100, 20}, "二", {.parent = kGroup, .fontPoints = 13}),
    ui::Bar(kLaterBar, "later bar", {120, 70, 60, 25}, {"三"}, {.parent = kPanel, .page = 1}),
};

struct PageMade {
  int index;
  bool made;     // every control of the page existed
  bool visible;  // the page already showed
};
std::vector<PageMade> g_pagesMade;

BOOL CALLBACK CountStatic(HWND child, LPARAM count) {
  wchar_t cls[16] = {};
  GetClassNameW(child, cls, 16);
  *reinterpret_cast<int*>(count) += lstrcmpiW(cls, L"Static") == 0;
  return TRUE;
}

int StaticsIn(HWND window) {
  int count = 0;
  EnumChildWindows(window, CountStatic, reinterpret_cast<LPARAM>(&count));
  return count;
}

const ui::HandlerSpec kPagedHandlers[] = {
    {kPanel, Event::PageMade, [](ui::Window& w, ui::EventArgs& a) {
       const HWND label = w.Control(kGroupLabel), bar = w.Control(kLaterBar);
       g_pagesMade.push_back({a.index, label && bar && StaticsIn(w.hwnd()) == 2,
                              IsWindowVisible(GetParent(bar)) != FALSE});
     }},
};

}  // namespace

// A page other than the first costs the window's start nothing: its controls are made, with
// their fonts, when it is first selected, and set up before it shows.
TEST(WindowPages, ALaterPageIsMadeWhenFirstSelectedAndSetUpBeforeItShows) {
  g_pagesMade.clear();
  ui::WindowSpec spec{"paged", 200, 100, kPagedControls, kPagedHandlers};
  ui::Window* w = ui::Window::Create(spec, nullptr);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(StaticsIn(w->hwnd()), 1);  // the first page's label, nothing of the second
  EXPECT_TRUE(g_pagesMade.empty());
  w->SelectPage(kPanel, 1);
  w->SelectPage(kPanel, 0);
  w->SelectPage(kPanel, 1);
  ASSERT_EQ(g_pagesMade.size(), 1u);  // once, for the second page, made whole before it shows
  EXPECT_TRUE(g_pagesMade[0].index == 1 && g_pagesMade[0].made && !g_pagesMade[0].visible);
  EXPECT_TRUE(IsWindowVisible(w->Control(kLaterBar)));
  const auto fontOf = [&](int id) { return reinterpret_cast<HFONT>(SendMessageW(w->Control(id), WM_GETFONT, 0, 0)); };
  EXPECT_EQ(fontOf(kLaterBar), w->Font());
  LOGFONTW own{};
  GetObjectW(fontOf(kGroupLabel), sizeof own, &own);
  EXPECT_EQ(own.lfHeight, -MulDiv(13, w->Dpi(), 72));
  DestroyWindow(w->hwnd());
  PumpWindowMessages();
}
