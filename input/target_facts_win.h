// What the typing needs to know of the program that has the keyboard focus, read at the
// hotkey press (see typing_plan.h for what is done with it), and the system's keyboard
// layouts as typing_plan.h asks for them.
//
// Reading never changes the target and never waits on it unbounded: the only message
// sent is the IME query, with a time-out, and a hung target answers it as "no IME".
#pragma once

#include <windows.h>

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "input/typing_plan.h"

namespace quorrel {

struct TargetFactsOptions {
  // The longest wait for the target's IME to answer one of its two queries; both together
  // wait at most twice this.
  std::chrono::milliseconds imeWait{50};
};

// What has the keyboard: the window in front, the focused window of its thread (the
// window in front when its thread has no focus; it may be another thread's or process's
// window), and the process of that window. All empty when no window is in front. A press
// is bound to what had the keyboard when it came: its text goes only there.
struct KeyboardOwner {
  HWND foreground = nullptr;
  HWND focus = nullptr;
  DWORD processId = 0;
  bool operator==(const KeyboardOwner&) const = default;
};

// Cheap (no message is sent, nothing waits): read at the press and again as the last step
// before its keys go.
[[nodiscard]] KeyboardOwner ReadKeyboardOwner();

// The facts of the window that has the keyboard (as ReadKeyboardOwner finds it, or as
// given); windowKnown false when there is no window in front, and the layout is then this
// thread's, the user's current one. imageName holds the file name in the ANSI code page,
// as every text of the program; a character the code page lacks comes out as '?', which no
// known client's name contains.
[[nodiscard]] TargetFacts ReadTargetFacts(const TargetFactsOptions& options = {});
[[nodiscard]] TargetFacts ReadTargetFacts(const KeyboardOwner& owner, const TargetFactsOptions& options = {});

// The parts, for the window or process given.
[[nodiscard]] std::string ProcessImageName(DWORD processId);   // "" when unreadable
[[nodiscard]] TargetIntegrity IntegrityOf(DWORD processId);    // relative to this process
// Of an open process handle: Unknown when the handle or the process's token cannot be
// read (another user's process, one that guards itself): only a level that was read can
// be higher than ours.
[[nodiscard]] TargetIntegrity IntegrityOfProcess(HANDLE process);
[[nodiscard]] uint8_t HeldModifiers();                          // kModifier* bits, now

// The keyboard layouts loaded in the session, by VkKeyScanExW. The answers for the ASCII
// characters are read once per layout and kept: planning a text asks for each character.
// A layout that is not loaded (not in GetKeyboardLayoutList) has no key for anything.
// One object per thread: the cache is not shared.
class SystemKeyboardLayout final : public KeyboardLayout {
 public:
  std::optional<LayoutKey> KeyFor(LayoutId layout, char16_t ch) override;

 private:
  struct Cached {
    LayoutId layout;
    std::array<std::optional<LayoutKey>, 128> ascii;
  };
  const Cached* AsciiOf(LayoutId layout);

  std::vector<Cached> cache_;
};

// The key for ch in the layout, asked of the system each time (no cache, no check that the
// layout is loaded): VkKeyScanExW for the key, ToUnicodeEx for whether it is dead in the
// shift state that gives ch.
[[nodiscard]] std::optional<LayoutKey> ScanLayoutKey(HKL layout, char16_t ch);

[[nodiscard]] bool LayoutLoaded(HKL layout);

}  // namespace quorrel
