#include "ui/toolkit/balloon_win.h"

#include <commctrl.h>

#include <map>

#include "base/encoding_win.h"
#include "base/report.h"
#include "ui/toolkit/window_win.h"

namespace quorrel::ui {
namespace {

// The balloon a thread timer hides.
std::map<UINT_PTR, Balloon*>& Timers() {
  static std::map<UINT_PTR, Balloon*> timers;
  return timers;
}

TTTOOLINFOW ToolOf(HWND owner, wchar_t* text) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
  tool.hwnd = owner;
  tool.uId = reinterpret_cast<UINT_PTR>(owner);
  tool.lpszText = text;
  return tool;
}

}  // namespace

Balloon::~Balloon() {
  Hide();
  if (tip_ && IsWindow(tip_)) DestroyWindow(tip_);
}

void Balloon::Show(HWND owner, POINT at, std::string_view titleUtf8, std::string_view textUtf8, UINT showMs) {
  if (tip_ && (owner != owner_ || !IsWindow(tip_))) {
    Hide();
    if (IsWindow(tip_)) DestroyWindow(tip_);
    tip_ = nullptr;
  }
  owner_ = owner;
  if (!tip_) {
    tip_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, TOOLTIPS_CLASSW, nullptr,
                           WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (ReportIf(!tip_)) return;
    TTTOOLINFOW tool = ToolOf(owner_, const_cast<wchar_t*>(L""));
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, MulDiv(320, DpiOf(owner), 96));  // as wide at every scale
  }
  text_.clear();
  for (wchar_t c : Utf8ToWide(textUtf8)) {
    if (c == L'\n') text_ += L'\r';  // a tooltip breaks lines at CR LF
    text_ += c;
  }
  TTTOOLINFOW tool = ToolOf(owner_, text_.data());
  SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  const std::wstring title = Utf8ToWide(titleUtf8);
  SendMessageW(tip_, TTM_SETTITLEW, TTI_WARNING, reinterpret_cast<LPARAM>(title.c_str()));
  SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
  SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
  shown_ = true;
  if (timer_) {
    KillTimer(nullptr, timer_);
    Timers().erase(timer_);
  }
  timer_ = SetTimer(nullptr, 0, showMs, HideLater);
  if (timer_) Timers()[timer_] = this;
}

void Balloon::Hide() {
  if (timer_) {
    KillTimer(nullptr, timer_);
    Timers().erase(timer_);
    timer_ = 0;
  }
  if (!shown_ || !tip_ || !IsWindow(tip_)) {
    shown_ = false;
    return;
  }
  TTTOOLINFOW tool = ToolOf(owner_, text_.data());
  SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
  shown_ = false;
}

void CALLBACK Balloon::HideLater(HWND, UINT, UINT_PTR id, DWORD) {
  auto it = Timers().find(id);
  if (it == Timers().end()) {
    KillTimer(nullptr, id);
    return;
  }
  it->second->Hide();
}

}  // namespace quorrel::ui
