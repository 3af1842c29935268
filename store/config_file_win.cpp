#include <windows.h>

#include <vector>

#include "base/report.h"
#include "store/config_file.h"

namespace quorrel {

Text ConfigFile::Read(const ConfigKey& key) const {
  std::vector<char> buffer(kConfigValueMax + 1, '\0');
  DWORD n = GetPrivateProfileStringA(kConfigSection, key.name, key.fallback, buffer.data(),
                                     static_cast<DWORD>(buffer.size()), path_.c_str());
  if (n > kConfigValueMax) n = kConfigValueMax;
  return Text(buffer.data(), n);
}

bool ConfigFile::Write(const ConfigKey& key, std::string_view value) const {
  const Text v(value);
  return !ReportIf(!WritePrivateProfileStringA(kConfigSection, key.name, v.c_str(), path_.c_str()));
}

}  // namespace quorrel
