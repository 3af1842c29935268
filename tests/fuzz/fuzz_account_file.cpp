// Account file parsing and base-name checking on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "exchange/account_file.h"

using namespace quorrel;

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);

  Text inner = ParseAccountFileContent(input);
  if (!inner.empty()) {
    Check(inner.find('\0') == Text::npos);
    Check(input.size() > kAccountFileHeaderLength);
  }

  // Building from any user/password pair reads back the same inner text.
  size_t cut = input.find('\n');
  std::string_view user = input.substr(0, cut == std::string_view::npos ? input.size() : cut);
  std::string_view password =
      cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
  if (user.find('\0') == std::string_view::npos && password.find('\0') == std::string_view::npos) {
    Text content = BuildAccountFileContent(user, password, "314159265358");
    Check(content.size() == kAccountFileHeaderLength + 2 * (user.size() + 4 + password.size()) + 9);
    Text back = ParseAccountFileContent(content);
    Check(back.size() == user.size() + 4 + password.size());
    Check(back.starts_with(user) && back.ends_with(password));
  }

  // Only '\' and '|' can hide in a double-byte character; every other forbidden byte
  // is below the GBK trail range, so a safe name never holds one.
  if (IsSafeFileBaseName(input)) {
    Check(input.find_first_of(std::string_view("/:*?\"<>\0", 8)) == std::string_view::npos);
    for (char c : input) Check(static_cast<unsigned char>(c) >= 0x20);
    Check(input != "." && input != "..");
  }
  return 0;
}
