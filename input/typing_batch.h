// The one walk over a text that turns it into a batch of key events, shared by the typing
// with the fixed US table (typing.h) and the typing planned for a target (typing_plan.h).
// Internal to the input floor: the callers differ only in where a character's key comes
// from and in the rules below.
#pragma once

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "input/typing.h"

namespace quorrel::typing_batch {

// A key that gives the character with at most Shift held.
struct PlainKey {
  uint8_t vk;
  bool shift;
};

struct Rules {
  // The target would turn key presses into something else (an IME composing): every
  // character goes as a Unicode event, and Caps Lock is neither read nor pressed.
  bool unicodeOnly = false;
  // The target passes on key presses only (a remote or virtual-machine client): a
  // character that keys cannot type stops the whole batch.
  bool keysOnly = false;
  // Events go one at a time (paced): Shift comes up after its key, so that a relay that
  // applies each event on its own never sees the key without Shift.
  bool shiftAround = false;
};

// One key pressed and released.
inline void AppendKey(std::vector<KeyEvent>& out, uint8_t vk) {
  out.push_back({vk, false});
  out.push_back({vk, true});
}

// A shifted key, released in press order: Shift down, key down, Shift up, key up.
inline void AppendShifted(std::vector<KeyEvent>& out, uint8_t vk) {
  out.push_back({kShiftKey, false});
  out.push_back({vk, false});
  out.push_back({kShiftKey, true});
  out.push_back({vk, true});
}

// A shifted key inside Shift: Shift down, key down, key up, Shift up.
inline void AppendShiftedAround(std::vector<KeyEvent>& out, uint8_t vk) {
  out.push_back({kShiftKey, false});
  out.push_back({vk, false});
  out.push_back({vk, true});
  out.push_back({kShiftKey, true});
}

inline void AppendUnit(std::vector<KeyEvent>& out, char16_t unit) {
  out.push_back(CharEvent(unit, false));
  out.push_back(CharEvent(unit, true));
}

inline bool IsControl(char16_t unit) { return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F); }

inline bool IsAsciiLetter(unsigned char ch) { return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z'); }

// The first character that keys cannot type, under keysOnly.
struct Refusal {
  size_t position = 0;    // 1-based, in characters (not bytes); 0: nothing refused
  uint8_t hotkeyKey = 0;  // the character has a key, but the program's own hotkey holds it
                          // (or, for letters, holds Caps Lock while it is on); 0: it has none
};

// Appends the events that type text to the empty `events` (see typing.h for what is typed
// and how Caps Lock and the reserved keys are dealt with). keyOf(char16_t) gives the
// plain key of a printable character other than the space, or nothing when the character
// is to go as a Unicode event. Under keysOnly, a character that keys cannot type stops the
// walk: `events` is then wiped and left empty, and the refusal says where and why.
template <typename KeyOf>
[[nodiscard]] Refusal AppendTextEvents(std::vector<KeyEvent>& events, std::string_view text,
                                       TypingEnvironment& environment, const ReservedKeys& reserved, Rules rules,
                                       KeyOf&& keyOf) {
  if (text.empty()) return {};
  // Every byte gives at most four events (a shifted chord), plus two Caps Lock pairs: the
  // one allocation, so no stray copy of the keys is left in freed memory.
  events.reserve(4 * text.size() + 4);

  // Caps Lock turns the letter keys over; it is switched off for the batch and on again at
  // its end. Where Caps Lock is itself a hotkey it cannot be pressed: the letters then go
  // as characters, which Caps Lock does not touch.
  const bool capsOn = !rules.unicodeOnly && environment.CapsLockOn();
  const bool toggleCaps = capsOn && !reserved[kCapsLockKey];
  const bool capsStuck = capsOn && !toggleCaps;
  uint8_t shiftReserved = 0;
  for (uint8_t shift : {kShiftKey, kLeftShiftKey, kRightShiftKey})
    if (reserved[shift]) shiftReserved = shift;
  if (toggleCaps) AppendKey(events, kCapsLockKey);
  const size_t before = events.size();

  // Keys where they may be pressed, the character's code units otherwise; false when
  // neither is allowed. blockedBy: a reserved key that the character's key needs.
  uint8_t blockedBy = 0;
  auto type = [&](const std::optional<PlainKey>& key, const char16_t* units, size_t count) {
    if (key) {
      if (reserved[key->vk])
        blockedBy = key->vk;
      else if (key->shift && shiftReserved != 0)
        blockedBy = shiftReserved;
      else {
        if (key->shift && rules.shiftAround)
          AppendShiftedAround(events, key->vk);
        else if (key->shift)
          AppendShifted(events, key->vk);
        else
          AppendKey(events, key->vk);
        return true;
      }
    }
    if (rules.keysOnly) return false;
    for (size_t u = 0; u < count; ++u) AppendUnit(events, units[u]);
    return true;
  };
  auto refuse = [&](size_t position) {
    SecureWipe(events.data(), events.size() * sizeof(KeyEvent));
    events.clear();
    return Refusal{position, blockedBy};
  };
  // With Caps Lock stuck on, no letter key gives the letter asked for: whether it turns a
  // character beyond ASCII over is the layout's business, so no key of one is trusted.
  auto dropIfCapsStuck = [&](std::optional<PlainKey>& key) {
    if (capsStuck && key) {
      blockedBy = kCapsLockKey;
      key.reset();
    }
  };

  size_t position = 0;
  for (size_t i = 0; i < text.size();) {
    ++position;
    blockedBy = 0;
    const unsigned char b = static_cast<unsigned char>(text[i]);
    // Bytes below 0x80 are single characters in every ANSI code page.
    if (b < 0x80) {
      ++i;
      if (b < 0x20 || b == 0x7F) continue;  // control characters are not typed
      std::optional<PlainKey> key;
      if (rules.unicodeOnly)
        key.reset();
      else if (b == ' ')
        key = PlainKey{kSpaceKey, false};
      else
        key = keyOf(static_cast<char16_t>(b));
      if (IsAsciiLetter(b)) dropIfCapsStuck(key);
      const char16_t unit = b;
      if (!type(key, &unit, 1)) return refuse(position);
      continue;
    }
    AnsiChar c = environment.DecodeChar(text.substr(i));
    i += std::clamp<size_t>(c.bytes, 1, text.size() - i);
    const size_t units = std::min<size_t>(c.units, 2);
    bool typed = true;
    if (units == 2 || (units == 1 && !IsControl(c.unit[0]))) {
      std::optional<PlainKey> key;
      if (units == 1 && !rules.unicodeOnly) {
        key = keyOf(c.unit[0]);
        dropIfCapsStuck(key);
      }
      typed = type(key, c.unit, units);
    }
    SecureWipe(&c, sizeof c);
    if (!typed) return refuse(position);
  }

  if (events.size() == before) {
    events.clear();  // nothing to type: not even Caps Lock is touched
  } else if (toggleCaps) {
    AppendKey(events, kCapsLockKey);
  }
  return {};
}

}  // namespace quorrel::typing_batch
