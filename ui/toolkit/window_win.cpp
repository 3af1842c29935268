#include "ui/toolkit/window_win.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>

#include "base/encoding_win.h"
#include "base/milestones.h"
#include "base/text.h"
#include "res/resource.h"
#include "ui/toolkit/controls_win.h"

namespace quorrel::ui {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

namespace {

constexpr const wchar_t* kWindowClass = kWindowClassName;
constexpr wchar_t kPanelClass[] = L"QuorrelPanel";
int g_liveWindows = 0;

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

int SystemDpi() {
  WindowDc dc(nullptr);
  return dc.get() ? GetDeviceCaps(dc.get(), LOGPIXELSX) : 96;
}

// Panels (tab pages, group boxes) pass their children's notifications up to the window.
LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_DRAWITEM:
      return SendMessageW(GetAncestor(hwnd, GA_ROOT), msg, wp, lp);
    case WM_LBUTTONDOWN: {
      // Clicks on the bare panel belong to the panel's control (dragging by the panel).
      HWND root = GetAncestor(hwnd, GA_ROOT);
      if (Window* w = Window::FromHwnd(root)) {
        HWND named = hwnd;
        while (named && named != root && w->IdOf(named) == kNoControl) named = GetParent(named);
        if (named && named != root) {
          EventArgs args;
          args.wparam = wp;
          args.lparam = lp;
          w->Raise(w->IdOf(named), Event::LeftButtonDown, args);
        }
      }
      return 0;
    }
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(reinterpret_cast<HDC>(wp), &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      return 1;
    }
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void RegisterClasses(HINSTANCE inst) {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursorW(nullptr, WideId(IDC_ARROW));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.hIcon = LoadIconW(inst, MAKEINTRESOURCEW(IDI_APP));
  wc.cbWndExtra = sizeof(Window*);  // the Window, at offset 0
  wc.lpszClassName = kWindowClass;
  ReportIf(!RegisterClassExW(&wc));
  wc.lpfnWndProc = PanelProc;
  wc.hIcon = nullptr;
  wc.cbWndExtra = 0;
  wc.lpszClassName = kPanelClass;
  ReportIf(!RegisterClassExW(&wc));
}

// Files dropped on a window, reported to its drop-target control.
class FileDropTarget final : public IDropTarget {
 public:
  FileDropTarget(HWND hwnd, int control) : hwnd_(hwnd), control_(control) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IDropTarget) {
      *out = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    FORMATETC fmt{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    accept_ = data && data->QueryGetData(&fmt) == S_OK;
    *effect = accept_ ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
    *effect = accept_ ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    *effect = DROPEFFECT_NONE;
    FORMATETC fmt{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (!data || data->GetData(&fmt, &medium) != S_OK) return S_OK;
    std::string text;
    if (auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
      UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count; ++i) {
        UINT len = DragQueryFileA(drop, i, nullptr, 0);
        std::string path(len + 1, '\0');
        DragQueryFileA(drop, i, path.data(), len + 1);
        path.resize(len);
        text += path;
        if (count > 1) text += "\r\n";
      }
      GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    *effect = DROPEFFECT_COPY;
    if (Window* w = Window::FromHwnd(hwnd_)) {
      EventArgs args;
      args.text = std::move(text);
      w->Raise(control_, Event::FilesDropped, args);
    }
    return S_OK;
  }

 private:
  ~FileDropTarget() = default;
  LONG refs_ = 1;
  HWND hwnd_;
  int control_;
  bool accept_ = false;
};

}  // namespace

int DpiOf(HWND hwnd) {
  static auto fn = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (hwnd && fn) {
    UINT dpi = fn(hwnd);
    if (dpi) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

int LiveWindowCount() { return g_liveWindows; }

Window* Window::FromHwnd(HWND hwnd) {
  if (!hwnd) return nullptr;
  wchar_t cls[32] = {};
  GetClassNameW(hwnd, cls, 32);
  if (lstrcmpW(cls, kWindowClass) != 0) return nullptr;
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);  // another running copy's window is not ours
  if (process != GetCurrentProcessId()) return nullptr;
  return reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, 0));
}

Window* Window::Create(const WindowSpec& spec, HWND owner, std::unique_ptr<WindowState> state) {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  RegisterClasses(inst);
  Milestone("window class registered");
  auto* w = new Window(spec, std::move(state));
  w->dpi_ = DpiOf(owner);
  RECT r{0, 0, w->Scale(spec.clientWidth), w->Scale(spec.clientHeight + spec.captionHeight)};
  AdjustWindowRectEx(&r, spec.style, FALSE, spec.exStyle);
  // Each axis without a position of its own is centred over the owner, or over the work area.
  RECT o{};
  if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &o)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &o, 0);
  const int x = spec.x != CW_USEDEFAULT ? w->Scale(spec.x) : o.left + ((o.right - o.left) - (r.right - r.left)) / 2;
  const int y = spec.y != CW_USEDEFAULT ? w->Scale(spec.y) : o.top + ((o.bottom - o.top) - (r.bottom - r.top)) / 2;
  HWND hwnd = CreateWindowExW(spec.exStyle, kWindowClass, Utf8ToWide(spec.title).c_str(), spec.style,
                              x, y, r.right - r.left, r.bottom - r.top, owner, nullptr, inst, w);
  if (ReportIf(!hwnd)) {
    delete w;
    return nullptr;
  }
  // The window may sit on a monitor of another DPI than its owner: lay out again then.
  int actual = DpiOf(hwnd);
  if (actual != w->dpi_) {
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(actual, actual), 0);
  }
  ShowWindow(hwnd, SW_SHOW);
  Milestone("shown");
  UpdateWindow(hwnd);
  return w;
}

