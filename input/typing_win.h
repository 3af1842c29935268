// Key events into the system input stream.
#pragma once

#include <windows.h>

#include <string_view>

#include "input/typing.h"

namespace quorrel {

// One SendInput call per batch: the system keeps the events together, so no key the user
// presses meanwhile lands between them. Characters go as KEYEVENTF_UNICODE events; the
// extra information is 0. Inject returns the count SendInput took.
class SendInputInjector final : public KeyInjector {
 public:
  // Keys go with scan code 0: a local program reads the virtual key.
  SendInputInjector() = default;
  // Keys carry their scan code in the given layout: remote-desktop and virtual-machine
  // clients pass on the scan code, not the virtual key.
  explicit SendInputInjector(HKL scanCodeLayout) : scanCodes_(true), layout_(scanCodeLayout) {}

  size_t Inject(const std::vector<KeyEvent>& events) override;

 private:
  bool scanCodes_ = false;
  HKL layout_ = nullptr;
};

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
