// Windows built from a layout table of named controls, with handlers for their events.
//
// Layouts are given in 96-DPI client pixels and scaled by the window's DPI. Control names
// and captions are UTF-8; account data goes in and out of controls as ANSI code page bytes.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <map>
#include <memory>
#include <set>
#include <span>
#include <utility>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

#include "base/handles_win.h"
#include "base/report.h"
#include "base/text.h"

namespace quorrel::ui {

inline constexpr COLORREF kAccent = RGB(0x62, 0x3C, 0xEA);  // ARGB 0xFF623CEA
inline constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
inline constexpr const char* kFontName = "微软雅黑";
// The class of every window of the program (controls have their own).
inline constexpr wchar_t kWindowClassName[] = L"QuorrelWindow";

// An SDK resource id (RT_RCDATA, IDC_ARROW, ...) for the W functions, with or without UNICODE.
template <typename T>
LPCWSTR WideId(T id) {
  return MAKEINTRESOURCEW(reinterpret_cast<ULONG_PTR>(id));
}

enum class ControlKind {
  Frame,       // the skinned window frame: paints the window, owns no child window
  Label,
  Edit,
  Button,
  GroupBox,
  Toolbar,     // a bar of buttons; items are the captions, "" for a blank spacer
  List,        // a report list view; columns are added by the window's code. Enter on it
               // activates the selected row (the dialog keys would press a default button)
  TabPanel,    // a container whose pages hold the controls that name it as parent; the
               // controls of a page other than the first are made when the page is first
               // selected (a window opens sooner without them), then PageMade fires
  Picture,
  Overlay,     // the blur layer, hidden until shown
  DropTarget,  // no window: registers the whole window as a file drop target
};

// Controls are known by an id: each window declares its controls once, as an enum whose
// values are the rows of its layout table in order (the window checks that they agree).
// The name is the control's layout name, for diagnostics.
inline constexpr int kNoControl = -1;
// Pages a tab panel can have.
inline constexpr int kMaxPages = 8;

// A control's place in its parent's client area, in 96-DPI pixels.
struct Box {
  int x = 0, y = 0, w = 0, h = 0;
};

// What a layout row may add to its control; a row names only what it sets:
//   ui::Label(kAboutName, "关于_软件名称", {146, 135, 127, 24}, kProgramName,
//             {.parent = kPanel, .page = 2, .style = SS_CENTER, .fontPoints = 13, .bold = true})
struct ControlOptions {
  int parent = kNoControl;  // id of the parent control; none: the window
  int page = -1;            // page of a TabPanel parent
  DWORD style = 0;          // extra window styles
  bool vertical = false;    // a bar's buttons top to bottom
  // Text size and weight of this control; 0 points: the window's font (10 points). For
  // texts whose lines must fit a given box, or a name set apart.
  int fontPoints = 0;
  bool bold = false;
  bool accent = false;      // text in the accent colour (section labels)
};

// One row of a layout table; written with the kind's function below.
struct ControlSpec {
  int id;
  const char* name;
  ControlKind kind;
  Box box;
  const char* caption = "";             // UTF-8
  std::vector<const char*> items = {};  // a bar's buttons
  ControlOptions options = {};
};

inline ControlSpec Frame(int id, const char* name, Box box) { return {id, name, ControlKind::Frame, box}; }
inline ControlSpec Label(int id, const char* name, Box box, const char* caption = "", ControlOptions options = {}) {
  return {id, name, ControlKind::Label, box, caption, {}, options};
}
inline ControlSpec Edit(int id, const char* name, Box box, ControlOptions options = {}) {
  return {id, name, ControlKind::Edit, box, "", {}, options};
}
inline ControlSpec Button(int id, const char* name, Box box, const char* caption, ControlOptions options = {}) {
  return {id, name, ControlKind::Button, box, caption, {}, options};
}
inline ControlSpec GroupBox(int id, const char* name, Box box, ControlOptions options = {}) {
  return {id, name, ControlKind::GroupBox, box, "", {}, options};
}
// items: the buttons' captions, "" for a blank spacer (an indicator with kBarIndicators).
inline ControlSpec Bar(int id, const char* name, Box box, std::vector<const char*> items, ControlOptions options = {}) {
  return {id, name, ControlKind::Toolbar, box, "", std::move(items), options};
}
inline ControlSpec List(int id, const char* name, Box box, ControlOptions options = {}) {
  return {id, name, ControlKind::List, box, "", {}, options};
}
inline ControlSpec TabPanel(int id, const char* name, Box box, ControlOptions options = {}) {
  return {id, name, ControlKind::TabPanel, box, "", {}, options};
}
inline ControlSpec Picture(int id, const char* name, Box box, ControlOptions options = {}) {
  return {id, name, ControlKind::Picture, box, "", {}, options};
}
inline ControlSpec Overlay(int id, const char* name, Box box) { return {id, name, ControlKind::Overlay, box}; }
inline ControlSpec DropTarget(int id, const char* name, Box box = {}) {
  return {id, name, ControlKind::DropTarget, box};
}

enum class Event {
  Created,       // window: after every control exists (but those of later pages)
  PageMade,      // a TabPanel: the controls of page `index` (never the first) were just made,
                 // before the page shows
  Destroying,    // window: about to be destroyed
  Clicked,       // index: toolbar button index, 0 for a push button
  RowActivated,  // index: list row (double click, or Enter on the list)
  FilesDropped,  // text: the dropped paths (ANSI), CR LF after each when there are several
  // Keys go through the program's message loops (ProcessMessage); a key sent straight to a
  // control with SendMessage is not seen. wparam: the virtual-key code, lparam: the flags.
  KeyReport,     // message: a key message (WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP)
                 // typed into this control; set handled to keep it from the control
  KeyDown,       // window: a WM_KEYDOWN in the window or any of its controls, before the
                 // control sees it (after its KeyReport); set handled to keep it from them
  MouseEnter,    // index: toolbar button under the mouse
  MouseLeave,    // index: toolbar button the mouse left
  LeftButtonDown,
  Message,       // a window message of the window itself (WM_HOTKEY, WM_TIMER, ...): message
};

class Window;

struct EventArgs {
  int control = kNoControl;  // the control that fired; kNoControl for the window's own events
  int index = 0;
  UINT message = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  std::string text;      // ANSI
  LRESULT result = 0;    // for Event::Message handlers
  bool handled = false;  // Event::Message: set to keep the default procedure out
};

using Handler = void (*)(Window& window, EventArgs& args);

// The handlers of an event run in table order until one sets handled: a Message handler
// for one message can leave it to a later one (message 0: any message). One handler may
// serve several controls: args.control tells which one fired.
struct HandlerSpec {
  int control;          // kNoControl for window events
  Event event;
  Handler handler;
  UINT message = 0;     // Event::Message only; 0 for any message
};

struct WindowSpec {
  const char* title;     // UTF-8
  int clientWidth;       // 96-DPI pixels
  int clientHeight;
  std::span<const ControlSpec> controls;
  std::span<const HandlerSpec> handlers;
  // Skinned windows draw their own frame: a caption strip above the layout (0 for a window
  // whose layout draws its own title), a close button and an accent border.
  DWORD style = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  int captionHeight = 30;
  DWORD exStyle = 0;
  // 96-DPI screen position; a default one centres the window on that axis, over the
  // owner when it is in sight, else over the work area.
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
  bool modal = false;    // disables the owner while open
};

// What a window keeps of its own (pictures, the account it shows, what its opener told it
// to do when it closes): created with the window, destroyed with it.
class WindowState {
 public:
  virtual ~WindowState() = default;
};

class Window {
 public:
  // Creates and shows the window, which takes its state. The Window object (and the state)
  // live until WM_NCDESTROY. Null when the window could not be created.
  static Window* Create(const WindowSpec& spec, HWND owner, std::unique_ptr<WindowState> state = {});
  // Runs a nested message loop until the window is gone (for modal windows).
  static void RunModal(const WindowSpec& spec, HWND owner, std::unique_ptr<WindowState> state = {});

