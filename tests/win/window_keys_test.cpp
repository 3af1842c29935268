// Keys in the toolkit's windows: a box that reports its keys, and the window's own key
// handler that sees every key typed in it, whichever control has the focus.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/win/window_pump.h"
#include "ui/toolkit/window_win.h"

using namespace quorrel;
using ui::Event;

namespace {

enum Control : int { kButton, kBox, kPlainBox };

struct Seen {
  std::string who;
  UINT message;
  WPARAM key;
  bool operator==(const Seen&) const = default;
};
std::vector<Seen> g_seen;

const ui::ControlSpec kControls[] = {
    ui::Button(kButton, "button", {10, 10, 60, 30}, "1"),
    ui::Edit(kBox, "box", {10, 50, 100, 30}),
    ui::Edit(kPlainBox, "plain", {10, 90, 100, 30}),
};
const ui::HandlerSpec kHandlers[] = {
    {kBox, Event::KeyReport,
     [](ui::Window&, ui::EventArgs& a) {
       g_seen.push_back({"box", a.message, a.wparam});
       a.handled = a.wparam == 'A';  // the box keeps 'A' to itself; other keys go on
     }},
    {ui::kNoControl, Event::KeyDown,
     [](ui::Window&, ui::EventArgs& a) {
       g_seen.push_back({"window", a.message, a.wparam});
       a.handled = a.wparam == 'B';
     }},
    {kButton, Event::Clicked, [](ui::Window&, ui::EventArgs&) { g_seen.push_back({"clicked", 0, 0}); }},
};

class WindowKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::WindowSpec spec{"keys", 200, 130, kControls, kHandlers};
    window_ = ui::Window::Create(spec, nullptr);
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

TEST_F(WindowKeys, ABoxReportsItsKeysFirstThenTheWindowSeesEveryKeyDown) {
  HWND box = window_->Control(kBox);
  PostKey(box, 'A');  // kept by the box's handler: neither the window nor the box sees it
  EXPECT_EQ(g_seen, (std::vector<Seen>{{"box", WM_KEYDOWN, 'A'}, {"box", WM_KEYUP, 'A'}}));
  EXPECT_EQ(TextOf(box), "");

  g_seen.clear();
  PostKey(box, 'C');  // passed on: the window sees the press, the box types it
  EXPECT_EQ(g_seen, (std::vector<Seen>{{"box", WM_KEYDOWN, 'C'}, {"window", WM_KEYDOWN, 'C'}, {"box", WM_KEYUP, 'C'}}));
  EXPECT_EQ(TextOf(box), "c");

  // A control without a report handler: only the window's handler, on key-downs.
  g_seen.clear();
  HWND plain = window_->Control(kPlainBox);
  PostKey(plain, 'B');
  PostKey(plain, 'D');
  EXPECT_EQ(g_seen, (std::vector<Seen>{{"window", WM_KEYDOWN, 'B'}, {"window", WM_KEYDOWN, 'D'}}));
  EXPECT_EQ(TextOf(plain), "d");

  // A focused push button: the window sees the key; Space left to the button clicks it.
  g_seen.clear();
  HWND button = window_->Control(kButton);
  PostKey(button, 'B');
  PostKey(button, VK_SPACE);
  EXPECT_EQ(g_seen, (std::vector<Seen>{{"window", WM_KEYDOWN, 'B'}, {"window", WM_KEYDOWN, VK_SPACE}, {"clicked", 0, 0}}));

  // The window itself with the focus.
  g_seen.clear();
  PostKey(hwnd_, '7');
  EXPECT_EQ(g_seen, (std::vector<Seen>{{"window", WM_KEYDOWN, '7'}}));
}