void Window::RunModal(const WindowSpec& spec, HWND owner, std::unique_ptr<WindowState> state) {
  WindowSpec modal = spec;
  modal.modal = true;
  Window* w = Create(modal, owner, std::move(state));
  if (!w) return;
  HWND hwnd = w->hwnd();
  MSG msg;
  while (IsWindow(hwnd) && GetMessageW(&msg, nullptr, 0, 0) > 0) ProcessMessage(msg);
  if (msg.message == WM_QUIT && !IsWindow(hwnd)) return;
  if (msg.message == WM_QUIT) PostQuitMessage(static_cast<int>(msg.wParam));
}

HWND Window::Control(int id) const {
  HWND h = id >= 0 && id < static_cast<int>(controls_.size()) ? controls_[static_cast<size_t>(id)] : nullptr;
  ReportIf(!h);
  return h;
}

void Window::WrongState(const char* asked) const {
  const std::string what = std::string("State<") + asked + "> of the window \"" + spec_.title + "\", whose state is " +
                           (state_ ? typeid(*state_).name() : "none");
  FailFast(__FILE__, __LINE__, what.c_str());
}

const ControlSpec* Window::Spec(int id) const {
  if (ReportIf(id < 0 || id >= static_cast<int>(spec_.controls.size()))) return nullptr;
  return &spec_.controls[static_cast<size_t>(id)];
}

int Window::IdOf(HWND control) const {
  auto it = ids_.find(control);
  return it == ids_.end() ? kNoControl : it->second;
}

void Window::SetCaption(int control, std::string_view utf8) {
  if (HWND h = Control(control)) SetWindowTextW(h, Utf8ToWide(utf8).c_str());
}

void Window::SetText(int control, std::string_view ansi) {
  HWND h = Control(control);
  if (!h) return;
  const SecretWide wide(AnsiToWide(ansi));
  SetWindowTextW(h, wide.str().c_str());
}

SecretWide Window::GetWideText(int control) const {
  HWND h = Control(control);
  if (!h) return {};
  int n = GetWindowTextLengthW(h);
  SecretWide text;
  text.str().resize(static_cast<size_t>(n) + 1);
  n = GetWindowTextW(h, text.str().data(), n + 1);
  text.str().resize(static_cast<size_t>(n > 0 ? n : 0));
  return text;
}

SecretText Window::GetText(int control) const { return SecretText(WideToAnsi(GetWideText(control).view())); }

void Window::Show(int control, bool visible) {
  if (HWND h = Control(control)) ShowWindow(h, visible ? SW_SHOW : SW_HIDE);
}

