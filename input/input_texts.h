// What the input floor tells the user, in one place (UTF-8). The notes beside the input
// window say what happened to a press, what was kept, and the one next step that works.
#pragma once

#include <cstddef>
#include <string>

namespace quorrel::input_texts {

// Note titles.
inline constexpr char kNothingTyped[] = "没有输入";
inline constexpr char kPartTyped[] = "只输入了一部分";

inline constexpr char kElevated[] =
    "目标程序以管理员身份运行，Windows 不让其他程序向它发送按键。\n"
    "先退出 Quorrel，再右键单击 Quorrel.exe，选“以管理员身份运行”，然后再按快捷键。";

inline constexpr char kWindowChanged[] =
    "按下快捷键后，键盘换到了另一个窗口。为免把内容输入到别处，这次没有输入。\n"
    "请回到要输入的窗口，把光标放进输入框，再按一次快捷键。";

inline constexpr char kModifiersHeld[] =
    "Shift、Ctrl、Alt 或 Win 键一直按着，这时输入会变成快捷操作，所以没有输入。\n"
    "请松开这些键，再按一次快捷键。";

// The system took only the first part of the keys.
inline std::string Cut(size_t typedChars, bool keysLeftDown) {
  std::string text = typedChars == 0 ? std::string("Windows 没有把按键送到目标程序，什么也没有输入。")
                                     : "Windows 只送出了一部分按键：已输入前 " + std::to_string(typedChars) +
                                           " 个字符。请先清空输入框。";
  if (keysLeftDown) text += "\n有按键可能还处于按下状态，请按一下 Shift 键。";
  text += "\n目标程序若以管理员身份运行，会挡住按键：先退出 Quorrel，再以管理员身份运行它。";
  return text;
}

// A remote-desktop or virtual-machine window, which takes keys only.
inline std::string RemoteNeedsCharacter(size_t position) {
  return "远程桌面或虚拟机窗口只接受按键，第 " + std::to_string(position) +
         " 个字符（例如汉字或全角符号）无法用按键输入。为免只输入一半，这次没有输入。";
}
inline std::string RemoteNeedsHotkey(size_t position, const std::string& keyName) {
  return "远程桌面或虚拟机窗口只接受按键，第 " + std::to_string(position) + " 个字符要用到" + keyName +
         "，而它是 Quorrel 的快捷键。为免只输入一半，这次没有输入。\n"
         "请在“软件设定 → 自定义快捷键”里换一个用不到的键，例如 F8、F9。";
}

}  // namespace quorrel::input_texts
