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

// The facts of the focused window of the foreground thread (the foreground window itself
// when its thread has no focus); windowKnown false when there is no foreground window.
// imageName holds the file name in the ANSI code page, as every text of the program; a
// character the code page lacks comes out as '?', which no known client's name contains.
[[nodiscard]] TargetFacts ReadTargetFacts(const TargetFactsOptions& options = {});

// The parts, for the window or process given.
[[nodiscard]] std::string ProcessImageName(DWORD processId);   // "" when unreadable
[[nodiscard]] TargetIntegrity IntegrityOf(DWORD processId);    // relative to this process
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
// layout is loaded).
[[nodiscard]] std::optional<LayoutKey> ScanLayoutKey(HKL layout, char16_t ch);

[[nodiscard]] bool LayoutLoaded(HKL layout);

}  // namespace quorrel
