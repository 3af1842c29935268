#include "input/typing_win.h"

#include <algorithm>
#include <vector>

#include "base/text.h"

namespace quorrel {
namespace {

// Length of the UTF-8 sequence that starts with b; 0 for a byte that starts none.
size_t Utf8SequenceLength(unsigned char b) {
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) return 2;
  if (b >= 0xE0 && b <= 0xEF) return 3;
  if (b >= 0xF0 && b <= 0xF4) return 4;
  return 0;
}

std::vector<size_t>& TestCuts() {
  static std::vector<size_t> cuts;
  return cuts;
}

}  // namespace

void SetSendInputCutsForTests(std::vector<size_t> cuts) { TestCuts() = std::move(cuts); }

size_t SendInputInjector::Inject(const std::vector<KeyEvent>& events) { return Send(events, false).value_or(0); }

std::optional<size_t> SendInputInjector::InjectIntoTarget(const std::vector<KeyEvent>& events) {
  return Send(events, options_.boundTo.has_value());
}

void SendInputInjector::PauseBeforeRetry() { Sleep(10); }

std::optional<size_t> SendInputInjector::Send(const std::vector<KeyEvent>& events, bool checkTarget) {
  if (events.empty()) return 0;
  std::vector<INPUT> inputs(events.size());
  const bool scanCodes = options_.scanCodeLayout != nullptr;
  for (size_t i = 0; i < events.size(); ++i) {
    KEYBDINPUT& ki = inputs[i].ki;
    inputs[i].type = INPUT_KEYBOARD;
    const DWORD up = events[i].up ? KEYEVENTF_KEYUP : 0;
    if (events[i].vk != 0) {
      ki.wVk = events[i].vk;
      ki.wScan = scanCodes ? static_cast<WORD>(MapVirtualKeyExW(events[i].vk, MAPVK_VK_TO_VSC, options_.scanCodeLayout))
                           : 0;
      ki.dwFlags = up;
    } else {
      ki.wVk = 0;
      ki.wScan = events[i].unit;
      ki.dwFlags = KEYEVENTF_UNICODE | up;
    }
    ki.time = 0;
    ki.dwExtraInfo = 0;
  }
  UINT count = static_cast<UINT>(inputs.size());
  if (std::vector<size_t>& cuts = TestCuts(); !cuts.empty()) {
    count = static_cast<UINT>(std::min<size_t>(count, cuts.front()));
    cuts.erase(cuts.begin());
  }
  // The last step before the keys go: the window that had the keyboard at the press has it
  // still. Between this and SendInput lie a few instructions, not a wait.
  std::optional<size_t> taken;
  if (!checkTarget || ReadKeyboardOwner() == *options_.boundTo)
    taken = count == 0 ? 0 : SendInput(count, inputs.data(), sizeof(INPUT));
  // The batch spells out the text: leave nothing of it in freed memory.
  SecureWipe(inputs.data(), inputs.size() * sizeof(INPUT));
  return taken;
}

bool SystemTypingEnvironment::CapsLockOn() {
  // The toggle state as the input stream has it. This thread is not the one with the
  // keyboard focus (the target is); a thread that reads no keyboard input of its own gets
  // the system's state here, not a stale copy of its own.
  return (GetKeyState(VK_CAPITAL) & 1) != 0;
}

AnsiChar SystemTypingEnvironment::DecodeChar(std::string_view rest) { return DecodeAnsiChar(CP_ACP, rest); }

AnsiChar DecodeAnsiChar(UINT codePage, std::string_view rest) {
  AnsiChar c;
  if (rest.empty()) return c;
  const unsigned char b = static_cast<unsigned char>(rest[0]);
  const UINT cp = codePage == CP_ACP ? GetACP() : codePage;
  size_t length = 1;
  if (cp == CP_UTF8)
    length = Utf8SequenceLength(b);
  else if (IsDBCSLeadByteEx(cp, b))
    length = 2;
  if (length == 0 || length > rest.size()) return c;
  wchar_t units[2] = {};
  // Strict: a lead byte whose next byte cannot be its trail byte forms no character, and
  // that next byte is read on its own.
  int n = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, rest.data(), static_cast<int>(length), units, 2);
  if (n <= 0) return c;
  c.bytes = length;
  c.units = static_cast<size_t>(n);
  c.unit[0] = static_cast<char16_t>(units[0]);
  c.unit[1] = static_cast<char16_t>(units[1]);
  SecureWipe(units, sizeof units);
  return c;
}

bool TypeText(std::string_view text, const ReservedKeys& reserved) {
  SendInputInjector injector;
  SystemTypingEnvironment environment;
  return TypeText(text, injector, environment, reserved);
}

}  // namespace quorrel
