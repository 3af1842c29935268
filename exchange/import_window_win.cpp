#include "exchange/import_window_win.h"

namespace quorrel {

void OpenImportWindow(HWND, ImportWindowArgs args) {
  if (args.onClosed) args.onClosed();
}

}  // namespace quorrel
