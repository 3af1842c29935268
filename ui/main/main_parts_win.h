// What the main window's files share: its controls, its own state and the operations its
// pages and children use. Not for other folders: they get what they need from the opener.
#pragma once

#include <windows.h>

#include <array>
#include <future>
#include <string_view>
#include <vector>

#include "base/handles_win.h"
#include "base/text.h"
#include "ui/main/account_search.h"
#include "ui/main/main_window_win.h"
#include "ui/main/tray_win.h"
#include "ui/toolkit/window_win.h"

namespace quorrel::mainwin {

// The controls, one per row of the layout table, in order.
enum Control : int {
  kFrame,
  kLogo,
  kTitle,
  kMenu,
  kPanel,
  kList,
  kAccountBar,
  // Page 1, the settings: six group boxes, each with a label and a bar.
  kAssocGroup,
  kAssocLabel,
  kAssocBar,
  kHotkeyGroup,
  kHotkeyLabel,
  kHotkeyBar,
  kImportGroup,
  kImportLabel,
  kImportBar,
  kPinGroup,
  kPinLabel,
  kPinSwitch,
  kPinSetButton,
  kTrayGroup,
  kTrayLabel,
  kTraySwitch,
  kLawsGroup,
  kLawsLabel,
  kLawsSwitch,
  // Page 2, the about page.
  kAboutLogo,
  kAboutName,
  kAboutVersion,
  kAboutText,
  kAboutBar,
  kAboutPicture,
  kOverlay,
  kControlCount
};

// The menu strip's buttons.
enum MenuButton : int {
  kMenuAccounts = 0,  // pages 0-2
  kMenuSettings = 1,
  kMenuAbout = 2,
  kMenuSpacer = 3,    // empty, does nothing
  kMenuTray = 4,
  kMenuExit = 5,
  kMenuButtonCount
};

// The account toolbar's buttons; "查看" is hidden and has no action.
enum AccountAction : int { kAdd = 0, kView = 1, kDelete = 2, kExport = 3, kRefresh = 4 };

// The settings page's bars: the association's two actions, and the two sides of a switch.
enum AssociationAction : int { kRemoveAssociation = 0, kSetAssociation = 1 };
enum SwitchSide : int { kSwitchOn = 0, kSwitchOff = 1 };

// The about page's buttons.
enum AboutAction : int { kAboutForum = 0, kAboutFeedback = 1, kAboutWeChat = 2, kAboutAlipay = 3 };

// One row of the account list, as the list shows it. Its texts lie in the block of texts
// read with it (thousands of rows, no allocation each), which lives as long as the rows.
struct AccountRow {
  std::string_view pid;
  std::string_view name;
  std::string_view user;
  bool masked = true;
  size_t passwordBytes = 0;  // a masked row shows one "●" per byte and keeps no password
  SecretText password;       // plain rows only
};

// What one read of the table gives the list.
struct AccountListRead {
  TableOutcome outcome = TableOutcome::kCannotOpen;
  bool masked = true;  // the rows keep no password
  std::vector<AccountRow> rows;
  std::vector<char> texts;  // the rows' texts; moved with them, it keeps its place
};

// The main window's own state, created and freed with it.
struct MainWindow : ui::WindowState {
  explicit MainWindow(MainWindowArgs a) : args(std::move(a)) {}
  MainWindowArgs args;
  // Menu strip pictures by button index, each decoded when first shown; the spacer has none.
  std::array<UniqueBitmap, kMenuButtonCount> picturesNormal;
  std::array<UniqueBitmap, kMenuButtonCount> picturesActive;
  UniqueBitmap logo;          // the caption's and the about page's
  UniqueBitmap gear;          // the startup password's set button
  UniqueBitmap aboutPicture;  // shown below the about page's buttons
  TrayIcon tray;
  HWND inputWindow = nullptr;  // the input window opened from the list, while it is open
  std::vector<AccountRow> rows;  // what the account list shows, in table order
  std::vector<char> rowTexts;    // where the rows' texts lie
  // The start's read of the table, made on a thread of its own while the window is being
  // made; the list's first fill takes it.
  std::future<AccountListRead> firstRead;
  bool toldTableProblem = false;  // a table that does not open is told once per start
  AccountSearch search;           // the rows as typing finds them, made at the first key after a fill
  bool searchMade = false;
  TypeAhead typeAhead;
};

inline MainWindow& StateOf(ui::Window& w) { return w.State<MainWindow>(); }

// The menu strip's action for a button (pages, tray, exit; others nothing).
void SelectMenuButton(ui::Window& w, int index);
// Dims the whole window while a modal child is open, and takes the dimming away.
void ShowBlurOverlay(ui::Window& w);
void HideBlurOverlay(ui::Window& w);
// Runs action on the main window if it still exists (for callbacks given to children).
void WithMainWindow(HWND main, void (*action)(ui::Window&));

// The account list page.
void CreateAccountListColumns(ui::Window& w);
// Starts the read of the table that the list's first fill takes; before the window is made,
// which takes no other table operation until then.
void StartFirstAccountRead(MainWindow& s);
void FillAccountList(ui::Window& w);
// Posted when a fill found the table busy or unopenable (wparam: the TableOutcome); its
// handler tells the user once the window is in sight.
inline constexpr UINT kTellTableProblem = WM_APP + 1;
void TellTableProblem(ui::Window& w, ui::EventArgs& args);
// Posted when no table could be put in place; the program decides what happens.
inline constexpr UINT kTableCannotBeCreated = WM_APP + 2;
void AnswerTableCannotBeCreated(ui::Window& w, ui::EventArgs& args);
// The list's request for a cell's text (WM_NOTIFY, LVN_GETDISPINFOW).
void ListCellRequest(ui::Window& w, ui::EventArgs& args);
void AccountToolbarClick(ui::Window& w, ui::EventArgs& args);
void UseAccountRow(ui::Window& w, ui::EventArgs& args);
// The input window opened from the list is gone: the window comes back from the tray.
void InputWindowClosed(ui::Window& w);
// Typing in the list selects the row it finds; the search is made anew after every fill, when
// the first key is typed (thousands of rows take milliseconds the start need not wait for).
void StartFindingByTyping(ui::Window& w);

// The settings page.
// Loads the set button's picture and shows the stored choices on the three switches.
void SetUpSettingsPage(ui::Window& w);
void AssociationClick(ui::Window& w, ui::EventArgs& args);
void HotkeyClick(ui::Window& w, ui::EventArgs& args);
void ImportClick(ui::Window& w, ui::EventArgs& args);
void PinSwitchClick(ui::Window& w, ui::EventArgs& args);
void PinSetClick(ui::Window& w, ui::EventArgs& args);
void TraySwitchClick(ui::Window& w, ui::EventArgs& args);
void LawsSwitchClick(ui::Window& w, ui::EventArgs& args);

// The about page: the logo and the first picture.
void SetUpAboutPage(ui::Window& w);
void AboutClick(ui::Window& w, ui::EventArgs& args);

// The tray (the icon lives in the window's state).
void HideToTray(ui::Window& w);
void RestoreFromTray(ui::Window& w);

// A second start asks this copy to come to the front (kComeForwardMessageName).
bool IsComeForwardMessage(UINT message);
void ComeForward(ui::Window& w, ui::EventArgs& args);

}  // namespace quorrel::mainwin
