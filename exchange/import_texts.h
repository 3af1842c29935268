// What the import window tells the user, in one place (UTF-8): what happened, what was kept,
// and the one next step that works. A text about a file is a head, the file's path on a line
// of its own, then a tail.
#pragma once

#include <cstddef>
#include <string>

namespace quorrel::import_texts {

inline constexpr char kTitle[] = "导入文件";
inline constexpr char kNothingImported[] = "没有导入任何账号。";

inline constexpr char kNoFile[] =
    "还没有选择要导入的文件，没有导入任何账号。\r\n\r\n"
    "请点击上面的方框选择文件，或把文件拖到这个窗口上，再点击“确定导入”。";

struct AboutFile {
  std::string head;
  std::string tail;
};

inline AboutFile Unreadable() {
  return {"这个文件无法读取（它可能已被移走、删除，或正被另一个程序占用）：",
          "没有导入任何账号。请确认文件还在，关闭占用它的程序，再点击“确定导入”。"};
}

inline AboutFile TooBig() {
  return {"这个文件太大（超过 32 MB），不是账号列表：",
          "没有导入任何账号。请选择每行一个账号的文本文件。"};
}

// The file, or its lines, did not fit in the memory the program can have.
inline AboutFile NoMemory() {
  return {"文件太大，内存不够把它读成账号：",
          "没有导入任何账号，账号表没有改动。请把文件分成几个较小的文件，再逐个导入。"};
}

inline AboutFile NoAccounts(size_t lineCount) {
  if (lineCount == 0) {
    return {"这个文件是空的，里面没有账号：",
            "没有导入任何账号。请在文件中每行写一个账号，格式为“名称----用户名----密码”，保存后再导入。"};
  }
  return {"这个文件的 " + std::to_string(lineCount) + " 行里没有可以导入的账号：",
          "每行应是一个账号，格式为“名称----用户名----密码”；含有无法保存的字符（例如表情符号）的行也不能导入。\r\n"
          "没有导入任何账号。请按这个格式修改文件，保存后再导入。"};
}

// More lines than the table has free PIDs: each line could be an account.
inline AboutFile TooManyLines(size_t freePids) {
  if (freePids == 0) {
    return {"账号表已满（10000 至 99999 的 PID 都已用完），放不下这个文件里的账号：",
            "没有导入任何账号，账号表没有改动。请先删除不再使用的账号，再导入。"};
  }
  const std::string room = std::to_string(freePids);
  return {"这个文件超过 " + room + " 行，而账号表最多还能放 " + room + " 个账号（每行算一个）：",
          "没有导入任何账号，账号表没有改动。请把文件分成每个不超过 " + room + " 行的几个文件，再逐个导入。"};
}

// After an import that stored its accounts: how many lines did not become accounts.
inline std::string Skipped(size_t imported, size_t skipped) {
  return "已导入 " + std::to_string(imported) + " 个账号，跳过了 " + std::to_string(skipped) +
         " 行：这些行不是“名称----用户名----密码”的格式，或含有无法保存的字符（例如表情符号）。";
}

}  // namespace quorrel::import_texts
