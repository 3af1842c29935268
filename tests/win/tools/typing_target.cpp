// A program to type into, in a process of its own: a top-level window "typing target" with
// one edit box that has the focus, and a low-level keyboard hook that records every key
// event of the session as the system passes it on (with its scan code and LLKHF_INJECTED;
// a Unicode character arrives as VK_PACKET). Other processes ask what arrived with the
// messages of typing_target.h. It works under any file name: the tests copy it as a
// remote-desktop client's program.
//   typing_target [seconds [unhooked | relay]]
//     seconds    ends by itself after that long (default 300), so that a test that died
//                leaves nothing running for long
//     unhooked   without the hook: under Wine, a hook in the foreground program holds up
//                each key and at times keeps a right Shift or Windows key out of the key
//                state that GetAsyncKeyState reads
//     relay      a virtual machine's console: the keys do not reach the edit box directly
//                but pass a relay (bench/relay_model.h, a queue of 16 events that the guest
//                empties one every 10 ms, timed by the events' own time stamps, so that a
//                busy machine does not change what arrives), and the edit box shows what
//                the guest typed: each key by its scan code, in the guest's Shift and
//                Caps Lock state; a Unicode character event does not pass. F1-F24 go on
//                to the system (the hotkeys of the program under test).
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/relay_model.h"
#include "tests/win/tools/typing_target.h"

using namespace quorrel::typing_target;

namespace {

constexpr size_t kMaxEvents = 1 << 16;
constexpr UINT_PTR kEndTimer = 1;

HWND g_edit = nullptr;
std::vector<uint32_t> g_events;
LRESULT g_keys = 0;
LRESULT g_packets = 0;
bool g_relayMode = false;
quorrel::relay::Relay g_relay{{}};
BYTE g_guestKeys[256] = {};  // the guest's keyboard state
std::wstring g_guestText;

// An event that passed the relay, as the guest's keyboard driver takes it.
void GuestKey(const KBDLLHOOKSTRUCT& k) {
  if (k.vkCode == VK_PACKET) return;  // only scan codes pass
  // An event without one (from a sender that gives the virtual key alone) gets the key's
  // scan code, as a browser's page would see a key code for it.
  const UINT scan = k.scanCode != 0 ? k.scanCode : MapVirtualKeyW(k.vkCode, MAPVK_VK_TO_VSC);
  const UINT vk = MapVirtualKeyW(scan, MAPVK_VSC_TO_VK_EX);
  if (vk == 0) return;
  const bool up = (k.flags & LLKHF_UP) != 0;
  g_guestKeys[vk] = up ? 0 : 0x80;
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) g_guestKeys[VK_SHIFT] = (g_guestKeys[VK_LSHIFT] | g_guestKeys[VK_RSHIFT]);
  if (vk == VK_CAPITAL && !up) g_guestKeys[VK_CAPITAL] ^= 1;
  if (up || vk == VK_SHIFT || vk == VK_LSHIFT || vk == VK_RSHIFT || vk == VK_CAPITAL) return;
  wchar_t out[4] = {};
  const int n = ToUnicodeEx(vk, scan, g_guestKeys, out, 4, 0, GetKeyboardLayout(0));
  if (n > 0) g_guestText.append(out, static_cast<size_t>(n));
  SetWindowTextW(g_edit, g_guestText.c_str());
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    if (k->vkCode == VK_PACKET)
      ++g_packets;
    else
      ++g_keys;
    if (g_events.size() < kMaxEvents)
      g_events.push_back(Packed({static_cast<uint8_t>(k->vkCode), static_cast<uint16_t>(k->scanCode),
                                 static_cast<uint8_t>(k->flags)}));
    if (g_relayMode && !(k->vkCode >= VK_F1 && k->vkCode <= VK_F24) && k->dwExtraInfo != kTestsOwnKey) {
      if (g_relay.Arrive(k->time)) GuestKey(*k);
      return 1;  // the keys go to the guest, not to this machine
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK TargetProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      g_edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10, 10, 460, 30,
                               hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
      SendMessageW(g_edit, EM_LIMITTEXT, 0, 0);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) SetFocus(g_edit);
      return 0;
    case WM_SETFOCUS:
      SetFocus(g_edit);
      return 0;
    case WM_TIMER:
      if (wParam == kEndTimer) DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case kKeyEvents:
      return g_keys;
    case kUnicodeEvents:
      return g_packets;
    case kEventAt:
      return wParam < g_events.size() ? static_cast<LRESULT>(g_events[wParam]) : 0;
    case kReset:
      g_events.clear();
      g_keys = g_packets = 0;
      g_guestText.clear();
      std::fill(std::begin(g_guestKeys), std::end(g_guestKeys), BYTE{0});
      SetWindowTextW(g_edit, L"");
      return 1;
    default:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 300;
  HINSTANCE inst = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = TargetProc;
  wc.hInstance = inst;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClass;
  if (!RegisterClassW(&wc)) return 2;
  HWND window = CreateWindowExW(0, kClass, kTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 300, 500, 100, nullptr,
                                nullptr, inst, nullptr);
  if (!window) return 2;
  const bool hooked = !(argc > 2 && std::string(argv[2]) == "unhooked");
  g_relayMode = argc > 2 && std::string(argv[2]) == "relay";
  HHOOK hook = hooked ? SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHook, inst, 0) : nullptr;
  if (hooked && !hook) return 3;
  SetTimer(window, kEndTimer, static_cast<UINT>(seconds > 0 ? seconds : 300) * 1000u, nullptr);
  SetForegroundWindow(window);
  SetFocus(g_edit);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (hook) UnhookWindowsHookEx(hook);
  return 0;
}
