// What the exchange floor tells the user about .Pw files and the record editor, in one place
// (UTF-8), in the words of the README's term table.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorrel::exchange_texts {

// Why an export wrote nothing; the caller says first that the account was not exported.
inline constexpr char kSeparatorInUser[] =
    "这个账号的用户名里有“----”，而 .Pw 文件用“----”隔开用户名和密码，导出的文件读不回原样。"
    "这个账号仍可以在列表里双击使用。";
inline constexpr char kBadName[] =
    ".Pw 文件以“#名称 用户名”命名，而这个账号的名称或用户名里有文件名不能用的字符"
    "（\\ / : * ? \" < > | 等）。可以换一个名称重新添加这个账号，再导出。";
inline constexpr char kNoDesktop[] = "找不到桌面文件夹，.Pw 文件无处保存。";
inline constexpr char kExportBusy[] = "桌面上同名的 .Pw 文件正被另一个程序打开。请关掉那个程序，再导出一次。";
inline constexpr char kExportDiskFull[] =
    "磁盘已满，.Pw 文件无法写入桌面；桌面上原有的同名文件没有改动。请腾出空间，再导出一次。";
inline constexpr char kExportFailed[] =
    ".Pw 文件无法写入桌面；桌面上原有的同名文件没有改动。如果它设成了只读，请先取消只读，再导出一次。";

// The record editor's messages.
inline constexpr char kEditorTitle[] = "添加账号";
inline constexpr char kCannotAdd[] = "不能添加账号。";
inline constexpr char kNotSaved[] = "账号没有保存，填写的内容还在窗口里。";
// A box holds a character the table cannot keep: the box's name, the character's place in
// it (from 1) and the character itself (UTF-8), which the font may not draw.
inline std::string UnstorableCharacter(std::string_view box, size_t position, std::string_view character) {
  return "“" + std::string(box) + "”的第 " + std::to_string(position) + " 个字符“" + std::string(character) +
         "”无法保存：Quorrel 只能保存简体中文 Windows 支持的字符，表情符号等不行。\r\n\r\n"
         "账号没有添加。请删掉这个字符，再点“确定添加”。";
}

}  // namespace quorrel::exchange_texts
