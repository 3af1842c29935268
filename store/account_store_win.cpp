#include "store/account_store_win.h"

#include <windows.h>

#include "app/instance_win.h"
#include "app/state.h"
#include "store/activity_log_win.h"
#include "store/file_system_win.h"

namespace quorrel {

const AccountStore& AppAccountStore() {
  static Win32FileSystem fs;
  static AccountStore store = [] {
    AccountStore s;
    s.table_path = State().AccountTablePath;
    s.fs = &fs;
    s.log = [](std::string_view message) { WriteActivityLog(message); };
    s.restart = [] { RestartProgram(); };
    s.draw = TickSeededDraw([] { return static_cast<uint32_t>(GetTickCount()); });
    return s;
  }();
  return store;
}

}  // namespace quorrel
