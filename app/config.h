// Config.ini beside the executable: one section "Config", one key at a time.
#pragma once

#include <string_view>

#include "base/text.h"

namespace quorrel {

struct ConfigKey {
  const char* name;
  const char* fallback;  // the default every reader of the key uses
};

inline constexpr const char* kConfigSection = "Config";
inline constexpr ConfigKey kUserKey{"UserKey", "119"};   // types the user name (F8)
inline constexpr ConfigKey kPassKey{"PassKey", "120"};   // types the password (F9)
inline constexpr ConfigKey kStartup{"Startup", "False"};
inline constexpr ConfigKey kPwd{"Pwd", ""};
inline constexpr ConfigKey kTray{"Tray", "2"};
inline constexpr ConfigKey kLaws{"Laws", "Hide"};

// A read value is at most this many bytes.
inline constexpr size_t kConfigValueMax = 10240;

// Reads the key from ConfigPath; the key's default when the file, section or key is missing.
Text ReadConfig(const ConfigKey& key);
// Writes the key; failures are ignored (nothing is reported to the user).
void WriteConfig(const ConfigKey& key, std::string_view value);

}  // namespace quorrel
