// The drawn controls in a real window: bar layout, clicks and hover reports, button state,
// pictures, the blur overlay and DPI scaling. Suites named Dpi* also run in the 144-DPI
// Wine prefix (ctest dpi150_tests).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "res/resource.h"
#include "tests/win/test_util.h"
#include "ui/toolkit/controls_win.h"
#include "ui/toolkit/picture_win.h"
#include "ui/toolkit/window_win.h"

using namespace quorrel;
using ui::Event;
using namespace std::chrono_literals;

namespace {

// The program declares per-monitor DPI awareness in its manifest; the test program has
// none, so it declares the same before its first window.
const bool kDpiAware = [] {
  using Fn = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
  auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
  if (fn && fn(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) return true;
  return SetProcessDPIAware() != FALSE;
}();

struct Seen {
  std::string control;
  Event event;
  int index;
  bool operator==(const Seen&) const = default;
};
std::vector<Seen> g_seen;

enum Control : int { kBar, kStrip, kPic, kMask };

#define RECORD(id, name, ev) \
  ui::HandlerSpec { id, ev, [](ui::Window&, ui::EventArgs& a) { g_seen.push_back({name, ev, a.index}); } }

const ui::ControlSpec kControls[] = {
    ui::Bar(kBar, "bar", {10, 10, 235, 25}, {"添加", "查看", "删除", "导出", "刷新"}),
    ui::Bar(kStrip, "strip", {260, 10, 30, 300}, {"", "", "", "", "", ""}, {.vertical = true}),
    ui::Picture(kPic, "pic", {10, 50, 100, 100}),
    ui::Overlay(kMask, "mask", {285, 0, 15, 15}),
};
const ui::HandlerSpec kHandlers[] = {
    RECORD(kBar, "bar", Event::Clicked),   RECORD(kBar, "bar", Event::MouseEnter),
    RECORD(kBar, "bar", Event::MouseLeave), RECORD(kStrip, "strip", Event::Clicked),
    RECORD(kPic, "pic", Event::Clicked),
};
constexpr int kWidth = 300, kHeight = 320;

LPARAM At(POINT p) { return MAKELPARAM(p.x, p.y); }
POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
bool Empty(RECT r) { return IsRectEmpty(&r) != FALSE; }

UniqueBitmap SolidBitmap(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  RgbaImage image{w, h, {}};
  for (int i = 0; i < w * h; ++i) image.pixels.insert(image.pixels.end(), {r, g, b, a});
  return BitmapFromRgba(image);
}

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kDpiAware);
    // Keep the real mouse off the test window: it would report hover on its own.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    ui::WindowSpec spec{"controls", kWidth, kHeight, kControls, kHandlers};
    spec.x = 20;
    spec.y = 20;
    window_ = ui::Window::Create(spec, nullptr);
    ASSERT_NE(window_, nullptr);
    hwnd_ = window_->hwnd();
    bar_ = window_->Control(kBar);
    strip_ = window_->Control(kStrip);
    pic_ = window_->Control(kPic);
    mask_ = window_->Control(kMask);
    ASSERT_TRUE(bar_ && strip_ && pic_ && mask_);
    SetForegroundWindow(hwnd_);
    PumpMessages(0ms);
    g_seen.clear();
  }
  void TearDown() override {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    PumpMessages(0ms);
  }

  // A pixel of a control as it is on screen, after every pending paint.
  COLORREF PixelOf(HWND control, POINT p) {
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    WindowDc dc(control);
    return GetPixel(dc.get(), p.x, p.y);
  }

  void Click(HWND control, POINT down, std::optional<POINT> up = {}) {
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, At(down));
    SendMessageW(control, WM_LBUTTONUP, 0, At(up.value_or(down)));
  }

  ui::Window* window_ = nullptr;
  HWND hwnd_ = nullptr, bar_ = nullptr, strip_ = nullptr, pic_ = nullptr, mask_ = nullptr;
};

