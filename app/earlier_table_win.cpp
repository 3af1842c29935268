#include <windows.h>

#include "app/earlier_table.h"

namespace quorrel {

Text EarlierTableFolder(const Text& folder) {
  char local[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", local, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  Text store = VirtualStoreFolder(local, folder);
  if (store.empty()) return {};
  const DWORD attrs = GetFileAttributesA((store + "\\UserData.edb").c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY) ? store : Text();
}

}  // namespace quorrel
