// What start-up tells the user, in one place (UTF-8), in the words of the README's term
// table.
#pragma once

#include <string>
#include <string_view>

namespace quorrel::app_texts {

inline constexpr char kTitle[] = "Quorrel";

// No account table can be created beside Quorrel.exe; folder is the program's (UTF-8). The
// program ends once the message is answered.
inline std::string FolderPathTooLong(std::string_view folder) {
  return "Quorrel.exe 所在文件夹的路径太长，无法在那里创建账号表：\r\n" + std::string(folder) +
         "\r\n\r\n点“确定”后 Quorrel 会退出。请把 Quorrel.exe 所在的整个文件夹移到路径短一些的地方"
         "（例如 D:\\Quorrel），再打开 Quorrel.exe。";
}
// earlierFolder: where Windows kept the files of an earlier version run in this folder
// without administrator rights (it redirected its writes there), when a table is there.
inline std::string FolderNotWritable(std::string_view folder, std::string_view earlierFolder = {}) {
  std::string text = "无法在这个文件夹里创建账号表：\r\n" + std::string(folder) +
                     "\r\n\r\nQuorrel 把账号保存在 Quorrel.exe 所在的文件夹里，而这个文件夹不让你写入"
                     "（例如 Program Files 下的文件夹，或只读的盘）。点“确定”后 Quorrel 会退出。\r\n\r\n"
                     "请把 Quorrel.exe 复制到你能写入的文件夹（例如“文档”里新建的一个文件夹），再从那里打开它。";
  if (!earlierFolder.empty())
    text += "\r\n\r\n以前在这里用过的 Quorrel 把账号表存在了这个文件夹里：\r\n" + std::string(earlierFolder) +
            "\r\n请把其中的 UserData.edb 和 Config.ini 也复制到新文件夹，账号就都在。";
  return text;
}

// A second start while a copy runs: only one copy runs at a time.
inline constexpr char kRunningWithoutAdministrator[] =
    "Quorrel 已经在运行（不是以管理员身份运行的），同时只能运行一个 Quorrel，所以这次没有打开。\r\n\r\n"
    "要以管理员身份运行：先点正在运行的 Quorrel 主窗口左侧最下面的退出按钮（电源图标），"
    "再右键单击 Quorrel.exe，选“以管理员身份运行”。";
inline constexpr char kRunningOutOfReach[] =
    "Quorrel 已经在运行（可能是以管理员身份运行的），同时只能运行一个 Quorrel，所以这次没有打开，"
    "也没能把正在运行的那个调到前面。\r\n\r\n"
    "请在任务栏右下角的通知区域找到 Quorrel 的图标（紫色圆形，里面有一把白色钥匙；鼠标停在上面会显示“Quorrel”），"
    "单击或双击它。看不到这个图标时，先点通知区域左边的“^”，显示隐藏的图标。";

}  // namespace quorrel::app_texts