class DpiBar : public Controls {};
class Dpi : public Controls {};

}  // namespace

TEST_F(DpiBar, VisibleButtonsShareTheBarHiddenOnesTakeNoRoomAndLayoutFollowsAMove) {
  ui::BarShowButton(bar_, 1, false);
  RECT client;
  GetClientRect(bar_, &client);
  ASSERT_EQ(client.right, window_->Scale(235));
  const int gap = window_->Scale(5);
  EXPECT_TRUE(Empty(ui::BarButtonRect(bar_, 1)));
  std::vector<RECT> shown;
  for (int i : {0, 2, 3, 4}) shown.push_back(ui::BarButtonRect(bar_, i));
  EXPECT_EQ(shown.front().left, 0);
  EXPECT_EQ(shown.back().right, client.right);
  for (size_t i = 0; i < shown.size(); ++i) {
    EXPECT_NEAR(shown[i].right - shown[i].left, (client.right - 3 * gap) / 4, 1) << i;
    EXPECT_EQ(shown[i].top, 0);
    EXPECT_EQ(shown[i].bottom, client.bottom);
    if (i > 0) {
      EXPECT_NEAR(shown[i].left - shown[i - 1].right, gap, 1) << i;
    }
    if (window_->Dpi() == 96) {  // the account toolbar: four buttons of 55 pixels, 5 apart
      EXPECT_EQ(shown[i].left, static_cast<LONG>(i) * 60);
      EXPECT_EQ(shown[i].right, static_cast<LONG>(i) * 60 + 55);
    }
  }
  ui::BarShowButton(bar_, 1, true);  // shown again, it takes its share back
  RECT second = ui::BarButtonRect(bar_, 1);
  EXPECT_NEAR(second.right - second.left, (client.right - 4 * gap) / 5, 1);
  EXPECT_EQ(ui::BarButtonRect(bar_, 4).right, client.right);

  // The vertical strip stacks its buttons top to bottom.
  GetClientRect(strip_, &client);
  ASSERT_EQ(ui::BarButtonCount(strip_), 6);
  LONG previousBottom = -1;
  for (int i = 0; i < 6; ++i) {
    RECT r = ui::BarButtonRect(strip_, i);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, client.right);
    EXPECT_GT(r.top, previousBottom) << i;
    previousBottom = r.bottom;
  }
  EXPECT_EQ(previousBottom, client.bottom);

  window_->Move(kBar, 10, 10, 125, 25);
  EXPECT_EQ(ui::BarButtonRect(bar_, 0).left, 0);
  EXPECT_EQ(ui::BarButtonRect(bar_, 4).right, window_->Scale(125));
}

TEST_F(DpiBar, ClickReportsTheIndexUnderTheMouseOnlyWhenPressedAndReleasedThere) {
  ui::BarShowButton(bar_, 1, false);
  RECT a = ui::BarButtonRect(bar_, 0), b = ui::BarButtonRect(bar_, 2), pic;
  GetClientRect(pic_, &pic);
  Click(bar_, POINT{a.right + 1, (a.top + a.bottom) / 2});  // in the gap
  Click(bar_, Centre(a), Centre(b));                        // released on another button
  SendMessageW(bar_, WM_LBUTTONUP, 0, At(Centre(b)));        // released without a press
  Click(pic_, Centre(pic), POINT{pic.right + 5, 2});        // released outside the picture
  EXPECT_TRUE(g_seen.empty());

  Click(bar_, Centre(ui::BarButtonRect(bar_, 3)));
  Click(bar_, Centre(a));
  Click(bar_, POINT{window_->Scale(60 + 115) / 2, 5});  // where the hidden one was: now button 2
  Click(strip_, Centre(ui::BarButtonRect(strip_, 5)));
  Click(strip_, Centre(ui::BarButtonRect(strip_, 3)));  // a blank spacer still reports
  Click(pic_, Centre(pic));
  EXPECT_EQ(g_seen, (std::vector<Seen>{{"bar", Event::Clicked, 3}, {"bar", Event::Clicked, 0},
                                       {"bar", Event::Clicked, 2}, {"strip", Event::Clicked, 5},
                                       {"strip", Event::Clicked, 3}, {"pic", Event::Clicked, 0}}));
}

