// What start-up tells the user, in one place (UTF-8), in the words of the README's term
// table.
#pragma once

#include <string>
#include <string_view>

namespace quorrel::app_texts {

inline constexpr char kTitle[] = "Quorrel";

// No account table can be created beside Quorrel.exe; folder is the program's (UTF-8).
inline std::string FolderPathTooLong(std::string_view folder) {
  return "Quorrel.exe 所在文件夹的路径太长，无法在那里创建账号表：\r\n" + std::string(folder) +
         "\r\n\r\n请把 Quorrel.exe 移到路径短一些的文件夹（例如 D:\\Quorrel），再启动它。";
}
inline std::string FolderNotWritable(std::string_view folder) {
  return "无法在这个文件夹里创建账号表：\r\n" + std::string(folder) +
         "\r\n\r\nQuorrel 把账号保存在 Quorrel.exe 所在的文件夹里，而这个文件夹不能写入"
         "（例如 Program Files 下的文件夹，或只读的盘）。\r\n"
         "请把 Quorrel.exe 移到你能写入的文件夹（例如“文档”里的一个文件夹），再启动它。";
}

// A second start while a copy runs.
inline constexpr char kRunningWithoutAdministrator[] =
    "Quorrel 已经在运行，但不是以管理员身份运行的，所以这次没有再打开一个。\r\n\r\n"
    "要以管理员身份运行：先点正在运行的 Quorrel 主窗口左侧最下面的退出按钮，"
    "再右键单击 Quorrel.exe，选“以管理员身份运行”。";
inline constexpr char kRunningOutOfReach[] =
    "Quorrel 已经在运行，但无法把它的窗口调到前面（它可能是以管理员身份运行的）。\r\n\r\n"
    "请单击或双击任务栏右下角通知区域里的 Quorrel 图标，把它的主窗口调出来。";

}  // namespace quorrel::app_texts