  HWND hwnd() const { return hwnd_; }
  // The state the window was created with, in its window's own handlers. Asking for
  // another type is a programming error: it is reported and the program ends, as a failed
  // assertion would.
  template <typename T>
  T& State() const {
    T* s = StateIf<T>();
    if (!s) WrongState(typeid(T).name());
    return *s;
  }
  // The state when it is a T, else null: for a window handed in from outside.
  template <typename T>
  T* StateIf() const {
    return dynamic_cast<T*>(state_.get());
  }

  // The control's window; a control that has none (or an unknown id) is reported.
  HWND Control(int id) const;
  const ControlSpec* Spec(int id) const;
  // The id of a control window of this window, kNoControl for any other.
  int IdOf(HWND control) const;

  // Texts: SetCaption takes UTF-8, SetText/GetText ANSI bytes. SetText leaves no copy of
  // the text behind (the box may show a password).
  void SetCaption(int control, std::string_view utf8);
  void SetText(int control, std::string_view ansi);
  // A box may hold a password: its text comes as a secret.
  quorrel::SecretText GetText(int control) const;
  quorrel::SecretWide GetWideText(int control) const;
  void Show(int control, bool visible);
  void Move(int control, int x, int y, int w, int h);  // 96-DPI pixels
  // Shows one page of a TabPanel and hides the others; makes its controls first if needed.
  void SelectPage(int panel, int page);
  int CurrentPage(int panel) const;

