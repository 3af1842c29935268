// What the input floor tells the user, in one place (UTF-8), in the words of the README's
// term table. The notes beside the input window say what happened to a press, what was
// kept, and the one next step that works.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorrel::input_texts {

// Where another key is chosen; the main window's settings page.
inline constexpr char kWhereToChooseKeys[] = "“软件设定 → 自定义快捷键”";

// Note titles.
inline constexpr char kNothingTyped[] = "没有输入";
inline constexpr char kPartTyped[] = "只输入了一部分";
inline constexpr char kKeyCannotWork[] = "快捷键不能用";
inline constexpr char kFileNotRead[] = "没有读出账号";

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
  text += "\n目标程序若以管理员身份运行，会挡住按键：先退出 Quorrel，再以管理员身份运行 Quorrel。";
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
         "请在" + std::string(kWhereToChooseKeys) + "里换一个用不到的键，例如 F8、F9。";
}

// The hint line's marks for a key that does not work: after its name, or in its place
// where the line has no room for both.
inline constexpr char kMarkTaken[] = "（被占用）";
inline constexpr char kMarkUnusable[] = "（不能用）";
inline constexpr char kShortTaken[] = "被占用";
inline constexpr char kShortUnusable[] = "不能用";

// Why a key does not work, one line of the note shown when the window opens. keyName may
// be empty (a code without a name); forPassword says which box the key types.
inline std::string KeyTaken(const std::string& keyName, bool forPassword) {
  return (keyName.empty() ? std::string(forPassword ? "密码快捷键" : "账号快捷键") : keyName) +
         "已被另一个程序占用，按它不会输入" + (forPassword ? "密码。" : "账号。");
}
inline std::string KeyIsModifier(const std::string& keyName, bool forPassword) {
  return (keyName.empty() ? std::string(forPassword ? "密码快捷键" : "账号快捷键") : keyName) +
         "不能做快捷键：Shift、Ctrl、Alt 和 Win 键要留给其他按键组合。";
}
inline std::string KeySameAsAccount(const std::string& keyName) {
  return "账号和密码的快捷键都是" + keyName + "，它只输入账号。";
}
inline std::string ChooseAnotherKey() {
  return "请在主窗口的" + std::string(kWhereToChooseKeys) + "里换一个键，下次启动 Quorrel 时生效。";
}

// A .Pw file that gave no account; path is as the user gave it (UTF-8).
inline std::string FileCannotBeRead(std::string_view path) {
  return "无法读取这个 .Pw 文件：\n" + std::string(path) +
         "\n它可能已被移走、删除，或正被另一个程序占用。\n可以把一个 .Pw 文件拖到这个窗口上。";
}
inline std::string FileNotAnAccountFile(std::string_view path) {
  return "这个文件已损坏，或不是 Quorrel 导出的 .Pw 文件：\n" + std::string(path) +
         "\n请让对方重新导出一份，把它拖到这个窗口上。";
}
inline constexpr char kSeveralFiles[] = "一次只能拖入一个 .Pw 文件。请只拖一个文件到这个窗口上。";

// The hotkey window.
inline constexpr char kHotkeyWindowTitle[] = "设置快捷键";
inline constexpr char kSameKeyForBoth[] =
    "账号快捷键和密码快捷键不能用同一个键。请给其中一个换个键，再点“设置完成”。";
// The settings file took none, or only one, of the two keys picked.
inline std::string HotkeysNotSaved(std::string_view configPath, bool accountSaved, bool passwordSaved) {
  std::string text = accountSaved    ? "账号快捷键已保存，密码快捷键没有保存"
                     : passwordSaved ? "密码快捷键已保存，账号快捷键没有保存"
                                     : "快捷键没有保存，下次启动仍用原来的键";
  return text + "：设置文件无法写入：\r\n" + std::string(configPath) +
         "\r\n\r\n如果这个文件设成了只读，请先取消只读（右键 → 属性），再点“设置完成”。";
}

}  // namespace quorrel::input_texts
