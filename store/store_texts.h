// What the store floor tells the user about the account table, in one place (UTF-8), in
// the words of the README's term table: what happened, what was kept, the one next step.
// The steps that the floors above share (the exit, a folder the user cannot write, a
// read-only file) are written here once.
#pragma once

#include <string>
#include <string_view>

namespace quorrel::store_texts {

// The menu strip's buttons have no captions: the exit is named by its place and its icon.
inline constexpr char kExit[] = "点主窗口左侧最下面的退出按钮（电源图标）退出 Quorrel";

// A folder the user may not write (Program Files without administrator rights, a read-only
// share or disk): moving out of Program Files needs those rights too, copying does not.
inline constexpr char kCopyToWritableFolder[] =
    "把 Quorrel.exe 连同它旁边的 UserData.edb 和 Config.ini（有的话）复制到你能写入的文件夹"
    "（例如“文档”里新建的一个文件夹），再从那里打开 Quorrel.exe";

// The read-only attribute of a file, taken away.
inline constexpr char kClearReadOnly[] = "右键单击这个文件，选“属性”，取消勾选“只读”，点“确定”";

// After "<file> 无法写入": what helps. readOnlyFile: the file carries the read-only
// attribute; otherwise its folder is the likely cause, as under Program Files. again: the
// step that tries once more (after "再"), e.g. "点“设置完成”".
inline std::string WriteAdvice(bool readOnlyFile, std::string_view again) {
  if (readOnlyFile) return "这个文件设成了只读：请" + std::string(kClearReadOnly) + "，再" + std::string(again) + "。";
  return "Quorrel.exe 所在的文件夹可能不让你写入（例如 Program Files 下的文件夹）。请先" + std::string(kExit) +
         "，再" + kCopyToWritableFolder + "。";
}

// path: the table's (UTF-8).
inline std::string PathTooLong(std::string_view path) {
  return "Quorrel.exe 所在文件夹的路径太长，账号表无法打开或写入：\r\n" + std::string(path) + "\r\n\r\n请先" + kExit +
         "（正在运行的程序所在的文件夹不能移动），再把 Quorrel.exe 所在的整个文件夹移到路径短一些的地方"
         "（例如 D:\\Quorrel），然后打开 Quorrel.exe。";
}
inline std::string CannotOpen(std::string_view path) {
  return "账号表打不开：\r\n" + std::string(path) +
         "\r\n\r\n这个文件可能已损坏，或不是 Quorrel 的账号表。Quorrel 没有改动它，"
         "在它能打开之前账号列表是空的。\r\n\r\n请先" + kExit +
         "，再用备份的 UserData.edb 换下它；没有备份时，把它改名留着。然后打开 Quorrel.exe，"
         "没有账号表时它会创建一个新的空账号表。";
}
inline std::string CannotCreate(std::string_view path) {
  return "无法创建账号表：\r\n" + std::string(path) +
         "\r\n\r\nQuorrel.exe 所在的文件夹不让你写入（例如 Program Files 下的文件夹，或只读的盘）。请先" + kExit +
         "，再" + kCopyToWritableFolder + "。";
}

// A change the user asked for; again: the step that tries it once more (after "再").
inline std::string Busy(std::string_view path, std::string_view again) {
  return "账号表正被另一个程序占用（例如杀毒、备份或同步软件）：\r\n" + std::string(path) +
         "\r\n\r\n账号表没有改动。请等一会儿，再" + std::string(again) + "。";
}
inline std::string DiskFull(std::string_view path, std::string_view again) {
  return "磁盘已满，账号表无法写入：\r\n" + std::string(path) + "\r\n\r\n账号表没有改动。请在这个磁盘上腾出空间，再" +
         std::string(again) + "。";
}
inline std::string WriteFailed(std::string_view path, bool readOnlyFile, std::string_view again) {
  return "账号表无法写入：\r\n" + std::string(path) + "\r\n\r\n账号表没有改动。" + WriteAdvice(readOnlyFile, again);
}
// There is no table yet, and the disk has no room for one.
inline std::string CreateDiskFull(std::string_view path, std::string_view again) {
  return "磁盘已满，无法创建账号表：\r\n" + std::string(path) + "\r\n\r\n请在这个磁盘上腾出空间，再" +
         std::string(again) + "。";
}

// The list is read without the user asking (at the start): what it shows, and what to press.
inline constexpr char kRefresh[] = "点账号列表下方的“刷新”";
inline std::string ListBusy(std::string_view path) {
  return "账号表正被另一个程序占用（例如杀毒、备份或同步软件），这次没能读出账号列表：\r\n" + std::string(path) +
         "\r\n\r\n账号都还在，账号表没有改动。请等一会儿，再" + kRefresh + "。";
}

inline constexpr char kNoFreePid[] =
    "账号表装不下更多账号了：新账号用的 PID（10000～99999）都已用完。请先删除一些不用的账号。";
inline constexpr char kTooBig[] = "账号表装不下这么多账号：它最大只能有 32 MB。请先删除一些不用的账号。";

}  // namespace quorrel::store_texts
