// Typing planned for the program that has the keyboard focus: decided once per hotkey
// press from what the target is, so that each character goes where it arrives as typed.
//
//   target                                         what is typed
//   no window has the keyboard                     nothing (the keys would go to whatever
//                                                  comes to the front meanwhile)
//   a window of this program                       nothing (its own boxes are no target: a
//                                                  password would land in the 账号 box)
//   higher integrity than ours                     nothing (the system would drop the events)
//   Shift, Ctrl, Alt or Win held                   nothing yet: wait for their release
//   a remote-desktop or virtual-machine client     keys only, paced (see Pace); if one
//                                                  character cannot be typed by keys,
//                                                  nothing at all
//   a console window                               keys only; likewise nothing at all where
//                                                  one character cannot be typed by keys
//   an IME composing (native or full-shape mode)   every character as a Unicode event
//   anything else                                  keys of the target's layout, Unicode
//                                                  events where that needs AltGr or a dead
//                                                  key or has no key
// On the US layout (and the Chinese ones, whose keys are the US keys) "anything else"
// gives exactly the events of KeyEventsForText (typing.h): Caps Lock and reserved keys
// are dealt with the same way there and here.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/typing.h"

namespace quorrel {

// The target's keyboard layout as the platform names it (an HKL); opaque here.
using LayoutId = uintptr_t;

// How the target's integrity level compares with ours.
enum class TargetIntegrity : uint8_t { Unknown, SameOrLower, Higher };

// Modifier keys held down, as bits.
inline constexpr uint8_t kModifierShift = 0x1;
inline constexpr uint8_t kModifierCtrl = 0x2;
inline constexpr uint8_t kModifierAlt = 0x4;
inline constexpr uint8_t kModifierWin = 0x8;

// IME conversion mode bits (IME_CMODE_NATIVE, IME_CMODE_FULLSHAPE).
inline constexpr uint32_t kImeNative = 0x1;
inline constexpr uint32_t kImeFullShape = 0x8;

// What the platform side reads about the target at the hotkey press.
struct TargetFacts {
  bool windowKnown = false;      // false: the focused window could not be found; the
                                 // fields below but modifiers then say nothing
  std::string imageName;         // the target process's file name, e.g. "mstsc.exe"
  bool imeOpen = false;          // an IME is open on the focused window (no IME: false)
  uint32_t imeConversion = 0;    // its conversion mode bits
  TargetIntegrity integrity = TargetIntegrity::Unknown;
  LayoutId layout = 0;           // the keyboard layout of the target's thread
  uint8_t modifiers = 0;         // kModifier* bits of the keys held now
  bool ownProcess = false;       // the window is one of this program's own
  bool console = false;          // a console window (cmd, PowerShell, ssh, runas)
};

// The IME's answers to its two questions, as the platform got them (nothing: no answer in
// time). Closed, or no answer, is typed as without an IME; open with its mode unknown is
// taken as composing, since Unicode events land right in every mode while keys would go
// into a composition.
struct ImeAnswers {
  std::optional<uint32_t> open;
  std::optional<uint32_t> conversion;
};
void TakeImeAnswers(const ImeAnswers& answers, TargetFacts& facts);

// The key that gives a character in a layout, as VkKeyScanExW reports it.
inline constexpr uint8_t kLayoutShift = 0x1;
inline constexpr uint8_t kLayoutCtrl = 0x2;
inline constexpr uint8_t kLayoutAlt = 0x4;  // Ctrl+Alt together: AltGr

struct LayoutKey {
  uint8_t vk = 0;
  uint8_t shiftState = 0;  // kLayout* bits (the high byte of VkKeyScanExW's result)
  bool dead = false;       // dead in that shift state: it gives its character only with
                           // the next key
  bool operator==(const LayoutKey&) const = default;
};

// VkKeyScanExW's result (low byte: the key, high byte: the shift state; -1 in both
// bytes: no key) with the dead-key flag found separately.
[[nodiscard]] std::optional<LayoutKey> LayoutKeyFromScan(int16_t scan, bool dead);

// What the platform answers about one keyboard layout.
class LayoutAnswers {
 public:
  virtual ~LayoutAnswers();
  // The key and shift state that give ch, as VkKeyScanExW reports them.
  virtual int16_t ScanChar(char16_t ch) = 0;
  // What pressing vk with the kLayout* shift state gives, as ToUnicodeEx counts it: the
  // characters it gives, 0 for none, negative for a dead key.
  virtual int Translate(uint8_t vk, uint8_t shiftState) = 0;
};

// The key that gives ch, dead or not in the very shift state that gives ch: a key may be
// dead with Shift only (US International's ^ on the 6).
[[nodiscard]] std::optional<LayoutKey> FindLayoutKey(char16_t ch, LayoutAnswers& answers);

// The platform's keyboard layouts (VkKeyScanExW with the layout's HKL).
class KeyboardLayout {
 public:
  virtual ~KeyboardLayout();
  // The key that types ch in the given layout; nothing when no key does.
  virtual std::optional<LayoutKey> KeyFor(LayoutId layout, char16_t ch) = 0;
};

// The known remote-desktop and virtual-machine clients: they pass on key presses (as
// scan codes) and may lose or mistranslate Unicode events. Matched on the program's file
// name as people come to have it (see RemoteClientName): a path is cut to its last part.
[[nodiscard]] bool IsRemoteClient(std::string_view imageName);

// The console window classes: the console host's own, Windows Terminal's and Wine's. A
// console reads key events; a Unicode character event may be dropped there without a trace.
[[nodiscard]] bool IsConsoleWindowClass(std::string_view className);

// The name a program's file name is matched by: lower-case ASCII, without ".exe", without
// what a browser adds to a second download (" (1)"), and without a trailing build mark
// ("64", "_x64", "-x86", version digits and their dots): "AnyDesk (1).exe" -> "anydesk",
// "vncviewer64.exe" -> "vncviewer", "wfica32.exe" -> "wfica"; "" for a name without ".exe".
[[nodiscard]] std::string RemoteClientName(std::string_view imageName);

enum class PlanStatus : uint8_t {
  Ready,             // events() is the batch (empty: nothing to type)
  NoWindow,          // no window has the keyboard: nothing is typed
  OwnWindow,         // a window of this program has the keyboard: nothing is typed
  TargetElevated,    // the target runs with higher integrity than ours: nothing is typed
  WaitForModifiers,  // modifiers are held: wait for their release and plan again
  RemoteCannotType,  // keys only (target() says which kind), and refusedAt() cannot be
                     // typed by keys
  ConsoleImeOn,      // a console whose input method composes: keys would go into the
                     // composition and Unicode events are dropped, so nothing is typed
};

// What kind of window the keys go to.
enum class TargetKind : uint8_t {
  Local,    // a program on this machine that takes keys and Unicode events
  Relay,    // a remote-desktop or virtual-machine client: passes key presses on
  Console,  // a console window: reads key events, may drop Unicode events
};

// The pace of typing one event at a time, for targets that pass keys on through a short
// queue (a virtual machine's emulated keyboard, a remote-control relay) and lose what
// overflows it, and for any window where the user asks for it. Measured against a model
// of such a relay (a queue of 16 events that gives the guest one event every 10 ms, the
// report interval of an emulated USB keyboard): a gap of 12 ms loses nothing and a 40-
// character password takes about 1.3 s (typing_pace_bench). Every event gets its own
// step, so a modifier goes down a step before its key and comes up a step after it.
inline constexpr std::chrono::milliseconds kPacedEventGap{12};

// What the press asks for beyond the target's own needs.
struct PlanOptions {
  bool paced = false;  // the user's slow typing (the hotkey with Shift): one event a step
};

class TypingPlan;

// Decides how the text goes into the target (see the top of this file). Characters are
// those of the system's ANSI code page, as for KeyEventsForText; control characters are
// never typed, reserved keys never pressed.
[[nodiscard]] TypingPlan PlanTyping(std::string_view text, const TargetFacts& facts, TypingEnvironment& environment,
                                    KeyboardLayout& layout, const ReservedKeys& reserved = {},
                                    PlanOptions options = {});

// The outcome of PlanTyping. It spells out the text's keys: it cannot be copied, and
// wipes its events when it goes away.
class TypingPlan {
 public:
  TypingPlan() = default;
  TypingPlan(const TypingPlan&) = delete;
  TypingPlan& operator=(const TypingPlan&) = delete;
  TypingPlan(TypingPlan&& other) noexcept;
  TypingPlan& operator=(TypingPlan&& other) noexcept;
  ~TypingPlan();

