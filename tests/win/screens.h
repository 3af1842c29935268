// Pictures of the program's windows to look at, taken in the test's own process at the
// prefix's DPI: the Dpi* suites run at 100 % and again, in the 144-DPI prefix, at 150 %.
// They go to screens/<percent>/<name>.png beside the test program (build/windows/...).
//
//   ProgramPictures pictures;          // the windows show Quorrel.exe's pictures
//   SaveWindowPicture(hwnd, "name");   // a window that is open
//   SaveOpenedWindow("name", "title", [&] { OpenSomeWindow(...); });  // modal or not
//   SaveOpenedWindow("name", "title", [&] { MessageBoxW(...); }, L"#32770");  // a message box
#pragma once

#include <windows.h>

#include <png.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "base/handles_win.h"
#include "base/encoding_win.h"
#include "tests/win/test_util.h"
#include "ui/toolkit/picture_win.h"
#include "ui/toolkit/window_win.h"

namespace quorrel::screens {

using namespace std::chrono_literals;

inline std::string TestProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p = path;
  return p.substr(0, p.find_last_of('\\'));
}

// Windows opened in this process show the pictures of Quorrel.exe beside the tests (opened
// as a data file) while this object lives.
class ProgramPictures {
 public:
  ProgramPictures()
      : exe_(LoadLibraryExA((TestProgramFolder() + "\\Quorrel.exe").c_str(), nullptr,
                            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)),
        previous_(exe_ ? SetPictureModule(exe_) : nullptr) {}
  ProgramPictures(const ProgramPictures&) = delete;
  ProgramPictures& operator=(const ProgramPictures&) = delete;
  ~ProgramPictures() {
    if (!exe_) return;
    SetPictureModule(previous_);
    FreeLibrary(exe_);
  }
  bool loaded() const { return exe_ != nullptr; }

 private:
  HMODULE exe_;
  HMODULE previous_;
};

// The screen's DPI as a percentage: 100, 150, ...
inline int ScalePercent() { return MulDiv(ui::DpiOf(nullptr), 100, 96); }

inline std::string Folder() {
  std::string dir = TestProgramFolder() + "\\screens";
  CreateDirectoryA(dir.c_str(), nullptr);
  dir += "\\" + std::to_string(ScalePercent());
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

// What the window shows on screen, frame included, as 32-bit BGRA rows from the top.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> bgra;
  COLORREF At(int x, int y) const {
    const uint8_t* p = &bgra[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4];
    return RGB(p[2], p[1], p[0]);
  }
};

