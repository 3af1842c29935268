#include "app/earlier_table.h"

namespace quorrel {

Text VirtualStoreFolder(std::string_view localAppData, std::string_view folder) {
  const bool drive = folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\' &&
                     ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z'));
  if (!drive || localAppData.empty()) return {};
  while (!localAppData.empty() && localAppData.back() == '\\') localAppData.remove_suffix(1);
  folder.remove_prefix(2);
  while (folder.size() > 1 && folder.back() == '\\') folder.remove_suffix(1);
  Text store(localAppData);
  store += "\\VirtualStore";
  if (folder != "\\") store += folder;
  return store;
}

}  // namespace quorrel
