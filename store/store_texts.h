// What the store floor tells the user about the account table, in one place (UTF-8), in
// the words of the README's term table: what happened, what was kept, the one next step.
#pragma once

#include <string>
#include <string_view>

namespace quorrel::store_texts {

// path: the table's (UTF-8).
inline std::string PathTooLong(std::string_view path) {
  return "Quorrel.exe 所在文件夹的路径太长，账号表无法打开或创建：\r\n" + std::string(path) +
         "\r\n\r\n请把 Quorrel.exe 所在的整个文件夹移到路径短一些的地方（例如 D:\\Quorrel），再启动 Quorrel。";
}
inline std::string CannotOpen(std::string_view path) {
  return "账号表打不开：\r\n" + std::string(path) +
         "\r\n\r\n这个文件可能已损坏，或不是 Quorrel 的账号表。Quorrel 没有改动它，"
         "在它能打开之前账号列表是空的。\r\n\r\n"
         "请退出 Quorrel，用备份的 UserData.edb 换下它；没有备份时，把它改名留着，"
         "Quorrel 下次启动时会创建新的空账号表。";
}
inline std::string CannotCreate(std::string_view path) {
  return "无法创建账号表：\r\n" + std::string(path) +
         "\r\n\r\nQuorrel.exe 所在的文件夹不能写入（例如 Program Files 下的文件夹，或只读的盘）。"
         "请把 Quorrel.exe 移到你能写入的文件夹（例如“文档”里的一个文件夹），再启动它。";
}
inline std::string Busy(std::string_view path) {
  return "账号表正被另一个程序占用（例如杀毒、备份或同步软件）：\r\n" + std::string(path) +
         "\r\n\r\n账号表没有改动。请等一会儿再试一次。";
}
inline std::string DiskFull(std::string_view path) {
  return "磁盘已满，账号表无法写入：\r\n" + std::string(path) +
         "\r\n\r\n账号表没有改动。请在这个磁盘上腾出空间，再试一次。";
}
inline std::string WriteFailed(std::string_view path) {
  return "账号表无法写入：\r\n" + std::string(path) +
         "\r\n\r\n账号表没有改动。如果这个文件或它所在的文件夹设成了只读，"
         "请先取消只读（右键 → 属性），再试一次。";
}
inline constexpr char kNoFreePid[] =
    "账号表装不下这么多账号：可用的 PID（10000～99999）不够了。请先删除一些不用的账号。";
inline constexpr char kTooBig[] = "账号表装不下这么多账号：它最大只能有 32 MB。请先删除一些不用的账号。";

}  // namespace quorrel::store_texts
