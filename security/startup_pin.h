// The startup PIN as "Pwd" keeps it: four digits sealed under the program's access password.
#pragma once

#include <cstddef>
#include <string_view>

#include "base/text.h"

namespace quorrel {

inline constexpr size_t kPinLength = 4;

// Exactly four characters "0" to "9".
[[nodiscard]] bool IsPinText(std::string_view text);

// The "Pwd" value for a PIN.
[[nodiscard]] Text SealPin(std::string_view pin);

// Whether a stored "Pwd" value unseals to a four-digit PIN, the only kind a keypad entry
// can match. Without one, a locked start could never open the main window.
[[nodiscard]] bool HoldsValidPin(std::string_view storedPwd);

}  // namespace quorrel
