#include "app/restart.h"

#include <string>

namespace quorrel {

Text BuildRestartBatch(int delayCount) {
  const int n = delayCount > 0 ? delayCount : 2;
  return "@echo off \r\n"
         "@ping 127.0.0.1 -n " + std::to_string(n) + " >nul\r\n"
         "start \"\" \"%" + Text(kRestartProgramVariable) + "%\"\r\n"
         "del \"%" + Text(kRestartBatchVariable) + "%\"";
}

BatchCommand RestartBatchCommand(std::string_view batchPath, std::string_view programPath,
                                 std::string_view systemFolder) {
  BatchCommand command;
  command.program = Text(systemFolder) + "\\cmd.exe";
  command.commandLine = "\"" + command.program + "\" /d /v:off /s /c \"\"%" + Text(kRestartBatchVariable) + "%\"\"";
  command.folder = Text(systemFolder);
  command.environment = {{kRestartBatchVariable, Text(batchPath)}, {kRestartProgramVariable, Text(programPath)}};
  return command;
}

}  // namespace quorrel
