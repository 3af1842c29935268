#include "security/pin_pad_win.h"

#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {

const ui::ControlSpec kControls[] = {
    {"密码窗口UI", ui::ControlKind::Frame, 8, 8, 24, 24},
};

}  // namespace

HWND OpenPinPadWindow(HWND owner) {
  ui::WindowSpec spec{"启动密码", 250, 275, kControls, {}};
  ui::Window* w = ui::Window::Create(spec, owner);
  return w ? w->hwnd() : nullptr;
}

}  // namespace quorrel
