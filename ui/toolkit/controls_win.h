// The toolkit's drawn controls: button bars (toolbars and switches), picture boxes and
// the blur overlay. Each creator gets the control's scaled rectangle in its parent.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "ui/toolkit/window_win.h"

namespace quorrel::ui {

HWND CreateBar(Window& window, const ControlSpec& spec, HWND parent, const RECT& rect);
HWND CreatePicture(Window& window, const ControlSpec& spec, HWND parent, const RECT& rect);
HWND CreateOverlay(Window& window, const ControlSpec& spec, HWND parent, const RECT& rect);

// Bar style (in ControlSpec::style): a row of indicators. Blank buttons are drawn as empty
// outlined slots instead of spacers, filled when checked or pressed, with no hover look.
inline constexpr DWORD kBarIndicators = 0x0001;

// Button bars. Indexes count every button, hidden ones included; a bad index or a window
// that is not a bar is ignored (getters give 0, false or an empty value).
int BarButtonCount(HWND bar);
std::wstring BarCaption(HWND bar, int index);
void BarSetCaption(HWND bar, int index, std::wstring_view caption);
// Checked: the current choice of a menu strip (drawn with a light accent fill).
void BarSetChecked(HWND bar, int index, bool checked);
bool BarIsChecked(HWND bar, int index);
// Pressed: the selected button of a switch (drawn filled with the accent colour).
void BarSetPressed(HWND bar, int index, bool pressed);
bool BarIsPressed(HWND bar, int index);
// The caption's colour; the accent colour until set.
void BarSetColour(HWND bar, int index, COLORREF colour);
COLORREF BarColour(HWND bar, int index);
void BarSetPicture(HWND bar, int index, HBITMAP picture);  // not owned
HBITMAP BarPicture(HWND bar, int index);
// Hidden buttons take no room: the visible ones share the bar's length.
void BarShowButton(HWND bar, int index, bool visible);
bool BarIsButtonVisible(HWND bar, int index);
// The button's rectangle in the bar's client area; empty when it is hidden.
RECT BarButtonRect(HWND bar, int index);

// Picture boxes (the bitmap is not owned; 32-bit premultiplied alpha is honoured). The
// picture is scaled to fit the box, keeping its aspect ratio, and centred.
void PictureSet(HWND picture, HBITMAP bitmap);
HBITMAP PictureGet(HWND picture);

// The blur overlay: a snapshot of its parent window's client area, blurred and dimmed.
// Take the snapshot, then move and show the overlay; while shown it stays above its
// siblings. Returns false when no snapshot could be taken (the overlay then paints a
// plain dimmed layer).
bool OverlayCapture(HWND overlay);

}  // namespace quorrel::ui
