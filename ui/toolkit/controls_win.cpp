// Placeholder drawn controls; the real bar, picture box and overlay replace these.
#include "ui/toolkit/controls_win.h"

namespace quorrel::ui {

static HWND Placeholder(const ControlSpec& spec, HWND parent, const RECT& r, bool visible) {
  return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | (visible ? WS_VISIBLE : 0) | spec.style, r.left,
                         r.top, r.right - r.left, r.bottom - r.top, parent, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

HWND CreateBar(Window&, const ControlSpec& spec, HWND parent, const RECT& rect) {
  return Placeholder(spec, parent, rect, true);
}
HWND CreatePicture(Window&, const ControlSpec& spec, HWND parent, const RECT& rect) {
  return Placeholder(spec, parent, rect, true);
}
HWND CreateOverlay(Window&, const ControlSpec& spec, HWND parent, const RECT& rect) {
  return Placeholder(spec, parent, rect, false);
}
int BarButtonCount(HWND) { return 0; }
std::wstring BarCaption(HWND, int) { return {}; }
void BarSetChecked(HWND, int, bool) {}
bool BarIsChecked(HWND, int) { return false; }
void BarSetPressed(HWND, int, bool) {}
void BarSetColour(HWND, int, COLORREF) {}
void BarSetPicture(HWND, int, HBITMAP) {}
void BarShowButton(HWND, int, bool) {}
void PictureSet(HWND, HBITMAP) {}
void OverlayCapture(HWND) {}

}  // namespace quorrel::ui
