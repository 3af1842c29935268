#include <windows.h>
#include <shlobj.h>

#include <optional>

#include "base/encoding_win.h"
#include "base/file_io_win.h"
#include "base/handles_win.h"
#include "base/report.h"
#include "base/text.h"
#include "exchange/account_file.h"

namespace quorrel {
namespace {

// With its trailing backslash; nothing when the shell cannot name it (never the current
// directory in its place).
std::optional<std::wstring> DesktopFolder() {
  wchar_t path[MAX_PATH] = {};
  if (ReportIf(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) ||
      path[0] == L'\0') {
    return std::nullopt;
  }
  std::wstring folder = path;
  if (folder.back() != L'\\') folder += L'\\';
  return folder;
}

ExportOutcome OutcomeOf(DWORD error) {
  if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) return ExportOutcome::kDiskFull;
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return ExportOutcome::kBusy;
  return ExportOutcome::kFailed;
}

// Writes a temp file beside path (its last character replaced: a name no longer than the
// file's own), flushes it and renames it over path. The earlier file stays whole until then.
ExportOutcome ReplaceFileContent(const std::wstring& path, std::string_view bytes) {
  std::wstring temp = path;
  temp.back() = temp.back() == L'~' ? L'_' : L'~';
  UniqueFile file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
  if (ReportIf(!file)) return OutcomeOf(GetLastError());
  DWORD error = 0;
  bool ok = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
  if (!ok) error = GetLastError();
  if (!CloseHandle(file.release()) && ok) {
    error = GetLastError();
    ok = false;
  }
  if (ok && !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
    ok = false;
  }
  if (ReportIf(!ok)) {
    DeleteFileW(temp.c_str());
    return OutcomeOf(error);
  }
  return ExportOutcome::kWritten;
}

}  // namespace

ExportOutcome WriteAccountFile(std::string_view baseName, std::string_view user, std::string_view password) {
  // The reader takes the user name up to the first separator.
  if (user.find(kAccountFileSeparator) != std::string_view::npos) return ExportOutcome::kSeparatorInUser;
  // A name holding a path separator or a character no file name may hold would write
  // somewhere else than the desktop, or fail half-way: write nothing. The bytes are checked
  // under the system's code page, then the name as the system decodes it; the file is made
  // under that decoded name, so no second conversion can differ from what was checked.
  if (!IsSafeFileBaseName(baseName, &IsSystemLeadByte)) return ExportOutcome::kBadName;
  const std::optional<std::wstring> name = AnsiToWideExact(baseName);
  if (!name || !IsSafeFileBaseName(*name)) return ExportOutcome::kBadName;
  const std::optional<std::wstring> desktop = DesktopFolder();
  if (!desktop) return ExportOutcome::kNoDesktop;
  const SecretText content(BuildAccountFileContent(user, password));
  return ReplaceFileContent(*desktop + *name + AnsiToWide(kAccountFileExtension), content.view());
}

SecretText ReadAccountFile(std::string_view path) { return OpenAccountFile(path).inner; }

AccountFileReading OpenAccountFile(std::string_view path) {
  Text p(path);
  UniqueFile file(CreateFileA(p.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return {};
  // An account file is a few kilobytes; anything huge is not one.
  if (size.QuadPart > (1 << 20)) return {AccountFileRead::kNotAccountFile, {}};
  SecretText content;
  content.str().resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!content.empty() &&
      !::ReadFile(file.get(), content.str().data(), static_cast<DWORD>(content.size()), &read, nullptr))
    return {};
  content.str().resize(read);
  // Every account file holds at least the separator: an empty inner text is no account.
  SecretText inner = ParseAccountFileContent(content.view());
  if (inner.empty()) return {AccountFileRead::kNotAccountFile, {}};
  return {AccountFileRead::kRead, std::move(inner)};
}

}  // namespace quorrel
