#include "store/account_store_win.h"

#include <windows.h>

#include "store/activity_log_win.h"
#include "store/file_system_win.h"

namespace quorrel {

AccountStore MakeAccountStore(const Text& runDirectory) {
  static Win32FileSystem fs;  // holds nothing but its retry policy
  AccountStore s;
  s.table_path = runDirectory + "\\" + kAccountTableFileName;
  s.fs = &fs;
  s.log = [runDirectory](std::string_view message) { WriteActivityLog(runDirectory, message); };
  s.draw = ProcessDraw();
  return s;
}

}  // namespace quorrel
