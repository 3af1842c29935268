#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "base/handles_win.h"
#include "base/report.h"
#include "exchange/import_lines.h"

namespace quorrel {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 lines are handed to the wide API as they are");

namespace {

ImportFile ReadWholeImportFile(const Text& path, Text& bytes) {
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (ReportIf(!file)) return {};
  LARGE_INTEGER size{};
  if (ReportIf(!GetFileSizeEx(file.get(), &size))) return {};
  if (static_cast<uint64_t>(size.QuadPart) > kMaxImportFileBytes) return {ImportFile::kTooBig, {}};
  // Read to the end, as far as the limit: another writer may change the size meanwhile.
  bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
  size_t have = 0;
  for (;;) {
    if (have == bytes.size()) {
      if (bytes.size() >= kMaxImportFileBytes) break;
      // Grown by hand: a reallocation would free the old buffer with the text still in it.
      Text larger(std::min<size_t>(bytes.size() + 4096, kMaxImportFileBytes), '\0');
      std::memcpy(larger.data(), bytes.data(), have);
      SecureWipe(bytes);
      bytes.swap(larger);
    }
    DWORD got = 0;
    if (ReportIf(!ReadFile(file.get(), bytes.data() + have, static_cast<DWORD>(bytes.size() - have), &got, nullptr))) {
      SecureWipe(bytes);
      return {};
    }
    if (got == 0) break;
    have += got;
  }
  bytes.resize(have);  // shrinking keeps the buffer: the caller's wipe covers all of it
  ImportFile read{ImportFile::kRead, {}};
  read.bytes.swap(bytes);  // the buffer itself, not a copy of it
  return read;
}

}  // namespace

ImportFile ReadImportFile(const Text& path) {
  Text bytes;
  try {
    return ReadWholeImportFile(path, bytes);
  } catch (const std::bad_alloc&) {  // 32 MiB and its copy in a crowded 32-bit process
    SecureWipe(bytes);
    return {ImportFile::kNoMemory, {}};
  }
}

bool IsAnsiDoubleByte(unsigned char lead, unsigned char trail) {
  if (!IsDBCSLeadByte(lead)) return false;
  const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  wchar_t decoded[2] = {};
  return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pair, 2, decoded, 2) == 1;
}

AnsiCodePage SystemCodePage() { return {&WideToAnsiExact, &IsAnsiDoubleByte}; }

std::optional<Text> WideToAnsiExact(std::u16string_view line) {
  std::optional<Text> ansi;  // the one result, returned in place: no moved-from copy is left
  if (line.size() > INT_MAX) return ansi;
  const auto* wide = reinterpret_cast<const wchar_t*>(line.data());
  const int length = static_cast<int>(line.size());
  // With the UTF-8 system code page (a Windows 10 option) WideCharToMultiByte refuses both
  // WC_NO_BEST_FIT_CHARS and the used-default flag; every character is storable there, and
  // WC_ERR_INVALID_CHARS turns away what is not (the caller already drops lone surrogates).
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* const usedDefaultOut = utf8 ? nullptr : &usedDefault;
  ansi.emplace();
  if (length == 0) return ansi;
  const int n = WideCharToMultiByte(CP_ACP, flags, wide, length, nullptr, 0, nullptr, usedDefaultOut);
  bool stored = n > 0 && !usedDefault;
  if (stored) {
    ansi->resize(static_cast<size_t>(n));
    stored = WideCharToMultiByte(CP_ACP, flags, wide, length, ansi->data(), n, nullptr, usedDefaultOut) == n &&
             !usedDefault;
  }
  if (!stored) {
    SecureWipe(*ansi);
    ansi.reset();
  }
  return ansi;
}

}  // namespace quorrel
