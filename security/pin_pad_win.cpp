#include "security/pin_pad_win.h"

#include "ui/toolkit/window_win.h"

namespace quorrel {
namespace {

enum Control : int { kFrame, kControlCount };

struct PinPad : ui::WindowState {
  explicit PinPad(PinPadArgs a) : args(std::move(a)) {}
  PinPadArgs args;
};

void OnDestroying(ui::Window& w, ui::EventArgs&) {
  if (const auto& closed = w.State<PinPad>().args.onClosed) closed();
}

const ui::ControlSpec kControls[] = {
    {kFrame, "密码窗口UI", ui::ControlKind::Frame, 8, 8, 24, 24},
};
static_assert(std::size(kControls) == kControlCount);

const ui::HandlerSpec kHandlers[] = {
    {ui::kNoControl, ui::Event::Destroying, OnDestroying},
};

}  // namespace

HWND OpenPinPadWindow(HWND owner, PinPadArgs args) {
  ui::WindowSpec spec{"启动密码", 250, 275, kControls, kHandlers};
  ui::Window* w = ui::Window::Create(spec, owner, std::make_unique<PinPad>(std::move(args)));
  return w ? w->hwnd() : nullptr;
}

}  // namespace quorrel
