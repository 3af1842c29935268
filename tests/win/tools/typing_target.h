// The typing target's questions (tests/win/tools/typing_target.cpp): messages sent to its
// top-level window from another process, answered in the result. Its edit box is read
// with WM_GETTEXT.
#pragma once

#include <windows.h>

#include <cstdint>

namespace quorrel::typing_target {

inline constexpr wchar_t kTitle[] = L"typing target";
inline constexpr wchar_t kClass[] = L"QuorrelTypingTarget";

inline constexpr UINT kKeyEvents = WM_APP + 1;      // -> key events seen (VK_PACKET ones not counted)
inline constexpr UINT kUnicodeEvents = WM_APP + 2;  // -> VK_PACKET events seen (Unicode characters)
inline constexpr UINT kEventAt = WM_APP + 3;        // wParam i -> the i-th event seen, Packed; 0 beyond
inline constexpr UINT kReset = WM_APP + 4;          // forgets the events seen and empties the box -> 1

// The extra information of a test's own key events: in relay mode they go on to the system
// (a hotkey with Shift) instead of to the guest.
inline constexpr ULONG_PTR kTestsOwnKey = 0x51A7;

// One event as the low-level keyboard hook saw it.
struct SeenEvent {
  uint8_t vk = 0;       // VK_PACKET for a Unicode character
  uint16_t scan = 0;    // the scan code, or the character's code unit for VK_PACKET
  uint8_t flags = 0;    // LLKHF_* (LLKHF_UP, LLKHF_INJECTED)
  bool operator==(const SeenEvent&) const = default;
};

inline uint32_t Packed(const SeenEvent& e) {
  return e.vk | static_cast<uint32_t>(e.scan) << 8 | static_cast<uint32_t>(e.flags) << 24;
}
inline SeenEvent Unpacked(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint16_t>(v >> 8), static_cast<uint8_t>(v >> 24)};
}

}  // namespace quorrel::typing_target
