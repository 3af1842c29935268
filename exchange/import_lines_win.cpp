#include <windows.h>

#include "base/handles_win.h"
#include "base/report.h"
#include "exchange/import_lines.h"

namespace quorrel {

Text ReadImportFile(const Text& path) {
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (ReportIf(!file)) return {};
  LARGE_INTEGER size{};
  if (ReportIf(!GetFileSizeEx(file.get(), &size)) || ReportIf(static_cast<uint64_t>(size.QuadPart) > kMaxImportFileBytes))
    return {};
  // Read to the end, as far as the limit: another writer may change the size meanwhile.
  Text bytes(static_cast<size_t>(size.QuadPart), '\0');
  size_t have = 0;
  for (;;) {
    if (have == bytes.size()) {
      if (bytes.size() >= kMaxImportFileBytes) break;
      bytes.resize(bytes.size() + 4096);
    }
    DWORD got = 0;
    if (ReportIf(!ReadFile(file.get(), bytes.data() + have, static_cast<DWORD>(bytes.size() - have), &got, nullptr))) {
      SecureWipe(bytes);
      return {};
    }
    if (got == 0) break;
    have += got;
  }
  Text text(ImportTextOf(std::string_view(bytes).substr(0, have)));
  SecureWipe(bytes);
  return text;
}

}  // namespace quorrel
