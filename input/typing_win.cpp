#include "input/typing_win.h"

#include <windows.h>

#include <vector>

#include "base/text.h"

namespace quorrel {

size_t SendInputInjector::Inject(const std::vector<KeyEvent>& events) {
  if (events.empty()) return 0;
  std::vector<INPUT> inputs(events.size());
  for (size_t i = 0; i < events.size(); ++i) {
    INPUT& in = inputs[i];
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = events[i].vk;
    in.ki.wScan = 0;
    in.ki.dwFlags = events[i].up ? KEYEVENTF_KEYUP : 0;
    in.ki.time = 0;
    in.ki.dwExtraInfo = 0;
  }
  UINT taken = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  // The batch spells out the text: leave nothing of it in freed memory.
  SecureWipe(inputs.data(), inputs.size() * sizeof(INPUT));
  return taken;
}

bool TypeText(std::string_view text) {
  SendInputInjector injector;
  return TypeText(text, injector);
}

}  // namespace quorrel
