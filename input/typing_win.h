// Key events into the system input stream.
#pragma once

#include <windows.h>

#include <optional>
#include <string_view>
#include <vector>

#include "input/target_facts_win.h"
#include "input/typing.h"

namespace quorrel {

// One SendInput call per batch: the system keeps the events together, so no key the user
// presses meanwhile lands between them. Characters go as KEYEVENTF_UNICODE events; the
// extra information is 0. Inject returns the count SendInput took.
class SendInputInjector final : public KeyInjector {
 public:
  struct Options {
    // Keys carry their scan code in this layout: remote-desktop and virtual-machine
    // clients pass on the scan code, not the virtual key. Null: scan code 0, a local
    // program reads the virtual key.
    HKL scanCodeLayout = nullptr;
    // InjectIntoTarget types only while this still has the keyboard (see KeyboardOwner).
    std::optional<KeyboardOwner> boundTo;
  };
  SendInputInjector() = default;
  explicit SendInputInjector(Options options) : options_(options) {}

  size_t Inject(const std::vector<KeyEvent>& events) override;
  std::optional<size_t> InjectIntoTarget(const std::vector<KeyEvent>& events) override;
  void PauseBeforeRetry() override;

 private:
  std::optional<size_t> Send(const std::vector<KeyEvent>& events, bool checkTarget);
  Options options_;
};

// For tests: how many events each of the next SendInput calls of any SendInputInjector
// may hand over at most, in order (then all again), as a system that cuts batches short
// would take them. The program never sets it.
void SetSendInputCutsForTests(std::vector<size_t> cuts);

// The running system: the ANSI code page and the Caps Lock state of the input stream.
class SystemTypingEnvironment final : public TypingEnvironment {
 public:
  bool CapsLockOn() override;
  AnsiChar DecodeChar(std::string_view rest) override;
};

// The character at the start of rest (never empty) in the given code page: a double-byte
// code page's lead byte with its trail byte, a UTF-8 sequence, or one byte. Bytes that
// form no character span one byte and give no code unit.
AnsiChar DecodeAnsiChar(UINT codePage, std::string_view rest);

// Types into whatever program has the keyboard focus, never pressing a reserved key.
bool TypeText(std::string_view text, const ReservedKeys& reserved = {});

}  // namespace quorrel
