// The drawn controls: each is a window class of its own that paints itself off screen and
// reports its events through the owning Window, under the control's layout name.
#include "ui/toolkit/controls_win.h"

#include <optional>

#include <algorithm>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "base/encoding_win.h"
#include "base/handles_win.h"
#include "base/report.h"
#include "ui/toolkit/picture_win.h"
#include "ui/toolkit/pixels.h"

namespace quorrel::ui {
namespace {

constexpr wchar_t kBarClass[] = L"QuorrelBar";
constexpr wchar_t kPictureClass[] = L"QuorrelPicture";
constexpr wchar_t kOverlayClass[] = L"QuorrelOverlay";

constexpr int kButtonGap = 5;     // between the buttons of a bar, 96-DPI pixels
constexpr int kButtonRadius = 6;  // rounded corners
constexpr int kPicturePad = 2;    // around a button's picture
constexpr COLORREF kHoverFill = RGB(0xF1, 0xED, 0xFE);
constexpr COLORREF kCheckedFill = RGB(0xE6, 0xDF, 0xFC);
constexpr COLORREF kDownFill = RGB(0xD8, 0xCE, 0xFA);
constexpr int kBlurRadius = 4;  // 96-DPI pixels, three passes
constexpr int kBlurPasses = 3;
constexpr int kDimKeep = 150;  // of 256
constexpr COLORREF kDimmedWhite = RGB(kDimKeep * 255 / 256, kDimKeep * 255 / 256, kDimKeep * 255 / 256);

bool HasClass(HWND hwnd, const wchar_t* cls) {
  wchar_t name[32] = {};
  return hwnd && GetClassNameW(hwnd, name, 32) > 0 && lstrcmpW(name, cls) == 0;
}

template <typename T>
T* DataOf(HWND hwnd, const wchar_t* cls) {
  return HasClass(hwnd, cls) ? reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)) : nullptr;
}

Window* OwnerOf(HWND control) { return Window::FromHwnd(GetAncestor(control, GA_ROOT)); }

int ScaleFor(HWND control, int px) {
  if (Window* w = OwnerOf(control)) return w->Scale(px);
  return MulDiv(px, DpiOf(control), 96);
}

// Handlers may destroy the control: callers look it up again afterwards.
void RaiseFor(HWND control, Event event, int index) {
  Window* w = OwnerOf(control);
  if (!w) return;
  const int id = w->IdOf(control);
  if (id == kNoControl) return;
  EventArgs args;
  args.index = index;
  w->Raise(id, event, args);
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP bm{};
  if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm)) return {0, 0};
  return {bm.bmWidth, bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight};
}

// The largest rectangle of the bitmap's proportions inside `box`, centred in it.
RECT FitCentred(SIZE source, const RECT& box) {
  int bw = box.right - box.left, bh = box.bottom - box.top;
  if (source.cx <= 0 || source.cy <= 0 || bw <= 0 || bh <= 0) return {};
  int w = bw, h = MulDiv(source.cy, bw, source.cx);
  if (h > bh) {
    h = bh;
    w = MulDiv(source.cx, bh, source.cy);
  }
  int x = box.left + (bw - w) / 2, y = box.top + (bh - h) / 2;
  return {x, y, x + w, y + h};
}

// Like FitCentred, but never larger than `most`.
RECT FitCentredAtMost(SIZE source, SIZE most, const RECT& box) {
  int bw = std::min<int>(box.right - box.left, most.cx), bh = std::min<int>(box.bottom - box.top, most.cy);
  int x = box.left + (box.right - box.left - bw) / 2, y = box.top + (box.bottom - box.top - bh) / 2;
  return FitCentred(source, RECT{x, y, x + bw, y + bh});
}

// A 32-bit picture resized smoothly (GDI's own stretching picks the nearest pixels).
UniqueBitmap ScaledCopy(HBITMAP bitmap, SIZE size) {
  BITMAP bm{};
  if (!GetObjectW(bitmap, sizeof bm, &bm) || bm.bmBitsPixel != 32 || bm.bmWidth <= 0 || size.cx <= 0 ||
      size.cy <= 0)
    return {};
  const int w = bm.bmWidth, h = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
  std::vector<uint8_t> from(static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
  BITMAPINFO fromInfo = TopDownBitmapInfo(w, h);
  WindowDc screen(nullptr);
  if (GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(h), from.data(), &fromInfo, DIB_RGB_COLORS) != h)
    return {};
  BITMAPINFO toInfo = TopDownBitmapInfo(size.cx, size.cy);
  void* bits = nullptr;
  UniqueBitmap scaled(CreateDIBSection(nullptr, &toInfo, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!scaled || !bits) return {};
  std::span<uint8_t> to(static_cast<uint8_t*>(bits), static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy) * 4);
  if (!Resample(from, w, h, to, size.cx, size.cy)) return {};
  return scaled;
}

