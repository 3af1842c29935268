#include <windows.h>

#include <vector>

#include "app/config.h"
#include "app/state.h"

namespace quorrel {

Text ReadConfig(const ConfigKey& key) {
  const Text& path = State().ConfigPath;
  std::vector<char> buffer(kConfigValueMax + 1, '\0');
  DWORD n = GetPrivateProfileStringA(kConfigSection, key.name, key.fallback, buffer.data(),
                                     static_cast<DWORD>(buffer.size()), path.c_str());
  if (n > kConfigValueMax) n = kConfigValueMax;
  return Text(buffer.data(), n);
}

void WriteConfig(const ConfigKey& key, std::string_view value) {
  Text v(value);
  WritePrivateProfileStringA(kConfigSection, key.name, v.c_str(), State().ConfigPath.c_str());
}

}  // namespace quorrel
