// Page 0 of the main window: the account list and its toolbar.
#pragma once

#include "ui/toolkit/window_win.h"

namespace quorrel {

// Creates the five columns (once, when the main window is created).
void CreateAccountListColumns(ui::Window& main);
// Rebuilds the rows from the account table; creates the table when it is missing.
void FillAccountList();
void AccountToolbarClick(ui::Window& main, ui::EventArgs& args);
void UseAccountRow(ui::Window& main, ui::EventArgs& args);

}  // namespace quorrel
