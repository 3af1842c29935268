// What the input floor tells the user, in one place (UTF-8), in the words of the README's
// term table. The notes beside the input window say what happened to a press, what was
// kept, and the one next step that works.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "store/store_texts.h"

namespace quorrel::input_texts {

// Where another key is chosen; the main window's settings page.
inline constexpr char kWhereToChooseKeys[] = "“软件设定”→“自定义快捷键”";

// The running program keeps the keys it started with, and a second start only brings it
// forward: new keys need the exit and a new start.
inline std::string RestartForKeys() {
  return "正在运行的 Quorrel 仍用原来的键：请" + std::string(store_texts::kExit) + "，再打开 Quorrel，新键才生效。";
}
// The steps to another key, from the input window (opened from the list or from a file).
inline std::string ChangeKeySteps() {
  return "换键：关掉这个窗口，在 Quorrel 主窗口的" + std::string(kWhereToChooseKeys) +
         "点“点击设置”，换一个键，点“设置完成”；再" + store_texts::kExit + "，重新打开 Quorrel，新键才生效。";
}

// Note titles.
inline constexpr char kNothingTyped[] = "没有输入";
inline constexpr char kPartTyped[] = "只输入了一部分";
inline constexpr char kKeyCannotWork[] = "快捷键不能用";
inline constexpr char kFileNotRead[] = "没有读出账号";

// While the note shows, the main window is in the tray and its icon has no menu: the steps
// start with closing the input window, which brings the main window back.
inline constexpr char kElevated[] =
    "目标程序以管理员身份运行，Windows 不让其他程序向它发送按键，所以没有输入。\n"
    "要输入，Quorrel 也得以管理员身份运行：\n"
    "1. 关掉这个“辅助输入”窗口，主窗口会回来；\n"
    "2. 点主窗口左侧最下面的退出按钮（电源图标）；\n"
    "3. 右键单击 Quorrel.exe，选“以管理员身份运行”；\n"
    "4. 在账号列表里再双击这个账号，按快捷键。";
// An account read from a .Pw file is in no list: the file itself must start the program
// as administrator.
inline constexpr char kElevatedFromFile[] =
    "目标程序以管理员身份运行，Windows 不让其他程序向它发送按键，所以没有输入。\n"
    "要输入这个 .Pw 文件里的账号，Quorrel 也得以管理员身份运行：\n"
    "1. 关掉这个“辅助输入”窗口；\n"
    "2. 右键单击 Quorrel.exe，选“属性”，在“兼容性”页勾选“以管理员身份运行此程序”，点“确定”；\n"
    "3. 再打开这个 .Pw 文件，按快捷键。";

inline constexpr char kWindowChanged[] =
    "按下快捷键后，你切换到了另一个窗口。为免把内容输入到别处，这次没有输入。\n"
    "请回到要输入的窗口，把光标放进输入框，再按一次快捷键。";

inline constexpr char kModifiersHeld[] =
    "Shift、Ctrl、Alt 或 Win 键一直按着，这时输入会变成快捷操作，所以没有输入。\n"
    "请松开这些键，再按一次快捷键。";

// The system took only the first part of the keys.
// keysLeftDown: the release of the typed part was cut too (Shift may be held, Caps Lock the
// other way round).
inline std::string Cut(size_t typedChars, bool keysLeftDown) {
  std::string text = typedChars == 0 ? std::string("Windows 没有把按键送到目标程序，什么也没有输入。请再按一次快捷键。")
                                     : "Windows 只送出了一部分按键：已输入前 " + std::to_string(typedChars) +
                                           " 个字符。请清空输入框，再按一次快捷键。";
  if (keysLeftDown)
    text += "\n有的键可能还处于按下状态：接下来打出的字母大小写不对时，请按一下 Shift 键；还不对时，按一下 Caps Lock 键。";
  text += "\n再按一次仍是这样时，目标程序可能以管理员身份运行：做法见 Quorrel.exe 旁边“使用说明.txt”的第六节。";
  return text;
}

// A remote-desktop or virtual-machine window, which takes keys only.
inline std::string RemoteNeedsCharacter(size_t position) {
  return "远程桌面或虚拟机窗口只接受按键，第 " + std::to_string(position) +
         " 个字符（例如汉字或全角符号）无法用按键输入。为免只输入一半，这次没有输入。\n"
         "要输入它，可以在远程电脑上运行 Quorrel：把这个账号的 .Pw 文件（在账号列表里点“导出”得到）"
         "复制到远程电脑上，用那里的 Quorrel 打开。";
}
// keyName may be empty (a key without a name, such as 5 of the number pad).
inline std::string RemoteNeedsHotkey(size_t position, const std::string& keyName) {
  return "远程桌面或虚拟机窗口只接受按键，第 " + std::to_string(position) + " 个字符要用到" +
         (keyName.empty() ? std::string("的键") : " " + keyName + "，而它") +
         "是 Quorrel 的快捷键。为免只输入一半，这次没有输入。\n"
         "请换一个密码里用不到的键（例如 F8、F9）。\n" + ChangeKeySteps();
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
inline std::string ChooseAnotherKey() { return ChangeKeySteps(); }

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
inline constexpr char kConfirmAgain[] = "点“设置完成”";
// The settings file took none, or only one, of the two keys picked; advice from
// store_texts::WriteAdvice with kConfirmAgain.
inline std::string HotkeysNotSaved(std::string_view configPath, bool accountSaved, bool passwordSaved,
                                   std::string_view advice) {
  std::string text = accountSaved    ? "账号快捷键已保存，密码快捷键没有保存"
                     : passwordSaved ? "密码快捷键已保存，账号快捷键没有保存"
                                     : "快捷键没有保存，Quorrel 下次打开时仍用原来的键";
  return text + "，因为设置文件无法写入：\r\n" + std::string(configPath) + "\r\n\r\n" + std::string(advice);
}
// Both keys were stored; names may be empty (a key without a name).
inline std::string HotkeysSaved(const std::string& accountKey, const std::string& passwordKey) {
  const auto named = [](const std::string& name) { return name.empty() ? std::string("（没有名称的键）") : name; };
  return "快捷键已保存：账号快捷键是 " + named(accountKey) + "，密码快捷键是 " + named(passwordKey) + "。\r\n\r\n" +
         RestartForKeys();
}

// Where the keys cannot go: nothing in front, or this program's own window.
inline constexpr char kNoWindow[] =
    "按下快捷键时，没有哪个窗口在接收键盘输入，这次没有输入。\n"
    "请单击要输入的输入框，再按一次快捷键。";
inline constexpr char kOwnWindow[] =
    "按下快捷键时，键盘在 Quorrel 自己的窗口里。为免把密码输入到“辅助输入”窗口的框里，这次没有输入。\n"
    "请单击要输入的输入框（在另一个程序里），再按一次快捷键。";

// A console window (命令行窗口: cmd, PowerShell, ssh), which takes keys only.
inline std::string ConsoleNeedsCharacter(size_t position) {
  return "命令行窗口只接受按键，第 " + std::to_string(position) +
         " 个字符（例如汉字或全角符号）无法用按键输入。为免只输入一半，这次没有输入。\n"
         "这个账号请用键盘手动输入。";
}
inline constexpr char kConsoleImeOn[] =
    "命令行窗口的输入法处于中文状态，按键会进到输入法里，所以没有输入。\n"
    "请先切换到英文输入（例如按一下 Shift 键），再按一次快捷键。";

// Slow typing: one key at a time, for windows that lose keys sent all at once.
inline std::string SlowTypingStopped(size_t typedChars) {
  return (typedChars == 0 ? std::string("慢速输入已停止，没有输入任何字符。")
                          : "慢速输入已停止：已输入前 " + std::to_string(typedChars) +
                                " 个字符。请先清空输入框，再按一次快捷键。");
}
inline std::string WindowChangedWhileTyping(size_t typedChars) {
  return "输入途中切换到了另一个窗口，输入已停止" +
         (typedChars == 0 ? std::string("，没有输入任何字符。")
                          : "：已输入前 " + std::to_string(typedChars) + " 个字符。请回到原来的输入框，先清空它。") +
         "\n然后再按一次快捷键。";
}
// The tip over the hint line; key names may be empty (a code without a name).
inline std::string SlowTypingTip(const std::string& accountKey, const std::string& passwordKey) {
  std::string keys;
  if (!accountKey.empty()) keys += "Shift+" + accountKey;
  if (!passwordKey.empty()) keys += (keys.empty() ? "" : "、") + ("Shift+" + passwordKey);
  return "按 " + keys +
         " 慢速输入：一个键一个键地送出，约两秒输完。\n网页里的远程控制台、虚拟机窗口等一次收到太多按键会丢字时用。"
         "\n慢速输入时再按一次快捷键可以停止。";
}

}  // namespace quorrel::input_texts
