#include "input/input_window_win.h"

#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {

const ui::ControlSpec kControls[] = {
    {"模拟窗口UI", ui::ControlKind::Frame, 8, 8, 24, 24},
};

}  // namespace

HWND OpenInputWindow(HWND owner) {
  ui::WindowSpec spec{"辅助输入", 250, 184, kControls, {}};
  ui::Window* w = ui::Window::Create(spec, owner);
  return w ? w->hwnd() : nullptr;
}

}  // namespace quorrel