// also: a window shown beside it (a note) that the picture takes in too.
inline Picture Capture(HWND window, HWND also = nullptr) {
  Picture picture;
  // The mouse would leave a hovered button behind.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  SetForegroundWindow(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpMessages(200ms);
  RECT r, beside;
  if (!GetWindowRect(window, &r) || r.right <= r.left || r.bottom <= r.top) return picture;
  if (also && IsWindowVisible(also) && GetWindowRect(also, &beside)) UnionRect(&r, &r, &beside);
  picture.width = r.right - r.left;
  picture.height = r.bottom - r.top;
  BITMAPINFO bi = TopDownBitmapInfo(picture.width, picture.height);
  void* bits = nullptr;
  UniqueBitmap dib(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemDc mem(CreateCompatibleDC(nullptr));
  WindowDc screen(nullptr);
  if (!dib || !bits || !mem || !screen.get()) return {};
  {
    SelectedObject selected(mem.get(), dib.get());
    if (!BitBlt(mem.get(), 0, 0, picture.width, picture.height, screen.get(), r.left, r.top, SRCCOPY)) return {};
    GdiFlush();
  }
  const auto* from = static_cast<const uint8_t*>(bits);
  picture.bgra.assign(from, from + static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * 4);
  for (size_t i = 3; i < picture.bgra.size(); i += 4) picture.bgra[i] = 0xFF;
  return picture;
}

// Saves the window (and `also` beside it) as <name>.png in Folder(); the path, or "" when
// nothing was saved.
inline std::string SaveWindowPicture(HWND window, const std::string& name, HWND also = nullptr) {
  Picture picture = Capture(window, also);
  if (picture.bgra.empty()) return {};
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = PNG_FORMAT_BGRA;
  const std::string path = Folder() + "\\" + name + ".png";
  if (!png_image_write_to_file(&image, path.c_str(), 0, picture.bgra.data(), 0, nullptr)) return {};
  return path;
}

namespace detail {
inline BOOL CALLBACK CollectVisible(HWND h, LPARAM lp) {
  if (IsWindowVisible(h)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
  return TRUE;
}

inline std::vector<HWND> VisibleThreadWindows() {
  std::vector<HWND> found;
  EnumThreadWindows(GetCurrentThreadId(), CollectVisible, reinterpret_cast<LPARAM>(&found));
  return found;
}

struct Pending {
  std::string name;
  std::wstring title;
  const wchar_t* windowClass;  // null for any
  std::set<HWND> before;
  bool saved = false;
  bool busy = false;  // the capture pumps messages: the timer comes again meanwhile
};
inline Pending* g_pending = nullptr;

// A visible window of this thread that was not there before, whose title holds the text.
inline HWND NewWindow(const Pending& p) {
  for (HWND h : VisibleThreadWindows()) {
    if (p.before.count(h)) continue;
    wchar_t title[256] = {}, cls[64] = {};
    GetClassNameW(h, cls, 64);
    if (p.windowClass && lstrcmpW(cls, p.windowClass) != 0) continue;
    GetWindowTextW(h, title, 256);
    if (std::wstring(title).find(p.title) != std::wstring::npos) return h;
  }
  return nullptr;
}

// Runs inside whatever loop is dispatching: also a modal window's own.
inline void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_pending || g_pending->saved || g_pending->busy) return;
  HWND window = NewWindow(*g_pending);
  if (!window) return;
  g_pending->busy = true;
  g_pending->saved = !SaveWindowPicture(window, g_pending->name).empty();
  g_pending->busy = false;
  PostMessageW(window, WM_CLOSE, 0, 0);
}
}  // namespace detail

// Opens a window with `open`, which may run it modally (returning once it is gone) or leave
// it open; saves it as <name>.png as soon as a new visible window of this thread whose
// title holds `titleUtf8` ("" for any), of class windowClass when one is given, is up, then
// closes it. False when no such window appeared (a window that is not built yet closes at
// once).
inline bool SaveOpenedWindow(const std::string& name, const std::string& titleUtf8, const std::function<void()>& open,
                             const wchar_t* windowClass = nullptr) {
  PumpMessages(50ms);  // a quit left by an earlier last window would end a modal loop at once
  detail::Pending pending{name, Utf8ToWide(titleUtf8), windowClass, {}, false, false};
  for (HWND h : detail::VisibleThreadWindows()) pending.before.insert(h);
  detail::g_pending = &pending;
  UINT_PTR timer = SetTimer(nullptr, 0, 100, detail::OnTimer);
  open();
  // A modeless window is still up: take it here.
  for (auto until = std::chrono::steady_clock::now() + 5s;
       !pending.saved && detail::NewWindow(pending) && std::chrono::steady_clock::now() < until;)
    PumpMessages(50ms);
  KillTimer(nullptr, timer);
  detail::g_pending = nullptr;
  if (HWND left = detail::NewWindow(pending)) DestroyWindow(left);
  PumpMessages(100ms);
  return pending.saved;
}

// Whether the font draws every character of the text (UTF-8, line breaks aside) with a
// glyph of its own, not the box of a missing one.
inline bool FontDrawsAll(HFONT font, const std::string& utf8) {
  std::wstring text;
  for (wchar_t c : Utf8ToWide(utf8))
    if (c >= L' ') text += c;  // line breaks are no glyphs
  UniqueMemDc dc(CreateCompatibleDC(nullptr));
  if (!dc || !font) return false;
  SelectedObject selected(dc.get(), font);
  std::vector<WORD> glyphs(text.size());
  if (GetGlyphIndicesW(dc.get(), text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                       GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
    return false;
  for (WORD g : glyphs)
    if (g == 0xFFFF) return false;
  return true;
}

}  // namespace quorrel::screens
