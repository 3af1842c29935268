#include "input/hotkeys_win.h"

#include "base/text.h"
#include "input/input_window_win.h"
#include "input/typing_win.h"

namespace quorrel {
namespace {

struct HotkeyRegistry {
  std::vector<HotkeyRecord> records;
  WNDPROC previous = nullptr;
};

HotkeyRegistry& Registry() {
  static HotkeyRegistry registry;
  return registry;
}

}  // namespace

const std::vector<HotkeyRecord>& HotkeyRecords() { return Registry().records; }

bool RegisterAppHotkey(HWND window, UINT modifiers, UINT key, WNDPROC handler, int id) {
  HotkeyRegistry& reg = Registry();
  for (const HotkeyRecord& r : reg.records)
    if (r.id == id) UnregisterHotKey(r.window, r.id);
  if (id == 0) return false;
  if (!RegisterHotKey(window, id, modifiers, key)) return false;
  reg.records.push_back({window, id, handler});
  if (reg.records.size() == 1) {
    reg.previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HotkeyWindowProc)));
  }
  return true;
}

void UnregisterAllHotkeys(HWND window) {
  HotkeyRegistry& reg = Registry();
  for (const HotkeyRecord& r : reg.records) UnregisterHotKey(r.window, r.id);
  if (!reg.records.empty() && reg.previous) {
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(reg.previous));
  }
  reg.records.clear();
  reg.previous = nullptr;
}

LRESULT CALLBACK HotkeyWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  HotkeyRegistry& reg = Registry();
  if (message == WM_HOTKEY) {
    for (const HotkeyRecord& r : reg.records)
      if (r.id == static_cast<int>(wparam)) return CallWindowProcA(r.handler, window, message, wparam, lparam);
    return 0;  // an id nobody recorded: nothing to type
  }
  if (!reg.previous) return DefWindowProcA(window, message, wparam, lparam);
  return CallWindowProcA(reg.previous, window, message, wparam, lparam);
}

LRESULT CALLBACK OnInputHotkey(HWND window, UINT, WPARAM wparam, LPARAM) {
  if (wparam != kAccountHotkeyId && wparam != kPasswordHotkeyId) return 0;
  std::string text = InputBoxText(window, wparam == kAccountHotkeyId ? InputBox::Account : InputBox::Password);
  TypeText(text);
  SecureWipe(text);
  return 0;
}

}  // namespace quorrel
