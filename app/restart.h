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

}  // namespace quorrel
