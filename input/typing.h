// Typing a text into the focused program as synthetic key presses (never the clipboard).
//
// The text is walked character by character in the system's ANSI code page (GBK on the
// target systems), and the target receives exactly those characters, in order:
//   - the 94 printable ASCII characters other than the space: the key of the US English
//     layout that produces the character, with Shift where needed;
//   - the space: the space key;
//   - every other printable character (double-byte characters, full-width punctuation):
//     a Unicode character event per UTF-16 code unit (two for a surrogate pair);
//   - control characters (tab, CR, LF, the other codes below 0x20, 0x7F) and bytes that
//     form no character (a lead byte without its trail byte): nothing. Typing Enter or
//     Tab into a log-in form would submit it or leave the field half-filled.
// With Caps Lock on, the batch switches it off first and on again at its end, so that the
// letter keys give the letters asked for. A key that the caller reserves (the program's
// own hotkeys) is never pressed: a character that needs it goes as a Unicode character
// event instead, which neither fires the hotkey nor is swallowed by it.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quorrel {

inline constexpr uint8_t kShiftKey = 16;      // VK_SHIFT
inline constexpr uint8_t kCapsLockKey = 20;   // VK_CAPITAL
inline constexpr uint8_t kSpaceKey = 32;      // VK_SPACE
inline constexpr uint8_t kLeftShiftKey = 160;   // VK_LSHIFT
inline constexpr uint8_t kRightShiftKey = 161;  // VK_RSHIFT

struct CharKey {
  char ch;       // 0x21-0x7E
  uint8_t vk;    // virtual-key code of the key that produces ch
  bool shift;    // ch needs Shift held while the key is pressed
};

// Every character 0x21-0x7E exactly once.
extern const std::array<CharKey, 94> CharKeyTable;

// The entry for one byte, exact and case-sensitive; nothing for bytes outside the table.
std::optional<CharKey> FindCharKey(unsigned char ch);

// One injected event: a key (vk != 0) or a Unicode character's code unit (vk == 0).
struct KeyEvent {
  uint8_t vk;
  bool up;             // false: key down, true: key up
  char16_t unit = 0;   // the UTF-16 code unit of a character event
  bool operator==(const KeyEvent&) const = default;
};

inline constexpr KeyEvent CharEvent(char16_t unit, bool up) { return {0, up, unit}; }

// One character of the system's ANSI code page.
struct AnsiChar {
  size_t bytes = 1;          // bytes of the text it spans, at least 1
  size_t units = 0;          // its UTF-16 code units (0-2); 0: the bytes form no character
  char16_t unit[2] = {};
};

// What typing needs to know of the system besides the injection: the code page that
// decides character boundaries, and the Caps Lock state.
class TypingEnvironment {
 public:
  virtual ~TypingEnvironment();
  virtual bool CapsLockOn() = 0;
  // The character at the start of rest (never empty). Bytes that form no character span
  // one byte, so that the next byte is read afresh (a lead byte before an ASCII character
  // does not swallow it).
  virtual AnsiChar DecodeChar(std::string_view rest) = 0;
};

// Virtual-key codes the typing must not press.
using ReservedKeys = std::bitset<256>;

// The events of one chord: the given keys go down in order, then come up in the SAME
// order (not reversed), so a shifted character is Shift down, key down, Shift up, key up.
// A code of 0 means "no key" and produces no events.
std::vector<KeyEvent> KeyChordEvents(uint8_t first, uint8_t second = 0, uint8_t third = 0);

// All events that type the text (see the top of this file), in text order, as one batch;
// nothing at all for a text without anything to type. The result is allocated once at
// its final capacity, so no stray copy of it is left in freed memory.
std::vector<KeyEvent> KeyEventsForText(std::string_view text, TypingEnvironment& environment,
                                       const ReservedKeys& reserved = {});