// A picture as last drawn at another size than its own, kept until the picture or the
// size changes (and dropped whenever the picture is set, as a handle may be reused).
struct ScaledPicture {
  HBITMAP source = nullptr;
  SIZE size{0, 0};
  UniqueBitmap bitmap;
  void Reset() {
    source = nullptr;
    size = SIZE{0, 0};
    bitmap.reset();
  }
};

void DrawBitmap(HDC dc, HBITMAP bitmap, const RECT& to);

void DrawPicture(HDC dc, HBITMAP bitmap, const RECT& to, ScaledPicture& cache) {
  const SIZE want{to.right - to.left, to.bottom - to.top};
  const SIZE natural = BitmapSize(bitmap);
  if (want.cx <= 0 || want.cy <= 0) return;
  if (want.cx == natural.cx && want.cy == natural.cy) {
    DrawBitmap(dc, bitmap, to);
    return;
  }
  if (cache.source != bitmap || cache.size.cx != want.cx || cache.size.cy != want.cy) {
    cache.source = bitmap;
    cache.size = want;
    cache.bitmap = ScaledCopy(bitmap, want);
  }
  DrawBitmap(dc, cache.bitmap ? cache.bitmap.get() : bitmap, to);
}

// 32-bit bitmaps are blended by their per-pixel (premultiplied) alpha, others copied.
void DrawBitmap(HDC dc, HBITMAP bitmap, const RECT& to) {
  BITMAP bm{};
  if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight == 0) return;
  int sh = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
  int w = to.right - to.left, h = to.bottom - to.top;
  if (w <= 0 || h <= 0) return;
  UniqueMemDc source(CreateCompatibleDC(dc));
  if (!source) return;
  SelectedObject selected(source.get(), bitmap);
  if (bm.bmBitsPixel == 32) {
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, to.left, to.top, w, h, source.get(), 0, 0, bm.bmWidth, sh, blend);
  } else {
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, to.left, to.top, w, h, source.get(), 0, 0, bm.bmWidth, sh, SRCCOPY);
  }
}

// Paints through an off-screen bitmap so that a repaint never flickers.
template <typename PaintFn>
void PaintBuffered(HWND hwnd, PaintFn paint) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  if (dc && client.right > 0 && client.bottom > 0) {
    UniqueMemDc mem(CreateCompatibleDC(dc));
    UniqueBitmap buffer(CreateCompatibleBitmap(dc, client.right, client.bottom));
    if (mem && buffer) {
      SelectedObject selected(mem.get(), buffer.get());
      paint(mem.get(), client);
      BitBlt(dc, 0, 0, client.right, client.bottom, mem.get(), 0, 0, SRCCOPY);
    } else {
      paint(dc, client);
    }
  }
  EndPaint(hwnd, &ps);
}

// ---- button bars ---------------------------------------------------------------------------

// What every drawn control does alike: its data comes with WM_NCCREATE and goes with
// WM_NCDESTROY, and it paints off screen (or into the DC of WM_PRINTCLIENT for snapshots).
// Returns the result for those messages, nothing for the control's own ones.
template <typename Data, typename Paint>
std::optional<LRESULT> DrawnControlCommon(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, Data*& d, Paint paint) {
  if (msg == WM_NCCREATE) {
    auto* data = static_cast<Data*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data ? data : new Data));
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  d = reinterpret_cast<Data*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!d) return DefWindowProcW(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      delete d;
      d = nullptr;
      return DefWindowProcW(hwnd, msg, wp, lp);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintBuffered(hwnd, [&](HDC dc, const RECT& r) { paint(*d, dc, r); });
      return 0;
    case WM_PRINTCLIENT: {
      RECT r;
      GetClientRect(hwnd, &r);
      paint(*d, reinterpret_cast<HDC>(wp), r);
      return 0;
    }
  }
  return std::nullopt;
}

struct BarButton {
  std::wstring caption;
  HBITMAP picture = nullptr;
  ScaledPicture scaled;
  COLORREF colour = kAccent;
  bool checked = false;
  bool pressed = false;
  bool visible = true;
};