  [[nodiscard]] PlanStatus status() const { return status_; }
  [[nodiscard]] const std::vector<KeyEvent>& events() const { return events_; }
  // RemoteCannotType: the 1-based position, in characters (a double-byte character
  // counts one), of the first character that keys cannot type; 0 otherwise.
  [[nodiscard]] size_t refusedAt() const { return refusedAt_; }
  // RemoteCannotType: the key of one of the program's own hotkeys that the character
  // needs (its own key, Shift, or Caps Lock while on); 0 when the target's layout has no
  // key for it that goes without AltGr or a dead key.
  [[nodiscard]] uint8_t refusedForHotkey() const { return refusedKey_; }
  // The target is a remote client: it reads the keys' scan codes, so the injection must
  // carry them (mapped with the target's layout).
  [[nodiscard]] bool remoteClient() const { return target_ == TargetKind::Relay; }
  [[nodiscard]] TargetKind target() const { return target_; }
  // The events go one at a time, kPacedEventGap apart, not as one batch.
  [[nodiscard]] bool paced() const { return paced_; }

 private:
  friend TypingPlan PlanTyping(std::string_view, const TargetFacts&, TypingEnvironment&, KeyboardLayout&,
                               const ReservedKeys&, PlanOptions);
  void Wipe() noexcept;

  PlanStatus status_ = PlanStatus::Ready;
  size_t refusedAt_ = 0;
  uint8_t refusedKey_ = 0;
  TargetKind target_ = TargetKind::Local;
  bool paced_ = false;
  std::vector<KeyEvent> events_;
};

// The bounded wait for held modifiers, driven by the caller's clock (any steady
// milliseconds count, e.g. GetTickCount64) so that the caller keeps serving its messages:
// it polls from a timer with the modifiers it reads, and plans again once they are up.
class ModifierWait {
 public:
  static constexpr std::chrono::milliseconds kLimit{1000};
  static constexpr std::chrono::milliseconds kPollInterval{20};

  enum class Step : uint8_t {
    Released,  // no modifier down: plan again and type
    Waiting,   // still held, time is left: poll again
    GaveUp,    // still held at the limit: tell the user, type nothing
  };

  explicit ModifierWait(std::chrono::milliseconds start, std::chrono::milliseconds limit = kLimit)
      : deadline_(start + limit) {}
  [[nodiscard]] Step Poll(uint8_t modifiers, std::chrono::milliseconds now) const;

 private:
  std::chrono::milliseconds deadline_;
};

}  // namespace quorrel