TEST_F(Controls, RealMouseClickReachesTheHandler) {
  POINT p = Centre(ui::BarButtonRect(bar_, 2));
  ClientToScreen(bar_, &p);
  SetForegroundWindow(hwnd_);
  ASSERT_TRUE(SetCursorPos(p.x, p.y));
  PumpMessages(50ms);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ASSERT_EQ(SendInput(2, in, sizeof(INPUT)), 2u);
  for (int i = 0; i < 100; ++i, PumpMessages(20ms))
    for (const Seen& s : g_seen)
      if (s.event == Event::Clicked) {
        EXPECT_EQ(s, (Seen{"bar", Event::Clicked, 2}));
        return;
      }
  FAIL() << "no click reported";
}

TEST_F(Controls, MouseEnterAndLeaveFollowTheButtons) {
  SendMessageW(bar_, WM_MOUSEMOVE, 0, At(Centre(ui::BarButtonRect(bar_, 1))));
  ui::BarShowButton(bar_, 1, false);  // hiding the button under the mouse forgets it
  g_seen.clear();
  SendMessageW(bar_, WM_MOUSELEAVE, 0, 0);
  EXPECT_TRUE(g_seen.empty());

  RECT b0 = ui::BarButtonRect(bar_, 0), b2 = ui::BarButtonRect(bar_, 2);
  for (POINT p : {Centre(b0), POINT{b0.left + 1, b0.top + 1}, Centre(b2), POINT{b2.right + 1, 3}, Centre(b0)})
    SendMessageW(bar_, WM_MOUSEMOVE, 0, At(p));  // the second stays on the same button, the fourth is a gap
  SendMessageW(bar_, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(g_seen, (std::vector<Seen>{{"bar", Event::MouseEnter, 0}, {"bar", Event::MouseLeave, 0},
                                       {"bar", Event::MouseEnter, 2}, {"bar", Event::MouseLeave, 2},
                                       {"bar", Event::MouseEnter, 0}, {"bar", Event::MouseLeave, 0}}));
  // Whatever the mouse tracking posts later finds nothing under the mouse to leave.
  g_seen.clear();
  PumpMessages(100ms);
  EXPECT_TRUE(g_seen.empty());
}

TEST_F(Controls, ButtonStateReadsBackAndBadIndexesOrForeignWindowsAreIgnored) {
  EXPECT_EQ(ui::BarButtonCount(bar_), 5);
  EXPECT_EQ(ui::BarCaption(bar_, 2), L"删除");
  EXPECT_EQ(ui::BarCaption(strip_, 3), L"");
  EXPECT_EQ(ui::BarColour(bar_, 0), ui::kAccent);
  EXPECT_FALSE(ui::BarIsChecked(bar_, 0) || ui::BarIsPressed(bar_, 0));
  ui::BarSetChecked(strip_, 1, true);
  ui::BarSetPressed(bar_, 4, true);
  ui::BarSetColour(bar_, 4, ui::kWhite);
  ui::BarSetCaption(bar_, 3, L"导出全部");
  UniqueBitmap picture = SolidBitmap(24, 24, 0, 0, 255);
  ui::BarSetPicture(strip_, 0, picture.get());
  EXPECT_TRUE(ui::BarIsChecked(strip_, 1));
  EXPECT_FALSE(ui::BarIsChecked(strip_, 0));
  EXPECT_TRUE(ui::BarIsPressed(bar_, 4));
  EXPECT_EQ(ui::BarColour(bar_, 4), ui::kWhite);
  EXPECT_EQ(ui::BarColour(bar_, 3), ui::kAccent);
  EXPECT_EQ(ui::BarCaption(bar_, 3), L"导出全部");
  EXPECT_EQ(ui::BarPicture(strip_, 0), picture.get());
  ui::BarSetChecked(strip_, 1, false);
  EXPECT_FALSE(ui::BarIsChecked(strip_, 1));
  ui::BarSetPicture(strip_, 0, nullptr);  // before the bitmap goes

  for (int i : {-1, 5, 1000}) {
    ui::BarSetChecked(bar_, i, true);
    ui::BarSetPressed(bar_, i, true);
    ui::BarShowButton(bar_, i, false);
    EXPECT_FALSE(ui::BarIsChecked(bar_, i));
    EXPECT_EQ(ui::BarCaption(bar_, i), L"");
    EXPECT_TRUE(Empty(ui::BarButtonRect(bar_, i)));
  }
  for (HWND foreign : {hwnd_, pic_, HWND{}}) EXPECT_EQ(ui::BarButtonCount(foreign), 0);
  ui::BarSetChecked(pic_, 0, true);
  ui::PictureSet(bar_, nullptr);
  EXPECT_EQ(ui::PictureGet(bar_), nullptr);
  EXPECT_FALSE(ui::OverlayCapture(bar_));
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(ui::BarIsButtonVisible(bar_, i));
}

TEST_F(DpiBar, ButtonsArePaintedByStateAndPicturesByTheirAlpha) {
  ui::BarSetPressed(bar_, 0, true);
  ui::BarSetColour(bar_, 0, ui::kWhite);
  RECT on = ui::BarButtonRect(bar_, 0), off = ui::BarButtonRect(bar_, 2);
  const int in = window_->Scale(4), middle = (on.top + on.bottom) / 2;  // inside the rounded outline
  EXPECT_EQ(PixelOf(bar_, POINT{on.left + in, middle}), ui::kAccent);
  EXPECT_EQ(PixelOf(bar_, POINT{off.left + in, middle}), ui::kWhite);
  EXPECT_EQ(PixelOf(bar_, POINT{off.left, middle}), ui::kAccent);  // the outline

  UniqueBitmap blue = SolidBitmap(24, 24, 0, 0, 255), clear = SolidBitmap(24, 24, 0, 0, 255, 0);
  ui::BarSetPicture(strip_, 0, blue.get());
  ui::BarSetPicture(strip_, 1, clear.get());
  EXPECT_EQ(PixelOf(strip_, Centre(ui::BarButtonRect(strip_, 0))), RGB(0, 0, 255));
  EXPECT_EQ(PixelOf(strip_, Centre(ui::BarButtonRect(strip_, 1))), ui::kWhite);
  ui::BarSetPicture(strip_, 0, nullptr);
  ui::BarSetPicture(strip_, 1, nullptr);
  EXPECT_EQ(PixelOf(strip_, Centre(ui::BarButtonRect(strip_, 0))), ui::kWhite);

  // A 2:1 picture in a square box: full width, half height, centred.
  UniqueBitmap wide = SolidBitmap(2, 1, 255, 0, 0), half = SolidBitmap(1, 1, 255, 0, 0, 128);
  ui::PictureSet(pic_, wide.get());
  EXPECT_EQ(ui::PictureGet(pic_), wide.get());
  RECT box;
  GetClientRect(pic_, &box);
  EXPECT_EQ(PixelOf(pic_, Centre(box)), RGB(255, 0, 0));
  EXPECT_EQ(PixelOf(pic_, POINT{1, box.bottom / 2}), RGB(255, 0, 0));
  EXPECT_EQ(PixelOf(pic_, POINT{box.right / 2, box.bottom / 8}), ui::kWhite);
  EXPECT_EQ(PixelOf(pic_, POINT{box.right / 2, box.bottom * 7 / 8}), ui::kWhite);
  ui::PictureSet(pic_, half.get());
  COLORREF c = PixelOf(pic_, Centre(box));
  EXPECT_EQ(GetRValue(c), 255);
  EXPECT_NEAR(GetGValue(c), 127, 3);
  EXPECT_NEAR(GetBValue(c), 127, 3);
  ui::PictureSet(pic_, nullptr);
  EXPECT_EQ(PixelOf(pic_, Centre(box)), ui::kWhite);
}

TEST(Picture, BitmapFromRgbaIsTopDownPremultipliedBgraAndRefusesInconsistentImages) {
  RgbaImage image{2, 2, {255, 0, 0, 255,  0, 255, 0, 128,  //
                         0, 0, 255, 0,    200, 100, 50, 255}};
  UniqueBitmap bitmap = BitmapFromRgba(image);
  ASSERT_TRUE(bitmap);
  DIBSECTION ds{};
  ASSERT_EQ(GetObjectW(bitmap.get(), sizeof ds, &ds), static_cast<int>(sizeof ds));
  EXPECT_EQ(ds.dsBm.bmWidth, 2);
  EXPECT_EQ(ds.dsBm.bmHeight, 2);
  EXPECT_EQ(ds.dsBm.bmBitsPixel, 32);
  const auto* px = static_cast<const uint8_t*>(ds.dsBm.bmBits);
  ASSERT_NE(px, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(px, px + 16), (std::vector<uint8_t>{0, 0, 255, 255,  0, 128, 0, 128,  //
                                                                     0, 0, 0, 0,      50, 100, 200, 255}));
  for (const RgbaImage& bad : {RgbaImage{}, RgbaImage{2, 2, std::vector<uint8_t>(15)},
                               RgbaImage{2, 2, std::vector<uint8_t>(17)},
                               RgbaImage{-2, -2, std::vector<uint8_t>(16)}, RgbaImage{0, 4, {}}})
    EXPECT_FALSE(BitmapFromRgba(bad)) << bad.width << "x" << bad.height << " " << bad.pixels.size();
}

TEST(Picture, ResourcesDecodeToTheirSizesAndMissingOnesGiveNoBitmap) {
  EXPECT_FALSE(LoadPngResource(IDR_LOGO_PNG));  // the test program carries no pictures
  EXPECT_FALSE(LoadPngResource(9999));
  // The program beside the tests, opened for its resources only.
  HMODULE exe = LoadLibraryExW(L"Quorrel.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!exe) GTEST_SKIP() << "Quorrel.exe not in the working directory";
  auto sizeOf = [&](int id) {
    UniqueBitmap b = LoadPngResource(id, exe);
    BITMAP bm{};
    if (!b || !GetObjectW(b.get(), sizeof bm, &bm)) return SIZE{0, 0};
    EXPECT_EQ(bm.bmBitsPixel, 32) << id;
    return SIZE{bm.bmWidth, bm.bmHeight};
  };
  for (int i : {0, 1, 2, 4, 5})
    for (int id : {IDR_MENU_NORMAL_BASE + i, IDR_MENU_ACTIVE_BASE + i}) {
      EXPECT_EQ(sizeOf(id).cx, 24) << id;
      EXPECT_EQ(sizeOf(id).cy, 24) << id;
    }
  EXPECT_EQ(sizeOf(IDR_MENU_NORMAL_BASE + 3).cx, 0);  // the spacer has none
  EXPECT_EQ(sizeOf(IDR_GEAR_PNG).cx, 16);
  EXPECT_GT(sizeOf(IDR_LOGO_PNG).cx, 0);
  for (auto [id, w, h] : {std::tuple{IDR_LOGO_PNG, 258, 258}, {IDR_TICK_PNG, 48, 48}, {IDR_IMPORT_BOX_PNG, 164, 100},
                          {IDR_ABOUT_START_PNG, 400, 400}, {IDR_WECHAT_PNG, 400, 400}, {IDR_ALIPAY_PNG, 400, 400}}) {
    EXPECT_EQ(sizeOf(id).cx, w) << id;
    EXPECT_EQ(sizeOf(id).cy, h) << id;
  }
  FreeLibrary(exe);
}

TEST_F(DpiBar, OverlayShowsTheWindowBlurredAndDimmedAboveItsSiblings) {
  EXPECT_FALSE(IsWindowVisible(mask_));  // hidden at start
  UniqueBitmap red = SolidBitmap(1, 1, 255, 0, 0);
  ui::PictureSet(pic_, red.get());
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  ASSERT_TRUE(ui::OverlayCapture(mask_));
  EXPECT_FALSE(IsWindowVisible(mask_));  // the capture does not show it

  RECT window, pic, strip;
  GetWindowRect(hwnd_, &window);
  MoveWindow(mask_, 0, 0, window.right - window.left, window.bottom - window.top, TRUE);
  ShowWindow(mask_, SW_SHOW);
  GetWindowRect(pic_, &pic);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&pic), 2);
  GetWindowRect(strip_, &strip);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&strip), 2);
  EXPECT_EQ(ChildWindowFromPointEx(hwnd_, Centre(pic), CWP_SKIPINVISIBLE), mask_);
  // The red picture's middle: dimmed red. Far from every control and the frame: dimmed white.
  COLORREF middle = PixelOf(mask_, Centre(pic));
  EXPECT_NEAR(GetRValue(middle), 149, 6);
  EXPECT_LT(GetGValue(middle), 10);
  COLORREF empty = PixelOf(mask_, POINT{(pic.right + strip.left) / 2, pic.bottom + window_->Scale(60)});
  EXPECT_NEAR(GetRValue(empty), 149, 6);
  EXPECT_EQ(GetRValue(empty), GetGValue(empty));
  // Just inside the red area's edge the white around it has bled in: blurred.
  COLORREF edge = PixelOf(mask_, POINT{pic.left + 1, (pic.top + pic.bottom) / 2});
  EXPECT_GT(GetGValue(edge), 10);
  EXPECT_LT(GetGValue(edge), 140);
  // A repaint of a sibling under the overlay does not draw over it; a new capture keeps it shown.
  InvalidateRect(pic_, nullptr, TRUE);
  EXPECT_NEAR(GetRValue(PixelOf(mask_, Centre(pic))), 149, 6);
  ASSERT_TRUE(ui::OverlayCapture(mask_));
  EXPECT_TRUE(IsWindowVisible(mask_));

  ShowWindow(mask_, SW_HIDE);
  EXPECT_EQ(PixelOf(pic_, POINT{3, 3}), RGB(255, 0, 0));
  ui::PictureSet(pic_, nullptr);
}

TEST_F(Dpi, ClientSizeIsTheScaledLayoutAtTheConfiguredDpi) {
  RECT client, bar;
  GetClientRect(hwnd_, &client);
  GetClientRect(bar_, &bar);
  // The skinned frame's caption strip sits above the layout.
  EXPECT_EQ(client.right, window_->Scale(kWidth));
  EXPECT_EQ(client.bottom, window_->Scale(kHeight + window_->CaptionHeight()));
  EXPECT_EQ(window_->Dpi(), ui::DpiOf(hwnd_));
  EXPECT_EQ(bar.right, window_->Scale(235));
  EXPECT_EQ(bar.bottom, window_->Scale(25));
  const char* setting = std::getenv("QUORREL_LOGPIXELS");
  if (const int wanted = setting ? std::atoi(setting) : 0) {  // the 144-DPI prefix
    EXPECT_EQ(window_->Dpi(), wanted);
    EXPECT_EQ(client.right, kWidth * wanted / 96);
    EXPECT_EQ(client.bottom, (kHeight + window_->CaptionHeight()) * wanted / 96);
    EXPECT_EQ(bar.right, MulDiv(235, wanted, 96));
  }
}