struct BarData {
  std::vector<BarButton> buttons;
  bool vertical = false;
  HFONT font = nullptr;
  int hot = -1;   // button under the mouse
  int down = -1;  // button the left mouse button went down on
  bool tracking = false;
};

BarData* BarOf(HWND bar) { return DataOf<BarData>(bar, kBarClass); }

BarButton* ButtonOf(HWND bar, int index) {
  BarData* d = BarOf(bar);
  if (!d || index < 0 || index >= static_cast<int>(d->buttons.size())) return nullptr;
  return &d->buttons[static_cast<size_t>(index)];
}

// The visible buttons share the bar's length equally, a gap apart.
RECT LayoutButton(HWND bar, const BarData& d, int index) {
  if (index < 0 || index >= static_cast<int>(d.buttons.size()) || !d.buttons[static_cast<size_t>(index)].visible)
    return {};
  int count = 0, position = 0;
  for (int i = 0; i < static_cast<int>(d.buttons.size()); ++i) {
    if (!d.buttons[static_cast<size_t>(i)].visible) continue;
    if (i < index) ++position;
    ++count;
  }
  RECT client;
  GetClientRect(bar, &client);
  const int gap = ScaleFor(bar, kButtonGap);
  const int length = d.vertical ? client.bottom : client.right;
  const int span = length + gap;
  const int start = position * span / count;
  const int end = (position + 1) * span / count - gap;
  if (end <= start) return {};
  return d.vertical ? RECT{0, start, client.right, end} : RECT{start, 0, end, client.bottom};
}

int HitButton(HWND bar, const BarData& d, POINT pt) {
  for (int i = 0; i < static_cast<int>(d.buttons.size()); ++i) {
    RECT r = LayoutButton(bar, d, i);
    if (PtInRect(&r, pt)) return i;
  }
  return -1;
}

