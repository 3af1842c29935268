// The batch file that restarts the program: it waits a moment, starts the program again
// and deletes itself.
#pragma once

#include <string_view>

#include "base/text.h"

namespace quorrel {

// The text of "Restart.bat", four lines joined by CR LF with no line end after the last:
//   @echo off 
//   @ping 127.0.0.1 -n <n> >nul
//   start "" "<programPath>"
//   del "<batchPath>"
// n is delayCount when it is greater than 0, else 2 (n echo requests to the local host
// make the wait). The paths are taken as given (the caller passes the program's short form
// when there is one), except that each '%' is doubled: cmd would otherwise read it as the
// start of a variable and start or delete a wrong path. The batch deletes itself by its own
// full path, wherever cmd's current folder is. Every other byte of the result is ASCII, so
// the text is valid in the ANSI code page whatever bytes the paths hold.
Text BuildRestartBatch(std::string_view programPath, int delayCount, std::string_view batchPath);

// How cmd is started to run the batch.
struct BatchCommand {
  Text program;      // cmd.exe in the system folder, never the program's or the current one
  Text commandLine;  // names no path but cmd's own
  Text folder;       // cmd's current folder
  Text variable;     // an environment variable cmd must inherit ...
  Text value;        // ... holding this: the batch's path
};

// cmd starts in the system folder, whatever folder the batch is in: cmd refuses a UNC current
// folder (\\server\share\...) and falls back to the Windows folder, where a bare batch name
// is not found. The batch's path reaches cmd in an environment variable, which cmd expands
// once on its command line, so a '%' in the path stays as it is; /v:off keeps a '!' as it is
// where the registry switches delayed expansion on, /d keeps the registry's AutoRun commands
// out. The quotes around the variable make the path one word whatever it holds (a space, an
// '&'); /s has cmd take away only the outer pair.
BatchCommand RestartBatchCommand(std::string_view batchPath, std::string_view systemFolder);

}  // namespace quorrel