void Window::Move(int control, int x, int y, int w, int h) {
  HWND c = Control(control);
  if (!c) return;
  // Layout coordinates of the window's own children start below the caption strip.
  if (GetParent(c) == hwnd_) y += spec_.captionHeight;
  MoveWindow(c, Scale(x), Scale(y), Scale(w), Scale(h), TRUE);
}

HWND Window::PageOf(int panel, int page, bool create) {
  auto it = pages_.find({panel, page});
  if (it != pages_.end() || !create) return it == pages_.end() ? nullptr : it->second;
  const ControlSpec* spec = Spec(panel);
  HWND ph = Control(panel);
  if (!spec || !ph) return nullptr;
  HWND made = CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"", WS_CHILD | WS_CLIPCHILDREN |
                              (page == CurrentPage(panel) ? WS_VISIBLE : 0), 0, 0, Scale(spec->box.w),
                              Scale(spec->box.h), ph, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (ReportIf(!made)) return nullptr;
  pages_[{panel, page}] = made;
  ids_[made] = panel;  // a click on the bare page belongs to its panel
  return made;
}

void Window::SelectPage(int panel, int page) {
  const ControlSpec* spec = Spec(panel);
  if (ReportIf(!spec || spec->kind != ControlKind::TabPanel || page < 0 || page >= kMaxPages)) return;
  if (page > 0 && madePages_.insert({panel, page}).second) {
    // Made hidden (it is not the current page yet), set up, then shown below.
    PageOf(panel, page, true);
    CreateControls(panel, page);
    EventArgs args;
    args.index = page;
    Dispatch(panel, Event::PageMade, args);
  }
  currentPage_[panel] = page;
  PageOf(panel, page, true);  // a page without controls of its own still exists, empty
  for (const auto& [key, pg] : pages_)
    if (key.first == panel) ShowWindow(pg, key.second == page ? SW_SHOW : SW_HIDE);
}

int Window::CurrentPage(int panel) const {
  auto it = currentPage_.find(panel);
  return it == currentPage_.end() ? 0 : it->second;
}

void Window::Raise(int control, Event event, EventArgs& args) { Dispatch(control, event, args); }

bool Window::TakeKey(const MSG& msg) {
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      break;
    default:
      return false;
  }
  const HWND self = hwnd_;  // a handler may destroy the window, and this object with it
  const int control = msg.hwnd == hwnd_ ? kNoControl : IdOf(msg.hwnd);
  if (control != kNoControl) {
    EventArgs report;
    report.message = msg.message;
    report.wparam = msg.wParam;
    report.lparam = msg.lParam;
    if (Dispatch(control, Event::KeyReport, report) && report.handled) return true;
    if (!IsWindow(self)) return true;
  }
  if (msg.message != WM_KEYDOWN) return false;
  EventArgs key;
  key.message = msg.message;
  key.wparam = msg.wParam;
  key.lparam = msg.lParam;
  if (Dispatch(kNoControl, Event::KeyDown, key) && key.handled) return true;
  if (!IsWindow(self)) return true;
  // A list takes Enter itself, before the dialog keys make it a default-button press.
  if (msg.wParam == VK_RETURN && control != kNoControl && Spec(control)->kind == ControlKind::List) {
    EventArgs row;
    row.index = ListView_GetNextItem(msg.hwnd, -1, LVNI_SELECTED);
    if (row.index >= 0) Dispatch(control, Event::RowActivated, row);
    return true;
  }
  return false;
}

bool Window::Dispatch(int control, Event event, EventArgs& args) {
  args.control = control;
  const HWND self = hwnd_;  // a handler may destroy the window, and this object with it
  const std::span<const HandlerSpec> handlers = spec_.handlers;
  bool ran = false;
  for (const HandlerSpec& h : handlers) {
    if (h.event != event || control != h.control) continue;
    if (event == Event::Message && h.message != 0 && h.message != args.message) continue;
    h.handler(*this, args);
    ran = true;
    if (args.handled || !IsWindow(self)) break;
  }
  return ran;
}

