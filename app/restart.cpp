#include "app/restart.h"

#include <string>

namespace quorrel {
namespace {

constexpr std::string_view kTemplate =
    "@echo off \r\n"
    "@ping 127.0.0.1 -n 秒数 >nul\r\n"
    "start \"\" \"<文件名>\"\r\n"
    "del \"<批处理>\"";

constexpr std::string_view kPathHole = "<文件名>";
constexpr std::string_view kDelayHole = "秒数";
constexpr std::string_view kBatchHole = "<批处理>";

void ReplaceFirst(Text& s, std::string_view from, std::string_view to) {
  size_t at = s.find(from);
  if (at != Text::npos) s.replace(at, from.size(), to);
}

Text EscapePercent(std::string_view path) {
  Text out;
  out.reserve(path.size());
  for (char c : path) {
    out += c;
    if (c == '%') out += '%';  // GBK trail bytes are 0x40 or above, so '%' is always itself
  }
  return out;
}

}  // namespace

Text BuildRestartBatch(std::string_view programPath, int delayCount, std::string_view batchPath) {
  int n = delayCount > 0 ? delayCount : 2;
  Text batch(kTemplate);
  // The delay hole sits in line 2, before the path: the first match after the path went
  // in is still the template's own, whatever the path holds.
  ReplaceFirst(batch, kPathHole, EscapePercent(programPath));
  ReplaceFirst(batch, kDelayHole, std::to_string(n));
  // The last hole: whatever the two paths hold comes before it.
  const size_t last = batch.rfind(kBatchHole);
  batch.replace(last, kBatchHole.size(), EscapePercent(batchPath));
  return batch;
}

BatchCommand RestartBatchCommand(std::string_view batchPath, std::string_view systemFolder) {
  BatchCommand command;
  command.program = Text(systemFolder) + "\\cmd.exe";
  command.variable = "QUORREL_RESTART_BATCH";
  command.commandLine = "\"" + command.program + "\" /d /v:off /s /c \"\"%" + command.variable + "%\"\"";
  command.folder = Text(systemFolder);
  command.value = Text(batchPath);
  return command;
}

}  // namespace quorrel
