#include "exchange/account_file.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <random>
#include <type_traits>

#include "base/random.h"
#include "exchange/exchange_texts.h"
#include "security/cipher.h"

namespace quorrel {
namespace {

constexpr std::string_view kDigits = "0123456789";
constexpr std::string_view kLower = "abcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::string_view kPunctuation = " !\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";

bool IsGbkTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

bool IsForbiddenNameByte(unsigned char b) {
  if (b < 0x20) return true;
  switch (b) {
    case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
      return true;
    default:
      return false;
  }
}

bool IsForbiddenNameChar(uint32_t c) {
  return c < 0x20 || (c < 0x80 && IsForbiddenNameByte(static_cast<unsigned char>(c)));
}

template <typename Char>
uint32_t CodeOf(Char c) {
  return static_cast<std::make_unsigned_t<Char>>(c);
}

// Windows maps these names (with any extension) to devices rather than files.
template <typename Char>
bool IsDeviceName(std::basic_string_view<Char> name) {
  std::basic_string_view<Char> stem = name.substr(0, name.find(Char('.')));
  while (!stem.empty() && stem.back() == Char(' ')) stem.remove_suffix(1);
  if (stem.size() != 3 && stem.size() != 4) return false;
  std::string upper;
  for (Char c : stem) {
    const uint32_t code = CodeOf(c);
    if (code >= 0x80) return false;
    upper.push_back(static_cast<char>(code >= 'a' && code <= 'z' ? code - 'a' + 'A' : code));
  }
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
  if (upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
      upper[3] >= '0' && upper[3] <= '9') {
    return true;
  }
  return false;
}

}  // namespace

void SetTickSourceForTesting(TickSource source) {
  ProcessSeeder().SetTicks(source ? std::function<uint32_t()>(source) : std::function<uint32_t()>(SteadyTicks));
}

Text RandomText(int length, int classMask) {
  // Reseeded on every call, also for an empty text, which still advances the offset.
  std::mt19937 generator = ReseededGenerator();
  if (length <= 0) return {};

  int mask = classMask & (kRandomDigits | kRandomLower | kRandomUpper | kRandomPunctuation);
  if (mask == 0) mask = kRandomDigits;
  Text pool;
  if (mask & kRandomDigits) pool += kDigits;
  if (mask & kRandomLower) pool += kLower;
  if (mask & kRandomUpper) pool += kUpper;
  if (mask & kRandomPunctuation) pool += kPunctuation;

  Text out(static_cast<size_t>(length), '\0');
  for (char& c : out) c = pool[generator() % pool.size()];
  return out;
}

Text BuildAccountFileContent(std::string_view user, std::string_view password) {
  SecretText key(RandomText(static_cast<int>(kAccountFileKeyLength), kRandomDigits));
  return BuildAccountFileContent(user, password, key.str());
}

Text BuildAccountFileContent(std::string_view user, std::string_view password,
                             std::string_view fileKey) {
  if (fileKey.size() != kAccountFileKeyLength || fileKey.find('\0') != std::string_view::npos) {
    return {};
  }
  SecretText inner;
  inner.str().reserve(user.size() + kAccountFileSeparator.size() + password.size());
  inner.str().append(user).append(kAccountFileSeparator).append(password);
  Text content = EncipherText(fileKey, kAccountFileHeaderKey);
  content += EncipherText(inner.str(), fileKey);
  return content;
}

SecretText ParseAccountFileContent(std::string_view content) {
  size_t end = content.find_first_of(std::string_view("\0\x1A", 2));
  if (end != std::string_view::npos) content = content.substr(0, end);
  std::string_view header = content.substr(0, std::min(content.size(), kAccountFileHeaderLength));
  std::string_view body = content.substr(header.size());
  SecretText key(DecipherText(header, kAccountFileHeaderKey));
  // A bad header gives an empty key; refuse it outright, since the empty text is itself a
  // key with a valid tag and a body sealed under it would otherwise be accepted.
  if (key.str().empty()) return {};
  return SecretText(DecipherText(body, key.str()));
}

AccountFileParts SplitAccountFileInner(std::string_view inner) {
  AccountFileParts parts;
  const size_t at = inner.find(kAccountFileSeparator);
  parts.user = SecretText(inner.substr(0, at));
  if (at != std::string_view::npos) parts.password = SecretText(inner.substr(at + kAccountFileSeparator.size()));
  return parts;
}

std::string ExportOutcomeText(ExportOutcome outcome) {
  switch (outcome) {
    case ExportOutcome::kWritten: return {};
    case ExportOutcome::kSeparatorInUser: return exchange_texts::kSeparatorInUser;
    case ExportOutcome::kBadName: return exchange_texts::kBadName;
    case ExportOutcome::kNoDesktop: return exchange_texts::kNoDesktop;
    case ExportOutcome::kBusy: return exchange_texts::kExportBusy;
    case ExportOutcome::kDiskFull: return exchange_texts::kExportDiskFull;
    case ExportOutcome::kFailed: return exchange_texts::ExportFailed();
  }
  return {};
}

Text AccountFileBaseName(std::string_view displayName, std::string_view userName) {
  Text base;
  base.reserve(2 + displayName.size() + userName.size());
  base.append("#").append(displayName).append(" ").append(userName);
  return base;
}

Text AccountFileName(std::string_view baseName) {
  Text name(baseName);
  name += kAccountFileExtension;
  return name;
}

bool IsSafeFileBaseName(std::string_view baseName, LeadByteRule rule) {
  if (baseName.empty() || baseName == "." || baseName == "..") return false;
  for (size_t i = 0; i < baseName.size(); ++i) {
    const auto b = static_cast<unsigned char>(baseName[i]);
    if (rule && rule(b)) {
      // A lead byte must be followed by its trail byte; a cut or malformed pair could be
      // read back as a separator by the ANSI-to-Unicode conversion.
      if (i + 1 >= baseName.size() || !IsGbkTrailByte(static_cast<unsigned char>(baseName[i + 1]))) {
        return false;
      }
      ++i;
      continue;
    }
    if (IsForbiddenNameByte(b)) return false;
  }
  // A trailing space or dot is fine: ".Pw" follows it in the file name (an account with an
  // empty user name exports as "#name .Pw").
  return !IsDeviceName(baseName);
}

bool IsSafeFileBaseName(std::wstring_view baseName) {
  if (baseName.empty() || baseName == L"." || baseName == L"..") return false;
  for (wchar_t c : baseName) {
    if (IsForbiddenNameChar(CodeOf(c))) return false;
  }
  return !IsDeviceName(baseName);
}

}  // namespace quorrel
