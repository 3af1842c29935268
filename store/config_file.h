// Config.ini beside the executable: one section "Config", read and written one key at a
// time where a setting is used. The file is never created or rewritten as a whole: it
// comes into being with the first key written.
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

// The settings file at one path (ConfigPath). A plain value: windows keep their own copy.
class ConfigFile {
 public:
  ConfigFile() = default;
  explicit ConfigFile(Text path) : path_(std::move(path)) {}
  const Text& path() const { return path_; }

  // The key's value; its default when the file, section or key is missing.
  Text Read(const ConfigKey& key) const;
  // False when the file could not be written; the user is not told (the switch that wrote
  // it shows the new choice), the diagnostic output is.
  bool Write(const ConfigKey& key, std::string_view value) const;

 private:
  Text path_;
};

}  // namespace quorrel
