// What the import window tells the user, in one place (UTF-8): what happened, what was kept,
// and the one next step that works. A text about a file is a head, the file's path on a line
// of its own, then a tail.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

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
          "没有导入任何账号。请选择每行一个账号的文本文件，或浏览器、密码管理器导出的 CSV 文件。"};
}

// The file, or its accounts, did not fit in the memory the program can have.
inline AboutFile NoMemory() {
  return {"这个文件太大，程序没有足够的内存读取其中的账号：",
          "没有导入任何账号，账号表没有改动。请把文件分成几个较小的文件，再逐个导入。"};
}

inline AboutFile NoAccounts(size_t lineCount, bool csv) {
  if (lineCount == 0) {
    return {"这个文件是空的，里面没有账号：",
            "没有导入任何账号。请在文件中每行写一个账号，格式为“名称----用户名----密码”，保存后再导入。"};
  }
  if (csv) {
    return {"这个 CSV 文件的 " + std::to_string(lineCount) + " 行里没有可以导入的账号：",
            "每个账号都要有密码；含有无法保存的字符（例如表情符号）的账号也不能导入。\r\n"
            "没有导入任何账号。请在浏览器或密码管理器中重新导出密码，再导入。"};
  }
  return {"这个文件的 " + std::to_string(lineCount) + " 行里没有可以导入的账号：",
          "每行应是一个账号，格式为“名称----用户名----密码”；含有无法保存的字符（例如表情符号）的行也不能导入。\r\n"
          "没有导入任何账号。请按这个格式修改文件，保存后再导入。"};
}

// A CSV file whose first line names no user-name or password column; columns as they are
// written there (UTF-8).
inline AboutFile NoColumns(const std::vector<std::string>& columns) {
  std::string found;
  for (const std::string& c : columns) found += (found.empty() ? "" : "、") + c;
  return {"这个 CSV 文件的第一行没有用户名列或密码列，无法导入：",
          "第一行的列：" + found + "\r\n\r\n"
          "没有导入任何账号。请选择浏览器或密码管理器导出的密码文件；自己做的文件，"
          "第一行请写成 name,url,username,password（或“名称,网址,用户名,密码”），再导入。"};
}

// More accounts than the table has room for (it holds 90000 at most).
inline AboutFile TooManyAccounts(size_t accounts, size_t room) {
  if (room == 0) {
    return {"账号表已满（最多 90000 个账号），放不下这个文件里的账号：",
            "没有导入任何账号，账号表没有改动。请先删除不再使用的账号，再导入。"};
  }
  return {"这个文件有 " + std::to_string(accounts) + " 个账号，而账号表只能再放 " + std::to_string(room) +
              " 个（最多 90000 个账号）：",
          "没有导入任何账号，账号表没有改动。请先删除至少 " + std::to_string(accounts - room) +
              " 个不再使用的账号，或在文件中只留下要导入的账号，再导入。"};
}

// Where the accounts came from, for the message after an import (UTF-8).
inline constexpr char kFromLines[] = "文本文件";
inline constexpr char kFromCsv[] = "CSV 文件";
inline constexpr char kFromBrowser[] = "浏览器（Chrome、Edge、360、QQ 等）导出的 CSV 文件";
// "<program> 导出的 CSV 文件" for the password managers, by the program's name.
inline std::string FromExportOf(const char* program) { return std::string(program) + " 导出的 CSV 文件"; }

struct Done {
  size_t imported = 0;
  std::string from;          // kFromLines, kFromCsv, kFromBrowser or FromExportOf
  bool csv = false;
  size_t notAccounts = 0;    // lines not in the format; records without a password
  size_t unstorable = 0;
  std::string readAs;        // a file without a mark holding 汉字: "GBK" or "UTF-8"; else empty
  std::string sample;        // a name as read (UTF-8), when there is one
};

// After an import that stored its accounts: how many from which file, what was skipped and
// why, and for a file that does not say its encoding, how it was read.
inline std::string Imported(const Done& d) {
  const bool latin = !d.from.empty() && static_cast<unsigned char>(d.from[0]) < 0x80;
  std::string text = "已从" + std::string(latin ? " " : "") + d.from + "导入 " + std::to_string(d.imported) + " 个账号。";
  const std::string notAccount = d.csv ? "没有密码" : "不是“名称----用户名----密码”的格式";
  const std::string unstorable = "含有无法保存的字符（例如表情符号）";
  const size_t skipped = d.notAccounts + d.unstorable;
  if (skipped != 0) {
    text += "\r\n\r\n跳过了 " + std::to_string(skipped) + " 行";
    if (d.notAccounts != 0 && d.unstorable != 0) {
      text += "：" + std::to_string(d.notAccounts) + " 行" + notAccount + "，" + std::to_string(d.unstorable) + " 行" +
              unstorable + "。";
    } else {
      text += "，这些行" + (d.notAccounts != 0 ? notAccount : unstorable) + "。";
    }
  }
  if (!d.readAs.empty()) {
    const bool gbk = d.readAs == "GBK";
    text += "\r\n\r\n文件里的汉字是按 " + d.readAs + " 读取的" + (d.sample.empty() ? "" : "（例如“" + d.sample + "”）") +
            "。如果导入的名称是乱码，请删除这次导入的账号，在记事本中把文件另存为“" +
            (gbk ? "带有 BOM 的 UTF-8" : "ANSI") + "”，再导入。";
  }
  return text;
}

}  // namespace quorrel::import_texts
