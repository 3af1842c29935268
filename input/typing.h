// Typing a text into the focused program as synthetic key presses (never the clipboard).
//
// Only the 94 printable ASCII characters other than the space are typed, each as the key
// of the US English layout that produces it, with Shift where needed. Everything else
// (space, control characters, bytes >= 0x80) is skipped. The text is walked byte by byte
// without grouping double-byte characters, so a GBK trail byte in 0x40-0x7E is typed as
// that ASCII character. The active layout and the Caps Lock state are not consulted.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quorrel {

inline constexpr uint8_t kShiftKey = 16;  // VK_SHIFT

struct CharKey {
  char ch;       // 0x21-0x7E
  uint8_t vk;    // virtual-key code of the key that produces ch
  bool shift;    // ch needs Shift held while the key is pressed
};

// Every character 0x21-0x7E exactly once.
extern const std::array<CharKey, 94> CharKeyTable;

// The entry for one byte, exact and case-sensitive; nothing for bytes outside the table.
std::optional<CharKey> FindCharKey(unsigned char ch);

struct KeyEvent {
  uint8_t vk;
  bool up;  // false: key down, true: key up
  bool operator==(const KeyEvent&) const = default;
};

// The events of one chord: the given keys go down in order, then come up in the SAME
// order (not reversed), so a shifted character is Shift down, key down, Shift up, key up.
// A code of 0 means "no key" and produces no events.
std::vector<KeyEvent> KeyChordEvents(uint8_t first, uint8_t second = 0, uint8_t third = 0);

// All events that type the text: one chord per byte found in CharKeyTable, in text order,
// (vk) for an entry without Shift and (Shift, vk) for one with Shift. The result is
// allocated once at its final size, so no stray copy of it is left in freed memory.
std::vector<KeyEvent> KeyEventsForText(std::string_view text);

// The platform's way of putting key events into the system input stream.
class KeyInjector {
 public:
  virtual ~KeyInjector();
  // Injects the events in order, without pauses; returns how many the system took
  // (the taken ones are a prefix of the given ones).
  virtual size_t Inject(const std::vector<KeyEvent>& events) = 0;
};

// Types the text with a single Inject call, so that no key of the user lands between its
// events. When the system takes only part of them, the keys left down by that part are
// released again (otherwise Shift could stay stuck) and the result is false. The event
// buffer is wiped afterwards: it spells out the text. True when every event was taken
// (also for a text that yields no events, which injects nothing).
bool TypeText(std::string_view text, KeyInjector& injector);

// Presses the given keys together and releases them (see KeyChordEvents); same result
// and clean-up as TypeText.
bool PressKeyChord(KeyInjector& injector, uint8_t first, uint8_t second = 0, uint8_t third = 0);

}  // namespace quorrel