// The platform's way of putting key events into the system input stream.
class KeyInjector {
 public:
  virtual ~KeyInjector();
  // Injects the events in order, without pauses; returns how many the system took
  // (the taken ones are a prefix of the given ones).
  virtual size_t Inject(const std::vector<KeyEvent>& events) = 0;
  // As Inject, for a batch that types into the window where the hotkey was pressed: an
  // injector bound to that window makes sure, as its very last step before the system
  // call, that the window has the keyboard still, and injects nothing (nullopt) when not.
  // Unbound, the same as Inject.
  virtual std::optional<size_t> InjectIntoTarget(const std::vector<KeyEvent>& events) { return Inject(events); }
  // Runs before the release of keys that a cut batch left down is tried again.
  virtual void PauseBeforeRetry() {}
};

// What became of a batch.
struct Injection {
  enum class Outcome : uint8_t {
    kTyped,          // every event went in (an empty batch too)
    kCut,            // the system took only the first part of it
    kTargetChanged,  // another window has the keyboard than at the press: nothing more
                     // went in (paced typing may have typed a part before)
    kStopped,        // paced typing stopped by the user (a hotkey pressed again)
  };
  Outcome outcome = Outcome::kTyped;
  // What went in before the end (a character counts once its key or its code unit went
  // down), so that the user knows what to clear.
  size_t typedChars = 0;
  // Some key the typed part pressed could not be released, even after retries.
  bool keysLeftDown = false;
};

// Tries to release what a cut batch left down this many times in all.
inline constexpr int kReleaseAttempts = 4;

// Injects a batch with a single InjectIntoTarget call, so that no key of the user lands
// between its events. When the system takes only part of them, the keys left down by that
// part are released again (otherwise Shift could stay stuck; tried again when the release
// is cut too), a Unicode character left down comes up and Caps Lock is put back as it was.
// The caller wipes the batch.
[[nodiscard]] Injection InjectBatch(KeyInjector& injector, const std::vector<KeyEvent>& events);

// Types events one at a time, each with its own InjectIntoTarget call, so that the window
// of the press is checked before every key; the caller waits kPacedEventGap (typing_plan.h)
// between the calls to Next and keeps serving its messages meanwhile. Whichever way it
// ends (typed, cut short, the target changed, stopped), no key is left down and Caps Lock
// is as it was. Owns the events and wipes them.
class PacedTyping {
 public:
  explicit PacedTyping(std::vector<KeyEvent> events) : events_(std::move(events)) {}
  PacedTyping(const PacedTyping&) = delete;
  PacedTyping& operator=(const PacedTyping&) = delete;
  ~PacedTyping();

  // Injects the next event: nothing while more are to come, the outcome after the last
  // one or where it could not go in.
  [[nodiscard]] std::optional<Injection> Next(KeyInjector& injector);
  // Ends it before the next event, as the user asked.
  [[nodiscard]] Injection Stop(KeyInjector& injector);
  [[nodiscard]] size_t remaining() const { return events_.size() - next_; }
  // Every character went in; what is left only releases keys (and puts Caps Lock back).
  [[nodiscard]] bool allCharactersIn() const;

 private:
  std::vector<KeyEvent> events_;
  size_t next_ = 0;
};

// Types the text with a single Inject call, so that no key of the user lands between its
// events. When the system takes only part of them, the keys left down by that part are
// released again (otherwise Shift could stay stuck), Caps Lock is put back as it was, and
// the result is false. The event buffer is wiped afterwards: it spells out the text. True
// when every event was taken (also for a text that yields no events, which injects
// nothing).
bool TypeText(std::string_view text, KeyInjector& injector, TypingEnvironment& environment,
              const ReservedKeys& reserved = {});

// Presses the given keys together and releases them (see KeyChordEvents); same result
// and clean-up as TypeText.
bool PressKeyChord(KeyInjector& injector, uint8_t first, uint8_t second = 0, uint8_t third = 0);

}  // namespace quorrel
