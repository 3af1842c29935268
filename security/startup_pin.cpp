#include "security/startup_pin.h"

#include "security/cipher.h"

namespace quorrel {

bool IsPinText(std::string_view text) {
  if (text.size() != kPinLength) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

Text SealPin(std::string_view pin) { return EncipherText(pin, kPinSealKey); }

bool HoldsValidPin(std::string_view storedPwd) {
  const SecretText pin(DecipherText(storedPwd, kPinSealKey));
  return IsPinText(pin.view());
}

bool PinMatches(std::string_view storedPwd, std::string_view entered) {
  const SecretText pin(DecipherText(storedPwd, kPinSealKey));
  return IsPinText(pin.view()) && pin == entered;
}

}  // namespace quorrel
