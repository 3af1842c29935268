// Drives the program's windows in the test's own process: messages go through the same
// step as in the program's loops, so keys reach the windows' key handlers first.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/encoding_win.h"
#include "ui/toolkit/window_win.h"

namespace quorrel {

// Processes every message queued for this thread.
inline void PumpWindowMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ui::ProcessMessage(msg);
}

// A key pressed and released while `focus` has the focus, as the keyboard would queue it.
inline void PostKey(HWND focus, WPARAM vk, UINT down = WM_KEYDOWN, LPARAM flags = 0) {
  PostMessageW(focus, down, vk, 1 | flags);
  PostMessageW(focus, down == WM_SYSKEYDOWN ? WM_SYSKEYUP : WM_KEYUP, vk, 1 | flags | (3 << 30));
  PumpWindowMessages();
}

namespace detail {
struct ChildSearch {
  std::wstring text;  // by text, or
  const wchar_t* cls = nullptr;  // by class
  std::vector<HWND> found;
};
inline BOOL CALLBACK CollectChild(HWND h, LPARAM lp) {
  auto* s = reinterpret_cast<ChildSearch*>(lp);
  wchar_t buf[64] = {};
  if (s->cls) {
    GetClassNameW(h, buf, 64);
    if (lstrcmpiW(buf, s->cls) == 0) s->found.push_back(h);
    return TRUE;
  }
  GetWindowTextW(h, buf, 64);
  if (s->text == buf) s->found.push_back(h);
  return s->found.empty();
}
struct ModalScript {
  const std::function<void(HWND)>* script = nullptr;
  std::wstring title;
};
inline ModalScript g_modal;
inline void CALLBACK RunModalScript(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  HWND window = FindWindowW(L"QuorrelWindow", g_modal.title.c_str());
  if (!window) PostQuitMessage(0);  // ends the modal loop; the test's checks then fail
  if (window) (*g_modal.script)(window);
  if (window && IsWindow(window)) DestroyWindow(window);
}
}  // namespace detail

// A child control by its text (UTF-8), depth first.
inline HWND ChildWithText(HWND parent, const std::string& utf8) {
  detail::ChildSearch search{Utf8ToWide(utf8)};
  EnumChildWindows(parent, detail::CollectChild, reinterpret_cast<LPARAM>(&search));
  return search.found.empty() ? nullptr : search.found[0];
}

inline std::vector<HWND> ChildrenOfClass(HWND parent, const wchar_t* cls) {
  detail::ChildSearch search{{}, cls};
  EnumChildWindows(parent, detail::CollectChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline std::string TextOf(HWND control) {
  wchar_t buf[256] = {};
  GetWindowTextW(control, buf, 256);
  return WideToUtf8(buf);
}

// Runs `script` inside a modal window's loop once the window (found by its title) is up:
// `open` blocks until the window is gone. A window the script leaves open is closed after
// it, so a failing script never hangs the test.
inline void WhileModal(const std::function<void()>& open, const std::wstring& title,
                       const std::function<void(HWND)>& script) {
  detail::g_modal = {&script, title};
  SetTimer(nullptr, 0, 1, detail::RunModalScript);
  open();
  // The program's last window posts the quit message; the test goes on.
  MSG quit;
  while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

}  // namespace quorrel
