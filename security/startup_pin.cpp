#include "security/startup_pin.h"

#include "security/cipher.h"
#include "store/account_table.h"

namespace quorrel {

bool IsPinText(std::string_view text) {
  if (text.size() != kPinLength) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

Text SealPin(std::string_view pin) { return EncipherText(pin, kAccountTableAccessPassword); }

bool HoldsValidPin(std::string_view storedPwd) {
  Text pin = DecipherText(storedPwd, kAccountTableAccessPassword);
  const bool valid = IsPinText(pin);
  SecureWipe(pin);
  return valid;
}

}  // namespace quorrel
