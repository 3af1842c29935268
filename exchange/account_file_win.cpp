#include <windows.h>
#include <shlobj.h>

#include "base/text.h"
#include "exchange/account_file.h"
#include "base/handles_win.h"

namespace quorrel {
namespace {

Text DesktopFolder() {
  char path[MAX_PATH] = {};
  if (SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return {};
  Text folder = path;
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace

bool WriteAccountFile(std::string_view baseName, std::string_view user, std::string_view password) {
  // A name holding a path separator or a character no file name may hold would write
  // somewhere else than the desktop, or fail half-way: write nothing.
  if (!IsSafeFileBaseName(baseName)) return false;
  Text content = BuildAccountFileContent(user, password);
  Text path = DesktopFolder() + AccountFileName(baseName);
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  bool ok = WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
            written == content.size();
  SecureWipe(content);
  return ok;
}

Text ReadAccountFile(std::string_view path) {
  Text p(path);
  UniqueFile file(CreateFileA(p.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  LARGE_INTEGER size{};
  // An account file is a few kilobytes; anything huge is not one.
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > (1 << 20)) return {};
  std::string content(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!content.empty() && !::ReadFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr))
    return {};
  content.resize(read);
  Text inner = ParseAccountFileContent(content);
  SecureWipe(content);
  return inner;
}

}  // namespace quorrel
