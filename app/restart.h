// The batch file that restarts the program: it waits a moment, starts the program again
// and deletes itself.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "base/text.h"

namespace quorrel {

// The variables through which cmd gets the two paths.
inline constexpr char kRestartProgramVariable[] = "QUORREL_RESTART_PROGRAM";
inline constexpr char kRestartBatchVariable[] = "QUORREL_RESTART_BATCH";

// The text of "Restart.bat", four lines joined by CR LF with no line end after the last:
//   @echo off 
//   @ping 127.0.0.1 -n <n> >nul
//   start "" "%QUORREL_RESTART_PROGRAM%"
//   del "%QUORREL_RESTART_BATCH%"
// n is delayCount when it is greater than 0, else 2 (n echo requests to the local host
// make the wait). The batch holds no path: cmd reads a batch file in the console's code
// page, which need not be the ANSI code page the paths are in, but it takes a variable's
// value from its environment as the characters the program put there. So the text is ASCII
// and reads the same in every code page, and a '%', '!' or '&' in a path is never parsed
// (a value is expanded once; delayed expansion is off, RestartBatchCommand).
Text BuildRestartBatch(int delayCount);

// How cmd is started to run the batch.
struct BatchCommand {
  Text program;      // cmd.exe in the system folder, never the program's or the current one
  Text commandLine;  // names no path but cmd's own
  Text folder;       // cmd's current folder
  // Variables cmd must inherit, with their values: the batch's path and the program's.
  std::vector<std::pair<Text, Text>> environment;
};

// cmd starts in the system folder, whatever folder the batch is in: cmd refuses a UNC current
// folder (\\server\share\...) and falls back to the Windows folder, where a bare batch name
// is not found. The batch's path reaches cmd in an environment variable, which cmd expands
// once on its command line, so a '%' in the path stays as it is; /v:off keeps a '!' as it is
// where the registry switches delayed expansion on, /d keeps the registry's AutoRun commands
// out. The quotes around the variable make the path one word whatever it holds (a space, an
// '&'); /s has cmd take away only the outer pair.
BatchCommand RestartBatchCommand(std::string_view batchPath, std::string_view programPath,
                                 std::string_view systemFolder);

}  // namespace quorrel
