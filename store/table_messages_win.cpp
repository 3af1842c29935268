#include "store/table_messages_win.h"

#include "base/encoding_win.h"

namespace quorrel {

std::wstring TableOutcomeText(TableOutcome outcome, const Text& tablePath) {
  const std::wstring path = AnsiToWide(tablePath);
  // A path at the system's limit leaves no room for the table's temporary file.
  if (outcome != TableOutcome::kBusy && outcome != TableOutcome::kNoFreePid && outcome != TableOutcome::kTooBig &&
      tablePath.size() >= MAX_PATH) {
    return Utf8ToWide("程序所在文件夹的路径太长，账号表无法打开或建立：\r\n") + path +
           Utf8ToWide("\r\n\r\n请把 Quorrel.exe 移到路径较短的文件夹后再启动。");
  }
  switch (outcome) {
    case TableOutcome::kOpened:
    case TableOutcome::kCreated:
    case TableOutcome::kRecovered:
    case TableOutcome::kPresent:
      return {};
    case TableOutcome::kCannotOpen:
      return Utf8ToWide("账号表文件无法打开：\r\n") + path +
             Utf8ToWide("\r\n\r\n它可能已损坏，或不是本程序的账号表。该文件保持原样，程序没有改动它。\r\n"
                        "在它能够打开之前，账号列表为空，也不能添加账号。");
    case TableOutcome::kCannotCreate:
      return Utf8ToWide("无法在这个文件夹中建立账号表：\r\n") + path;
    case TableOutcome::kBusy:
      return Utf8ToWide("账号表正被另一个程序占用（例如杀毒软件、备份或同步工具）：\r\n") + path +
             Utf8ToWide("\r\n\r\n账号表保持原样。请稍后再试一次。");
    case TableOutcome::kDiskFull:
      return Utf8ToWide("磁盘已满，账号表无法写入：\r\n") + path +
             Utf8ToWide("\r\n\r\n账号表保持原样。请在这个磁盘上腾出空间后再试一次。");
    case TableOutcome::kWriteFailed:
      return Utf8ToWide("账号表无法写入：\r\n") + path + Utf8ToWide("\r\n\r\n账号表保持原样。请稍后再试一次。");
    case TableOutcome::kNoFreePid:
      return Utf8ToWide("可用的 PID（10000 至 99999）不够了：账号表已经装不下更多账号。");
    case TableOutcome::kTooBig:
      return Utf8ToWide("账号表将超过它的大小上限（32 MB），装不下这么多账号。");
  }
  return {};
}

void TellTableOutcome(HWND owner, const char* titleUtf8, std::string_view whatFailedUtf8, TableOutcome outcome,
                      const Text& tablePath) {
  const std::wstring why = TableOutcomeText(outcome, tablePath);
  if (why.empty()) return;
  const std::wstring text = Utf8ToWide(whatFailedUtf8) + L"\r\n\r\n" + why;
  MessageBoxW(owner, text.c_str(), Utf8ToWide(titleUtf8).c_str(), MB_OK | MB_ICONWARNING);
}

}  // namespace quorrel
