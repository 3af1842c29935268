// The startup PIN as "Pwd" keeps it: four digits sealed under the program's access password.
#pragma once

#include <cstddef>
#include <string_view>

#include "base/text.h"

namespace quorrel {

inline constexpr size_t kPinLength = 4;

// The key the PIN is sealed under. The same text as the account table's access password, as
// every stored "Pwd" was sealed with it: a change would lock out every locked start.
inline constexpr char kPinSealKey[] = "Qm4Tz8LwRk2V";

// Exactly four characters "0" to "9".
[[nodiscard]] bool IsPinText(std::string_view text);

// The "Pwd" value for a PIN.
[[nodiscard]] Text SealPin(std::string_view pin);

// Whether a stored "Pwd" value unseals to a four-digit PIN, the only kind a keypad entry
// can match. Without one, a locked start could never open the main window.
[[nodiscard]] bool HoldsValidPin(std::string_view storedPwd);

// Whether the entered digits are the stored PIN. A missing, damaged or foreign value
// unseals to the empty text, which no entry equals.
[[nodiscard]] bool PinMatches(std::string_view storedPwd, std::string_view entered);

}  // namespace quorrel
