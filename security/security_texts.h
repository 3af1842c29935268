// What the security floor tells the user about the startup password, in one place (UTF-8),
// in the words of the README's term table.
#pragma once

#include <string>
#include <string_view>

namespace quorrel::security_texts {

inline constexpr char kKeypadTitle[] = "启动密码";

// configPath: Config.ini's (UTF-8); advice from store_texts::WriteAdvice with kSetAgain.
inline constexpr char kSetAgain[] = "输入四位数字，点“▶”";
inline std::string PinNotSaved(std::string_view configPath, std::string_view advice) {
  return "启动密码没有保存，因为设置文件无法写入：\r\n" + std::string(configPath) + "\r\n\r\n原来的启动密码没有改动。" +
         std::string(advice);
}

}  // namespace quorrel::security_texts