void PaintBar(HWND bar, BarData& d, HDC dc, const RECT& client) {
  Fill(dc, client, kWhite);
  HFONT font = d.font ? d.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  SelectedObject selectedFont(dc, font);
  SelectedObject selectedBrush(dc, GetStockObject(DC_BRUSH));
  SelectedObject selectedPen(dc, GetStockObject(DC_PEN));
  SetBkMode(dc, TRANSPARENT);
  const int radius = ScaleFor(bar, kButtonRadius);
  const int pad = ScaleFor(bar, kPicturePad);
  const bool indicators = (GetWindowLongPtrW(bar, GWL_STYLE) & kBarIndicators) != 0;

  for (int i = 0; i < static_cast<int>(d.buttons.size()); ++i) {
    BarButton& b = d.buttons[static_cast<size_t>(i)];
    RECT r = LayoutButton(bar, d, i);
    if (IsRectEmpty(&r)) continue;
    const bool blank = b.caption.empty() && !b.picture;
    if (blank && !b.pressed && !b.checked && !indicators) continue;  // a spacer shows nothing

    COLORREF fill = kWhite;
    if (b.pressed) {
      fill = kAccent;
    } else if (i == d.down && i == d.hot && !indicators) {
      fill = kDownFill;
    } else if (b.checked) {
      fill = kCheckedFill;
    } else if (i == d.hot && !indicators) {
      fill = kHoverFill;
    }
    SetDCBrushColor(dc, fill);
    // Captioned buttons and indicators get an accent outline; picture buttons only their fill.
    SetDCPenColor(dc, b.caption.empty() && !indicators ? fill : kAccent);
    RoundRect(dc, r.left, r.top, r.right, r.bottom, radius, radius);

    RECT inner{r.left + pad, r.top + pad, r.right - pad, r.bottom - pad};
    RECT text = inner;
    if (b.picture) {
      SIZE natural = BitmapSize(b.picture);
      SIZE scaled{ScaleFor(bar, natural.cx), ScaleFor(bar, natural.cy)};
      RECT box = inner;
      if (!b.caption.empty()) {
        // Picture on the left of the caption.
        int side = std::min<int>(scaled.cx, inner.bottom - inner.top);
        box.right = std::min<LONG>(inner.right, inner.left + side);
        text.left = box.right + pad;
      }
      DrawPicture(dc, b.picture, FitCentredAtMost(natural, scaled, box), b.scaled);
    }
    if (!b.caption.empty()) {
      // A pressed button in the fill colour would hide its caption: white keeps it legible.
      SetTextColor(dc, b.pressed && b.colour == fill ? kWhite : b.colour);
      DrawTextW(dc, b.caption.c_str(), static_cast<int>(b.caption.size()), &text,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
  }
}

void SetHot(HWND bar, int index) {
  BarData* d = BarOf(bar);
  if (!d || d->hot == index) return;
  int old = d->hot;
  d->hot = index;
  InvalidateRect(bar, nullptr, FALSE);
  if (old >= 0) RaiseFor(bar, Event::MouseLeave, old);
  if (index >= 0 && BarOf(bar)) RaiseFor(bar, Event::MouseEnter, index);
}

LRESULT CALLBACK BarProc(HWND bar, UINT msg, WPARAM wp, LPARAM lp) {
  BarData* d = nullptr;
  auto paint = [&](BarData& data, HDC dc, const RECT& r) { PaintBar(bar, data, dc, r); };
  if (auto common = DrawnControlCommon(bar, msg, wp, lp, d, paint)) return *common;
  const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  switch (msg) {
    case WM_SETFONT:
      d->font = reinterpret_cast<HFONT>(wp);
      if (LOWORD(lp)) InvalidateRect(bar, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(d->font);
    case WM_MOUSEMOVE:
      if (!d->tracking) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, bar, 0};
        d->tracking = TrackMouseEvent(&track) != FALSE;
      }
      SetHot(bar, HitButton(bar, *d, pt));
      return 0;
    case WM_MOUSELEAVE:
      d->tracking = false;
      SetHot(bar, -1);
      return 0;
    case WM_LBUTTONDOWN:
      d->down = HitButton(bar, *d, pt);
      if (d->down >= 0) SetCapture(bar);
      InvalidateRect(bar, nullptr, FALSE);
      return 0;
    case WM_LBUTTONUP: {
      int down = std::exchange(d->down, -1);
      if (GetCapture() == bar) ReleaseCapture();
      InvalidateRect(bar, nullptr, FALSE);
      // A click is a press and a release on the same button.
      int up = HitButton(bar, *d, pt);
      if (down >= 0 && down == up) RaiseFor(bar, Event::Clicked, up);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (d->down >= 0) {
        d->down = -1;
        InvalidateRect(bar, nullptr, FALSE);
      }
      return 0;
  }
  return DefWindowProcW(bar, msg, wp, lp);
}

// ---- picture boxes -------------------------------------------------------------------------

struct PictureData {
  HBITMAP bitmap = nullptr;
  ScaledPicture scaled;
  bool down = false;
};

void PaintPicture(PictureData& d, HDC dc, const RECT& client) {
  Fill(dc, client, kWhite);
  if (d.bitmap) DrawPicture(dc, d.bitmap, FitCentred(BitmapSize(d.bitmap), client), d.scaled);
}

LRESULT CALLBACK PictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  PictureData* d = nullptr;
  auto paint = [&](PictureData& data, HDC dc, const RECT& r) { PaintPicture(data, dc, r); };
  if (auto common = DrawnControlCommon(hwnd, msg, wp, lp, d, paint)) return *common;
  switch (msg) {
    case WM_LBUTTONDOWN:
      d->down = true;
      SetCapture(hwnd);
      return 0;
    case WM_LBUTTONUP: {
      bool down = std::exchange(d->down, false);
      if (GetCapture() == hwnd) ReleaseCapture();
      RECT r;
      GetClientRect(hwnd, &r);
      POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      if (down && PtInRect(&r, pt)) RaiseFor(hwnd, Event::Clicked, 0);
      return 0;
    }
    case WM_CAPTURECHANGED:
      d->down = false;
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// ---- blur overlay --------------------------------------------------------------------------

struct OverlayData {
  UniqueBitmap snapshot;
  SIZE size{0, 0};
};

void PaintOverlay(const OverlayData& d, HDC dc, const RECT& client) {
  if (!d.snapshot) {
    Fill(dc, client, kDimmedWhite);
    return;
  }
  {
    UniqueMemDc source(CreateCompatibleDC(dc));
    if (source) {
      SelectedObject selected(source.get(), d.snapshot.get());
      BitBlt(dc, 0, 0, d.size.cx, d.size.cy, source.get(), 0, 0, SRCCOPY);
    }
  }
  // The overlay may be larger than the window's client area (it gets the window's size).
  if (client.right > d.size.cx) Fill(dc, RECT{d.size.cx, 0, client.right, client.bottom}, kDimmedWhite);
  if (client.bottom > d.size.cy) Fill(dc, RECT{0, d.size.cy, d.size.cx, client.bottom}, kDimmedWhite);
}

void KeepOnTop(HWND overlay, WINDOWPOS* pos) {
  if (!(pos->flags & SWP_SHOWWINDOW) && !IsWindowVisible(overlay)) return;
  pos->hwndInsertAfter = HWND_TOP;
  pos->flags &= ~static_cast<UINT>(SWP_NOZORDER);
  // Siblings that repaint while the overlay is up must not draw over it.
  for (HWND s = GetWindow(GetParent(overlay), GW_CHILD); s; s = GetWindow(s, GW_HWNDNEXT)) {
    if (s == overlay) continue;
    LONG_PTR style = GetWindowLongPtrW(s, GWL_STYLE);
    if (!(style & WS_CLIPSIBLINGS)) SetWindowLongPtrW(s, GWL_STYLE, style | WS_CLIPSIBLINGS);
  }
}

LRESULT CALLBACK OverlayProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  OverlayData* d = nullptr;
  auto paint = [&](OverlayData& data, HDC dc, const RECT& r) { PaintOverlay(data, dc, r); };
  if (auto common = DrawnControlCommon(hwnd, msg, wp, lp, d, paint)) return *common;
  switch (msg) {
    case WM_WINDOWPOSCHANGING:
      KeepOnTop(hwnd, reinterpret_cast<WINDOWPOS*>(lp));
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void RegisterControlClasses(HINSTANCE inst) {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;  // no CS_DBLCLKS: a quick second click is a click
  wc.hInstance = inst;
  wc.hCursor = LoadCursorW(nullptr, WideId(IDC_ARROW));
  wc.lpfnWndProc = BarProc;
  wc.lpszClassName = kBarClass;
  ReportIf(!RegisterClassExW(&wc));
  wc.lpfnWndProc = PictureProc;
  wc.lpszClassName = kPictureClass;
  ReportIf(!RegisterClassExW(&wc));
  wc.lpfnWndProc = OverlayProc;
  wc.lpszClassName = kOverlayClass;
  ReportIf(!RegisterClassExW(&wc));
}

HWND CreateControl(const wchar_t* cls, DWORD style, HWND parent, const RECT& r, void* param) {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  RegisterControlClasses(inst);
  return CreateWindowExW(0, cls, L"", WS_CHILD | style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         parent, nullptr, inst, param);
}

}  // namespace

HWND CreateBar(Window& window, const ControlSpec& spec, HWND parent, const RECT& rect) {
  auto data = std::make_unique<BarData>();
  data->vertical = spec.options.vertical;
  data->font = window.Font();
  for (const char* item : spec.items) data->buttons.push_back(BarButton{Utf8ToWide(item ? item : "")});
  HWND bar = CreateControl(kBarClass, WS_VISIBLE | spec.options.style, parent, rect, data.get());
  if (bar) data.release();  // the bar's window owns it now
  return bar;
}

HWND CreatePicture(Window&, const ControlSpec& spec, HWND parent, const RECT& rect) {
  return CreateControl(kPictureClass, WS_VISIBLE | spec.options.style, parent, rect, nullptr);
}

HWND CreateOverlay(Window&, const ControlSpec& spec, HWND parent, const RECT& rect) {
  return CreateControl(kOverlayClass, spec.options.style & ~static_cast<DWORD>(WS_VISIBLE), parent, rect, nullptr);
}

int BarButtonCount(HWND bar) {
  BarData* d = BarOf(bar);
  return d ? static_cast<int>(d->buttons.size()) : 0;
}

std::wstring BarCaption(HWND bar, int index) {
  BarButton* b = ButtonOf(bar, index);
  return b ? b->caption : std::wstring{};
}

namespace {
// Changes one button field and repaints when it really changed.
template <typename T>
void SetField(HWND bar, int index, T BarButton::*field, T value) {
  BarButton* b = ButtonOf(bar, index);
  if (!b || b->*field == value) return;
  b->*field = value;
  InvalidateRect(bar, nullptr, FALSE);
}
template <typename T>
T GetField(HWND bar, int index, T BarButton::*field, T fallback) {
  BarButton* b = ButtonOf(bar, index);
  return b ? b->*field : fallback;
}
}  // namespace

void BarSetCaption(HWND bar, int index, std::wstring_view caption) {
  SetField(bar, index, &BarButton::caption, std::wstring(caption));
}
void BarSetChecked(HWND bar, int index, bool checked) { SetField(bar, index, &BarButton::checked, checked); }
bool BarIsChecked(HWND bar, int index) { return GetField(bar, index, &BarButton::checked, false); }
void BarSetPressed(HWND bar, int index, bool pressed) { SetField(bar, index, &BarButton::pressed, pressed); }
bool BarIsPressed(HWND bar, int index) { return GetField(bar, index, &BarButton::pressed, false); }
void BarSetColour(HWND bar, int index, COLORREF colour) { SetField(bar, index, &BarButton::colour, colour); }
COLORREF BarColour(HWND bar, int index) { return GetField(bar, index, &BarButton::colour, COLORREF{0}); }
void BarSetPicture(HWND bar, int index, HBITMAP picture) {
  BarButton* b = ButtonOf(bar, index);
  if (!b) return;
  b->picture = picture;
  b->scaled.Reset();
  InvalidateRect(bar, nullptr, FALSE);
}
HBITMAP BarPicture(HWND bar, int index) { return GetField(bar, index, &BarButton::picture, HBITMAP{}); }
bool BarIsButtonVisible(HWND bar, int index) { return GetField(bar, index, &BarButton::visible, false); }

void BarShowButton(HWND bar, int index, bool visible) {
  BarButton* b = ButtonOf(bar, index);
  if (!b || b->visible == visible) return;
  b->visible = visible;
  BarData* d = BarOf(bar);
  if (!visible && d->hot == index) d->hot = -1;
  if (!visible && d->down == index) d->down = -1;
  InvalidateRect(bar, nullptr, FALSE);
}

RECT BarButtonRect(HWND bar, int index) {
  BarData* d = BarOf(bar);
  return d ? LayoutButton(bar, *d, index) : RECT{};
}

void PictureSet(HWND picture, HBITMAP bitmap) {
  auto* d = DataOf<PictureData>(picture, kPictureClass);
  if (!d) return;
  d->bitmap = bitmap;
  d->scaled.Reset();
  InvalidateRect(picture, nullptr, FALSE);
}

HBITMAP PictureGet(HWND picture) {
  auto* d = DataOf<PictureData>(picture, kPictureClass);
  return d ? d->bitmap : nullptr;
}

bool OverlayCapture(HWND overlay) {
  auto* d = DataOf<OverlayData>(overlay, kOverlayClass);
  HWND parent = GetParent(overlay);
  if (!d || !parent) return false;
  RECT client;
  GetClientRect(parent, &client);
  const int w = client.right, h = client.bottom;
  if (w <= 0 || h <= 0) return false;

  // The snapshot shows the window without the overlay, with every pending paint done.
  const bool shown = (GetWindowLongPtrW(overlay, GWL_STYLE) & WS_VISIBLE) != 0;
  if (shown) ShowWindow(overlay, SW_HIDE);
  RedrawWindow(parent, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);

  BITMAPINFO bi = TopDownBitmapInfo(w, h);
  void* bits = nullptr;
  UniqueBitmap snapshot(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemDc mem(CreateCompatibleDC(nullptr));
  bool captured = false;
  if (snapshot && bits && mem) {
    SelectedObject selected(mem.get(), snapshot.get());
    // What the window shows on screen, children included; a window that is not on screen
    // is asked to print itself instead.
    if (IsWindowVisible(parent) && !IsIconic(parent)) {
      WindowDc source(parent);
      captured = source.get() && BitBlt(mem.get(), 0, 0, w, h, source.get(), 0, 0, SRCCOPY);
    }
    if (!captured) captured = PrintWindow(parent, mem.get(), PW_CLIENTONLY) != FALSE;
    GdiFlush();
  }
  if (captured) {
    std::span<uint8_t> pixels(static_cast<uint8_t*>(bits), static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
    BoxBlur(pixels, w, h, ScaleFor(overlay, kBlurRadius), kBlurPasses);
    Dim(pixels, kDimKeep);
    d->snapshot = std::move(snapshot);
    d->size = SIZE{w, h};
  } else {
    d->snapshot.reset();
    d->size = SIZE{0, 0};
  }
  if (shown) ShowWindow(overlay, SW_SHOWNA);
  InvalidateRect(overlay, nullptr, FALSE);
  return captured;
}

}  // namespace quorrel::ui
