#include "input/hotkeys_win.h"

#include <algorithm>

#include "base/report.h"
#include "base/text.h"

namespace quorrel {
namespace {

// Polls the keys of the presses that counted until each is seen released.
constexpr UINT_PTR kReleaseTimerId = 0x51E7;
constexpr UINT kReleasePollMs = 10;

// A press that counted and whose key has not been seen released since (or has been, and
// the message saying so is still queued).
struct HeldHotkey {
  int id;
  UINT key;
  bool releaseSeen;
};

struct HotkeyRegistry {
  std::vector<HotkeyRecord> records;
  std::vector<HeldHotkey> held;
};

HotkeyRegistry& Registry() {
  static HotkeyRegistry registry;
  return registry;
}

UINT ReleasedMessage() {
  static const UINT message = RegisterWindowMessageA("Quorrel.HotkeyReleased");
  return message;
}

void PollReleases(HWND window) {
  bool waiting = false;
  for (HeldHotkey& h : Registry().held) {
    if (h.releaseSeen) continue;
    if (GetAsyncKeyState(static_cast<int>(h.key)) & 0x8000) {
      waiting = true;
      continue;
    }
    h.releaseSeen = true;
    // Posted, not acted on here: a repeat the key sent before it came up may already be
    // queued, and it must still find the press held. Posted messages keep their order.
    PostMessageA(window, ReleasedMessage(), static_cast<WPARAM>(h.id), 0);
  }
  if (!waiting) KillTimer(window, kReleaseTimerId);
}

}  // namespace

const std::vector<HotkeyRecord>& HotkeyRecords() { return Registry().records; }

ReservedKeys HotkeyKeys() {
  ReservedKeys keys;
  for (const HotkeyRecord& r : Registry().records)
    if (r.key < keys.size()) keys.set(r.key);
  return keys;
}

bool RegisterAppHotkey(HWND window, UINT modifiers, UINT key, WNDPROC handler, int id) {
  HotkeyRegistry& reg = Registry();
  for (const HotkeyRecord& r : reg.records)
    if (r.id == id) UnregisterHotKey(r.window, r.id);
  if (ReportIf(id == 0)) return false;
  bool registered = RegisterHotKey(window, id, modifiers | MOD_NOREPEAT, key) != FALSE;
  if (!registered && GetLastError() != ERROR_HOTKEY_ALREADY_REGISTERED)
    registered = RegisterHotKey(window, id, modifiers, key) != FALSE;  // a system without the flag
  if (ReportIf(!registered)) return false;
  reg.records.push_back({window, id, handler, key});
  return true;
}

void UnregisterAllHotkeys(HWND window) {
  HotkeyRegistry& reg = Registry();
  for (const HotkeyRecord& r : reg.records) UnregisterHotKey(r.window, r.id);
  if (!reg.records.empty()) KillTimer(window, kReleaseTimerId);
  reg.records.clear();
  reg.held.clear();
}

bool HotkeyMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  HotkeyRegistry& reg = Registry();
  *result = 0;
  if (message == WM_HOTKEY) {
    const int id = static_cast<int>(wparam);
    auto record = std::find_if(reg.records.begin(), reg.records.end(), [&](const HotkeyRecord& r) { return r.id == id; });
    if (record == reg.records.end()) return true;  // an id nobody recorded: nothing to type
    // A repeat of a held key, or a press before the key came up again: not a new press.
    if (std::any_of(reg.held.begin(), reg.held.end(), [&](const HeldHotkey& h) { return h.id == id; })) return true;
    const UINT key = HIWORD(lparam) != 0 ? HIWORD(lparam) : record->key;
    reg.held.push_back({id, key, false});
    if (ReportIf(!SetTimer(window, kReleaseTimerId, kReleasePollMs, nullptr))) reg.held.pop_back();
    const WNDPROC handler = record->handler;
    *result = CallWindowProcA(handler, window, message, wparam, lparam);
    return true;
  }
  if (message == WM_TIMER && wparam == kReleaseTimerId) {
    PollReleases(window);
    return true;
  }
  if (message == ReleasedMessage()) {
    std::erase_if(reg.held, [&](const HeldHotkey& h) { return h.id == static_cast<int>(wparam); });
    return true;
  }
  return false;
}

}  // namespace quorrel
