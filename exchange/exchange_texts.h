// What the exchange floor tells the user about .Pw files and the record editor, in one place
// (UTF-8), in the words of the README's term table.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "store/store_texts.h"

namespace quorrel::exchange_texts {

// Why an export wrote nothing; the caller says first that the account was not exported.
inline constexpr char kSeparatorInUser[] =
    "这个账号的用户名里有“----”，而 .Pw 文件用“----”隔开用户名和密码，导出的文件读不回原样。"
    "这个账号仍可以在列表里双击使用。";
// The display name holds a character that no file name can: a new entry mends it.
inline constexpr char kBadName[] =
    "这个账号的名称里有文件名不能用的字符（\\ / : * ? \" < > | 等），而 .Pw 文件以“#名称 用户名”命名。"
    "要导出它，请点“添加”，用一个没有这些字符的名称、同样的用户名和密码添加一个新账号，再导出新账号；"
    "原来的账号可以删掉。";
// The user name holds one (a Windows domain account with its backslash): no entry can mend it.
inline constexpr char kBadUserName[] =
    "这个账号的用户名里有文件名不能用的字符（例如“域\\用户名”里的 \\），而 .Pw 文件以“#名称 用户名”命名，"
    "所以这个账号不能导出。它仍可以在列表里双击使用。";
inline constexpr char kNoDesktop[] = "找不到桌面文件夹，.Pw 文件无处保存。";
inline constexpr char kExportBusy[] = "桌面上同名的 .Pw 文件正被另一个程序打开。请关掉那个程序，再点“导出”。";
inline constexpr char kExportDiskFull[] =
    "磁盘已满，.Pw 文件无法写入桌面；桌面上原有的同名文件没有改动。请腾出空间，再点“导出”。";
inline std::string ExportFailed() {
  return ".Pw 文件无法写入桌面；桌面上原有的同名文件没有改动。如果那个同名文件设成了只读：请" +
         std::string(store_texts::kClearReadOnly) + "，再点“导出”。";
}

// The record editor's messages.
inline constexpr char kEditorTitle[] = "添加账号";
inline constexpr char kCannotAdd[] = "不能添加账号。";
inline constexpr char kNotSaved[] = "账号没有保存，填写的内容还在窗口里。";
// The step that tries once more (after "再"): the editor's button, or the list's for a new editor.
inline constexpr char kSaveAgain[] = "点“确定添加”";
inline constexpr char kOpenAgain[] = "点账号列表下方的“添加”";
// A box holds a character the table cannot keep: the box's name, the character's place in
// it (from 1) and the character itself (UTF-8), which the font may not draw.
inline std::string UnstorableCharacter(std::string_view box, size_t position, std::string_view character) {
  return "“" + std::string(box) + "”的第 " + std::to_string(position) + " 个字符“" + std::string(character) +
         "”无法保存：Quorrel 只能保存简体中文 Windows 支持的字符，表情符号等不行。\r\n\r\n"
         "账号没有添加。请删掉这个字符，再点“确定添加”。";
}

}  // namespace quorrel::exchange_texts