namespace {
UniqueFont MakeFont(int points, bool bold, int dpi) {
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(points, dpi, 72);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = CLEARTYPE_QUALITY;
  lstrcpynW(lf.lfFaceName, Utf8ToWide(kFontName).c_str(), LF_FACESIZE);
  return UniqueFont(CreateFontIndirectW(&lf));
}
}  // namespace

void Window::ApplyFont() {
  font_ = MakeFont(10, false, dpi_);
  controlFonts_.resize(controls_.size());
  for (size_t i = 0; i < controls_.size(); ++i) ApplyFont(i);
}

void Window::ApplyFont(size_t id) {
  HWND h = controls_[id];
  if (!h) return;
  const ControlOptions& o = spec_.controls[id].options;
  HFONT font = static_cast<HFONT>(font_.get());
  if (o.fontPoints > 0 || o.bold) {
    controlFonts_[id] = MakeFont(o.fontPoints > 0 ? o.fontPoints : 10, o.bold, dpi_);
    font = static_cast<HFONT>(controlFonts_[id].get());
  }
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

std::pair<int, int> Window::PlaceOf(int id) const {
  // Parents come before their children, so the walk ends.
  for (int at = id; at >= 0 && at < static_cast<int>(spec_.controls.size());) {
    const int parent = spec_.controls[static_cast<size_t>(at)].options.parent;
    if (parent < 0 || parent >= at) break;
    if (spec_.controls[static_cast<size_t>(parent)].kind == ControlKind::TabPanel)
      return {parent, std::max(spec_.controls[static_cast<size_t>(at)].options.page, 0)};
    at = parent;
  }
  return {kNoControl, 0};
}

void Window::CreateControls(int panel, int page) {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  if (panel == kNoControl) controls_.assign(spec_.controls.size(), nullptr);
  for (size_t i = 0; i < spec_.controls.size(); ++i) {
    const ControlSpec& c = spec_.controls[i];
    // The window's control enum and its layout table must agree row for row.
    if (ReportIf(c.id != static_cast<int>(i))) continue;
    const std::pair<int, int> place = PlaceOf(c.id);
    if (panel == kNoControl ? place.second > 0 : place != std::pair{panel, page}) continue;
    const ControlOptions& o = c.options;
    HWND parent = hwnd_;
    int ox = 0, oy = 0;
    if (o.parent != kNoControl) {
      const ControlSpec* p = o.parent < c.id ? Spec(o.parent) : nullptr;
      HWND ph = p && p->kind != ControlKind::GroupBox ? Control(o.parent) : nullptr;
      if (ReportIf(!p)) continue;  // a parent comes before its children
      if (p->kind == ControlKind::GroupBox) {
        // A group box is drawn, not a container: its children sit beside it.
        parent = GetParent(controls_[static_cast<size_t>(o.parent)]);
        ox = p->box.x;
        oy = p->box.y;
      } else if (p->kind == ControlKind::TabPanel) {
        parent = PageOf(o.parent, o.page < 0 ? 0 : o.page, true);
      } else if (ph) {
        parent = ph;
      }
      if (ReportIf(!parent)) continue;
    }
    if (parent == hwnd_) oy += spec_.captionHeight;  // the layout starts below the caption
    const Box& b = c.box;
    RECT r{Scale(b.x + ox), Scale(b.y + oy), Scale(b.x + ox + b.w), Scale(b.y + oy + b.h)};
    int w = r.right - r.left, h = r.bottom - r.top;
    std::wstring caption = Utf8ToWide(c.caption ? c.caption : "");
    DWORD vis = WS_CHILD | WS_VISIBLE | o.style;
    HWND made = nullptr;
    switch (c.kind) {
      case ControlKind::Frame:
      case ControlKind::DropTarget:
        break;
      case ControlKind::Label:
        made = CreateWindowExW(0, L"STATIC", caption.c_str(), vis | SS_NOPREFIX | SS_LEFT, r.left,
                               r.top, w, h, parent, nullptr, inst, nullptr);
        break;
      case ControlKind::Edit:
        made = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", caption.c_str(),
                               vis | WS_TABSTOP | ES_AUTOHSCROLL, r.left, r.top, w, h, parent, nullptr,
                               inst, nullptr);
        break;
      case ControlKind::Button:
        made = CreateWindowExW(0, L"BUTTON", caption.c_str(), vis | WS_TABSTOP | BS_PUSHBUTTON, r.left,
                               r.top, w, h, parent, nullptr, inst, nullptr);
        break;
      case ControlKind::GroupBox:
        made = CreateWindowExW(0, L"BUTTON", caption.c_str(), vis | BS_GROUPBOX, r.left, r.top, w, h,
                               parent, nullptr, inst, nullptr);
        break;
      case ControlKind::TabPanel:
        made = CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"", vis | WS_CLIPCHILDREN, r.left,
                               r.top, w, h, parent, nullptr, inst, nullptr);
        break;
      case ControlKind::List:
        made = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                               vis | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                               r.left, r.top, w, h, parent, nullptr, inst, nullptr);
        if (made)
          ListView_SetExtendedListViewStyle(made, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
        break;
      case ControlKind::Toolbar:
        made = CreateBar(*this, c, parent, r);
        break;
      case ControlKind::Picture:
        made = CreatePicture(*this, c, parent, r);
        break;
      case ControlKind::Overlay:
        made = CreateOverlay(*this, c, parent, r);
        break;
    }
    if (made) {
      controls_[i] = made;
      ids_[made] = c.id;
      if (panel != kNoControl) ApplyFont(i);  // the window's fonts exist by now
    } else {
      ReportIf(c.kind != ControlKind::Frame && c.kind != ControlKind::DropTarget);
    }
    if (c.kind == ControlKind::DropTarget && !dropTarget_) {
      UniqueCom<IDropTarget> target(new FileDropTarget(hwnd_, c.id));
      if (!ReportIf(RegisterDragDrop(hwnd_, target.get()) != S_OK)) dropTarget_ = std::move(target);
    }
  }
}

