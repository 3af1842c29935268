// What the security floor tells the user about the startup password, in one place (UTF-8),
// in the words of the README's term table.
#pragma once

#include <string>
#include <string_view>

namespace quorrel::security_texts {

inline constexpr char kKeypadTitle[] = "启动密码";

// configPath: Config.ini's (UTF-8).
inline std::string PinNotSaved(std::string_view configPath) {
  return "启动密码没有保存：设置文件无法写入：\r\n" + std::string(configPath) +
         "\r\n\r\n原来的启动密码没有改动。如果这个文件设成了只读，请先取消只读（右键 → 属性），再设一次。";
}

}  // namespace quorrel::security_texts
