// Account file parsing and base-name checking on arbitrary bytes.
#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "exchange/account_file.h"

using namespace quorrel;

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}

// The name as a GBK system reads it (the C library's GBK table); nullopt when the bytes are
// not GBK, which the program's strict conversion refuses too.
std::optional<std::wstring> DecodeGbk(std::string_view bytes) {
  static iconv_t cd = iconv_open("WCHAR_T", "GBK");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string in(bytes);
  std::wstring out(bytes.size() + 1, L'\0');
  char* src = in.data();
  size_t src_left = in.size();
  char* dst = reinterpret_cast<char*>(out.data());
  size_t dst_left = out.size() * sizeof(wchar_t);
  if (iconv(cd, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1) || src_left != 0) return std::nullopt;
  out.resize(out.size() - dst_left / sizeof(wchar_t));
  return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);

  Text inner = ParseAccountFileContent(input).str();
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
    Text back = ParseAccountFileContent(content).str();
    Check(back.size() == user.size() + 4 + password.size());
    Check(back.starts_with(user) && back.ends_with(password));
  }

  // Only '\' and '|' can hide in a double-byte character; every other forbidden byte
  // is below the GBK trail range, so a safe name never holds one.
  if (IsSafeFileBaseName(input)) {
    Check(input.find_first_of(std::string_view("/:*?\"<>\0", 8)) == std::string_view::npos);
    for (char c : input) Check(static_cast<unsigned char>(c) >= 0x20);
    Check(input != "." && input != "..");
    // What the system makes of the bytes must hold no separator either: the name is then
    // one file on the desktop, wherever a trail byte 0x5C or 0x7C sits.
    if (auto decoded = DecodeGbk(input)) {
      Check(decoded->find_first_of(L"\\/") == std::wstring::npos);
      Check(IsSafeFileBaseName(std::wstring_view(*decoded)));
    }
  }
  return 0;
}