LRESULT Window::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  {
    EventArgs args;
    args.message = msg;
    args.wparam = wp;
    args.lparam = lp;
    const HWND self = hwnd_;
    // A handler that destroyed the window took this object with it.
    if (Dispatch(kNoControl, Event::Message, args) && (args.handled || !IsWindow(self))) return args.result;
  }
  switch (msg) {
    case WM_CREATE: {
      Milestone("window made");
      CreateControls();
      Milestone("controls made");
      ApplyFont();
      Milestone("fonts set");
      if (spec_.modal && GetWindow(hwnd_, GW_OWNER)) EnableWindow(GetWindow(hwnd_, GW_OWNER), FALSE);
      EventArgs args;
      Dispatch(kNoControl, Event::Created, args);
      return 0;
    }
    case WM_COMMAND: {
      HWND from = reinterpret_cast<HWND>(lp);
      int id = from ? IdOf(from) : kNoControl;
      if (id != kNoControl && HIWORD(wp) == BN_CLICKED) {
        EventArgs args;
        Dispatch(id, Event::Clicked, args);
        return 0;
      }
      break;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      int id = IdOf(hdr->hwndFrom);
      if (id != kNoControl && (hdr->code == NM_DBLCLK || hdr->code == LVN_ITEMACTIVATE)) {
        auto* item = reinterpret_cast<NMITEMACTIVATE*>(lp);
        if (hdr->code == NM_DBLCLK && item->iItem < 0) break;
        if (hdr->code == LVN_ITEMACTIVATE) break;  // double click already reports it
        EventArgs args;
        args.index = item->iItem;
        Dispatch(id, Event::RowActivated, args);
        return 0;
      }
      break;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      HWND ctl = reinterpret_cast<HWND>(lp);
      SetBkMode(dc, TRANSPARENT);
      const int id = IdOf(ctl);
      const bool accent = id != kNoControl && spec_.controls[static_cast<size_t>(id)].options.accent;
      SetTextColor(dc, accent ? kAccent : RGB(0x33, 0x33, 0x33));
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wp);
      if (lp) {
        auto* suggested = reinterpret_cast<RECT*>(lp);
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      } else {
        RECT r{0, 0, Scale(spec_.clientWidth), Scale(spec_.clientHeight + spec_.captionHeight)};
        AdjustWindowRectEx(&r, spec_.style, FALSE, spec_.exStyle);
        SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
      }
      Relayout();
      ApplyFont();
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      PaintFrame(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_NCHITTEST: {
      POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      ScreenToClient(hwnd_, &pt);
      RECT close = CloseButtonRect();
      if (spec_.captionHeight > 0 && pt.y < Scale(spec_.captionHeight) && !PtInRect(&close, pt))
        return HTCAPTION;
      return HTCLIENT;
    }
    case WM_LBUTTONUP: {
      POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      RECT close = CloseButtonRect();
      if (spec_.captionHeight > 0 && PtInRect(&close, pt)) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
      return 0;
    }
    case WM_SETTEXT: {
      LRESULT r = DefWindowProcW(hwnd_, msg, wp, lp);
      InvalidateRect(hwnd_, nullptr, FALSE);
      return r;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY: {
      if (spec_.modal)
        if (HWND owner = GetWindow(hwnd_, GW_OWNER)) {
          EnableWindow(owner, TRUE);
          SetForegroundWindow(owner);
        }
      EventArgs args;
      Dispatch(kNoControl, Event::Destroying, args);
      if (dropTarget_) {
        ReportIf(RevokeDragDrop(hwnd_) != S_OK);
        dropTarget_.reset();
      }
      return 0;
    }
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

RECT Window::CloseButtonRect() const {
  RECT client;
  GetClientRect(hwnd_, &client);
  int size = Scale(spec_.captionHeight);
  return RECT{client.right - size, 0, client.right, size};
}

void Window::PaintFrame(HDC dc) {
  RECT client;
  GetClientRect(hwnd_, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  UniqueBrush accent(CreateSolidBrush(kAccent));
  FrameRect(dc, &client, accent.get());
  if (spec_.captionHeight <= 0) return;
  RECT caption{0, 0, client.right, Scale(spec_.captionHeight)};
  FillRect(dc, &caption, accent.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kWhite);
  SelectedObject font(dc, font_.get());
  int len = GetWindowTextLengthW(hwnd_);
  std::wstring title(static_cast<size_t>(len) + 1, L'\0');
  GetWindowTextW(hwnd_, title.data(), len + 1);
  title.resize(static_cast<size_t>(len));
  RECT text = caption;
  text.left += Scale(10);
  DrawTextW(dc, title.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  RECT close = CloseButtonRect();
  DrawTextW(dc, L"\u2715", -1, &close, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

void Window::Relayout() {
  for (const ControlSpec& c : spec_.controls) {
    HWND h = c.id >= 0 && c.id < static_cast<int>(controls_.size()) ? controls_[static_cast<size_t>(c.id)] : nullptr;
    if (!h) continue;
    int ox = 0, oy = 0;
    HWND parent = GetParent(h);
    if (c.options.parent != kNoControl)
      if (const ControlSpec* p = Spec(c.options.parent); p && p->kind == ControlKind::GroupBox) {
        ox = p->box.x;
        oy = p->box.y;
      }
    if (parent == hwnd_) oy += spec_.captionHeight;
    MoveWindow(h, Scale(c.box.x + ox), Scale(c.box.y + oy), Scale(c.box.w), Scale(c.box.h), TRUE);
  }
  for (const auto& [key, page] : pages_)
    if (const ControlSpec* panel = Spec(key.first))
      MoveWindow(page, 0, 0, Scale(panel->box.w), Scale(panel->box.h), TRUE);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* w = nullptr;
  if (msg == WM_NCCREATE) {
    w = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    w->hwnd_ = hwnd;
    // In the window's own bytes, not a property: a property is a round trip to the window
    // server under Wine, and this runs for every message.
    SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(w));
    ++g_liveWindows;
  } else {
    w = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, 0));
  }
  if (!w) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, 0, 0);
    delete w;
    // The program ends with its last window (a hidden window counts).
    if (--g_liveWindows == 0) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  return w->Handle(msg, wp, lp);
}

void ProcessMessage(const MSG& msg) {
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (Window* w = Window::FromHwnd(root)) {
    if (w->TakeKey(msg)) return;
    MSG copy = msg;
    if (IsWindow(root) && IsDialogMessageW(root, &copy)) return;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

int RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) ProcessMessage(msg);
  return static_cast<int>(msg.wParam);
}

}  // namespace quorrel::ui
