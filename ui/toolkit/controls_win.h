// The toolkit's drawn controls: button bars (toolbars and switches), picture boxes and
// the blur overlay. Each creator gets the control's scaled rectangle in its parent.
#pragma once

#include <windows.h>

#include <string>

#include "ui/toolkit/window_win.h"

namespace quorrel::ui {

HWND CreateBar(Window& window, const ControlSpec& spec, HWND parent, const RECT& rect);
HWND CreatePicture(Window& window, const ControlSpec& spec, HWND parent, const RECT& rect);
HWND CreateOverlay(Window& window, const ControlSpec& spec, HWND parent, const RECT& rect);

// Button bars.
int BarButtonCount(HWND bar);
std::wstring BarCaption(HWND bar, int index);
void BarSetChecked(HWND bar, int index, bool checked);
bool BarIsChecked(HWND bar, int index);
void BarSetPressed(HWND bar, int index, bool pressed);
void BarSetColour(HWND bar, int index, COLORREF colour);
void BarSetPicture(HWND bar, int index, HBITMAP picture);  // not owned
void BarShowButton(HWND bar, int index, bool visible);

// Picture boxes (the bitmap is not owned; 32-bit premultiplied alpha is honoured).
void PictureSet(HWND picture, HBITMAP bitmap);

// The blur overlay: a snapshot of the window below it, blurred and dimmed.
void OverlayCapture(HWND overlay);

}  // namespace quorrel::ui
