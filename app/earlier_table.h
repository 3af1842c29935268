// Where an earlier version kept its files when it ran in a folder the user may not write:
// without a manifest, Windows redirected its writes to a per-user copy of the folder.
#pragma once

#include <string_view>

#include "base/text.h"

namespace quorrel {

// localAppData + "\VirtualStore" + folder without its drive ("C:\Program Files (x86)\Q" gives
// "<localAppData>\VirtualStore\Program Files (x86)\Q"); empty where nothing was redirected
// (a network path, no drive, or no local application data folder).
Text VirtualStoreFolder(std::string_view localAppData, std::string_view folder);

// The redirected copy of folder when it holds an account table; empty otherwise. In
// earlier_table_win.cpp.
Text EarlierTableFolder(const Text& folder);

}  // namespace quorrel
