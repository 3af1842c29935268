// Key events into the system input stream.
#pragma once

#include <string_view>

#include "input/typing.h"

namespace quorrel {

// One SendInput call per batch: the system keeps the events together, so no key the user
// presses meanwhile lands between them. Scan code and extra information are 0.
class SendInputInjector final : public KeyInjector {
 public:
  size_t Inject(const std::vector<KeyEvent>& events) override;
};

// Types into whatever program has the keyboard focus.
bool TypeText(std::string_view text);

}  // namespace quorrel
