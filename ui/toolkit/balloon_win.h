// A short note beside a window that does not take the focus: a balloon tooltip that the
// window owns, for telling the user something while they work in another program.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "base/handles_win.h"

namespace quorrel::ui {

class Balloon {
 public:
  Balloon() = default;
  Balloon(const Balloon&) = delete;
  Balloon& operator=(const Balloon&) = delete;
  ~Balloon();

  // Shows title and text (UTF-8, lines split by "\n") with the balloon's point at `at`
  // (screen coordinates), over every window, without activating anything. A note already
  // shown is replaced. It goes by itself after the given time (or with Hide).
  void Show(HWND owner, POINT at, std::string_view titleUtf8, std::string_view textUtf8, UINT showMs = 10000);
  void Hide();
  bool Shown() const { return shown_; }
  // The note's tooltip window (for tests); null before the first note.
  HWND Window() const { return tip_; }

 private:
  static void CALLBACK HideLater(HWND, UINT, UINT_PTR, DWORD);
  HWND owner_ = nullptr;
  HWND tip_ = nullptr;  // destroyed with its owner, or by this object
  UINT_PTR timer_ = 0;
  std::wstring text_;
  bool shown_ = false;
};

}  // namespace quorrel::ui