  int Dpi() const { return dpi_; }
  int Scale(int px) const { return MulDiv(px, dpi_, 96); }
  int CaptionHeight() const { return spec_.captionHeight; }
  HFONT Font() const { return static_cast<HFONT>(font_.get()); }

  // Raises an event as if a control reported it (drop targets, custom controls).
  void Raise(int control, Event event, EventArgs& args);
  // Offers a key message of this window or of one of its controls to the KeyReport and
  // KeyDown handlers; true when one of them kept it from the control. The handlers may
  // destroy the window.
  bool TakeKey(const MSG& msg);

  static Window* FromHwnd(HWND hwnd);

 private:
  friend LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  Window(const WindowSpec& spec, std::unique_ptr<WindowState> state) : spec_(spec), state_(std::move(state)) {}
  // Makes the controls that lie on (panel, page) (through their parents), or with no panel
  // every control that lies on no later page.
  void CreateControls(int panel = kNoControl, int page = 0);
  // The panel and page a control lies on; kNoControl when on none.
  std::pair<int, int> PlaceOf(int id) const;
  HWND PageOf(int panel, int page, bool create);
  void ApplyFont();
  void ApplyFont(size_t id);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void PaintFrame(HDC dc);
  RECT CloseButtonRect() const;
  void Relayout();
  bool Dispatch(int control, Event event, EventArgs& args);
  [[noreturn]] void WrongState(const char* asked) const;

  WindowSpec spec_;
  std::unique_ptr<WindowState> state_;
  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  UniqueFont font_;
  std::vector<UniqueFont> controlFonts_;  // by id, for controls with a font of their own
  std::vector<HWND> controls_;          // by id
  std::map<HWND, int> ids_;             // control and page windows -> id
  std::map<std::pair<int, int>, HWND> pages_;  // (panel id, page) -> page window
  std::set<std::pair<int, int>> madePages_;    // later pages whose controls are made
  UniqueCom<IDropTarget> dropTarget_;   // registered on the window while it exists
  std::map<int, int> currentPage_;
};

// The message loop ends when the program's last window is gone.
int RunMessageLoop();
// One message of a loop: keys first to the window they are typed in (TakeKey), then the
// dialog keys of that window (Tab between controls), then translation and dispatch. Every
// loop of the program, the modal ones included, goes through here.
void ProcessMessage(const MSG& msg);
int LiveWindowCount();

// DPI of a window (or of the system when the window is null).
int DpiOf(HWND hwnd);

}  // namespace quorrel::ui
