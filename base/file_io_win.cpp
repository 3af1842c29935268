#include "base/file_io_win.h"

#include <algorithm>

#include "base/handles_win.h"
#include "base/report.h"

namespace quorrel {
namespace {
constexpr DWORD kWriteChunk = 1u << 20;
}  // namespace

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size(), kWriteChunk));
    DWORD put = 0;
    if (!::WriteFile(file, bytes.data(), want, &put, nullptr) || put == 0) return false;
    bytes.remove_prefix(put);
  }
  return true;
}

bool WriteWholeFile(const Text& path, std::string_view bytes) {
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
  if (ReportIf(!file)) return false;
  if (!ReportIf(!WriteAll(file.get(), bytes))) return true;
  // A half-written file is worse than none (a batch file that runs half a command).
  file.reset();
  DeleteFileA(path.c_str());
  return false;
}

}  // namespace quorrel
