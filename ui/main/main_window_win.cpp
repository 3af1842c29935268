#include "ui/main/main_window_win.h"

#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {

HWND g_main = nullptr;

void OnDestroying(ui::Window&, ui::EventArgs&) { g_main = nullptr; }

const ui::ControlSpec kControls[] = {
    {"主界面_UI", ui::ControlKind::Frame, 4, 4, 24, 24},
};
const ui::HandlerSpec kHandlers[] = {
    {"", ui::Event::Destroying, OnDestroying},
};

}  // namespace

HWND OpenMainWindow() {
  ui::WindowSpec spec{"Quorrel Ver 2.62", 480, 500, kControls, kHandlers};
  spec.captionHeight = 0;  // the layout carries its own logo and title
  spec.x = 50;
  spec.y = 50;
  ui::Window* w = ui::Window::Create(spec, nullptr);
  g_main = w ? w->hwnd() : nullptr;
  return g_main;
}

HWND MainWindowHandle() { return g_main; }

}  // namespace quorrel
