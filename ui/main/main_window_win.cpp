#include "ui/main/main_window_win.h"

#include "app/instance_win.h"
#include "app/state.h"
#include "res/resource.h"
#include "ui/main/account_list_win.h"
#include "ui/main/tray_win.h"
#include "ui/toolkit/controls_win.h"
#include "ui/toolkit/picture_win.h"

namespace quorrel {
namespace {

constexpr char kMenu[] = "主菜单";
constexpr char kPanel[] = "功能面板";
constexpr char kOverlay[] = "模糊";
constexpr char kTitle[] = "主界面标题";
constexpr int kMenuButtons = 6;
constexpr const char* kPageTitles[] = {"账号列表", "软件设定", "其他说明"};

HWND g_main = nullptr;
UniqueBitmap g_logo;

ui::Window* Main() { return ui::Window::FromHwnd(g_main); }

void ShowMenuPicture(int index, bool active) {
  ui::Window* w = Main();
  if (!w || index < 0 || index >= kMenuButtons) return;
  const auto& set = active ? State().MenuPicturesActive : State().MenuPicturesNormal;
  ui::BarSetPicture(w->Control(kMenu), index, static_cast<HBITMAP>(set[static_cast<size_t>(index)]));
}

void LoadMenuPictures() {
  ProcessState& s = State();
  for (int i : {0, 1, 2, 4, 5}) {
    s.MenuPicturesActive[static_cast<size_t>(i)] = LoadPngResource(IDR_MENU_ACTIVE_BASE + i).release();
    s.MenuPicturesNormal[static_cast<size_t>(i)] = LoadPngResource(IDR_MENU_NORMAL_BASE + i).release();
  }
}

void OnCreated(ui::Window& w, ui::EventArgs&) {
  g_main = w.hwnd();
  EnsureSingleInstance();  // a second instance ends here
  LoadMenuPictures();
  g_logo = LoadPngResource(IDR_LOGO_PNG);
  ui::PictureSet(w.Control("主界面_LOGO"), g_logo.get());
  for (int i = 0; i < kMenuButtons; ++i) ShowMenuPicture(i, false);
  ui::BarShowButton(w.Control(kMenu), 3, true);
  SelectMenuButton(0);
  CreateAccountListColumns(w);
  ui::BarShowButton(w.Control("账号操作"), 1, false);  // "查看" has no action
  FillAccountList();
}

void OnDestroying(ui::Window&, ui::EventArgs&) {
  RemoveTrayIcon();
  g_main = nullptr;
}

void OnMenuClicked(ui::Window&, ui::EventArgs& args) { SelectMenuButton(args.index); }

void OnMenuEnter(ui::Window&, ui::EventArgs& args) { ShowMenuPicture(args.index, true); }

void OnMenuLeave(ui::Window& w, ui::EventArgs& args) {
  // The checked (current page) button keeps its active picture.
  if (!ui::BarIsChecked(w.Control(kMenu), args.index)) ShowMenuPicture(args.index, false);
}

void OnPanelPressed(ui::Window& w, ui::EventArgs&) {
  // Dragging the panel moves the window as if its caption were dragged.
  ReleaseCapture();
  SendMessageW(w.hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void OnTrayMessage(ui::Window&, ui::EventArgs& args) {
  OnTrayNotification(args.lparam);
  args.handled = true;
}

void OnOtherMessage(ui::Window&, ui::EventArgs& args) {
  if (IsTaskbarCreatedMessage(args.message)) RestoreTrayIconAfterShellRestart();
}

const ui::ControlSpec kControls[] = {
    {"主界面_UI", ui::ControlKind::Frame, 4, 4, 24, 24},
    {"主界面_LOGO", ui::ControlKind::Picture, 15, 15, 30, 30},
    {kTitle, ui::ControlKind::Label, 65, 13, 128, 20, "账号列表"},
    {kMenu, ui::ControlKind::Toolbar, 5, 55, 50, 440, "", nullptr, -1, {"", "", "", "", "", ""}, 0, true},
    {kPanel, ui::ControlKind::TabPanel, 55, 30, 420, 465},
    {"账号列表", ui::ControlKind::List, 10, 10, 400, 410, "", kPanel, 0},
    {"账号操作", ui::ControlKind::Toolbar, 175, 430, 235, 25, "", kPanel, 0,
     {"添加", "查看", "删除", "导出", "刷新"}},
    {kOverlay, ui::ControlKind::Overlay, 448, 0, 24, 24},
};

const ui::HandlerSpec kHandlers[] = {
    {"", ui::Event::Created, OnCreated},
    {"", ui::Event::Destroying, OnDestroying},
    {"", ui::Event::Message, OnTrayMessage, WM_APP_TRAY},
    {"", ui::Event::Message, OnOtherMessage, 0},
    {kMenu, ui::Event::Clicked, OnMenuClicked},
    {kMenu, ui::Event::MouseEnter, OnMenuEnter},
    {kMenu, ui::Event::MouseLeave, OnMenuLeave},
    {kPanel, ui::Event::LeftButtonDown, OnPanelPressed},
    {"账号操作", ui::Event::Clicked, AccountToolbarClick},
    {"账号列表", ui::Event::RowActivated, UseAccountRow},
};

}  // namespace

HWND OpenMainWindow() {
  ui::WindowSpec spec{"Quorrel Ver 2.62", 480, 500, kControls, kHandlers};
  spec.captionHeight = 0;  // the layout carries its own logo and title
  spec.x = 50;
  spec.y = 50;
  ui::Window* w = ui::Window::Create(spec, nullptr);
  return w ? w->hwnd() : nullptr;
}

HWND MainWindowHandle() { return g_main; }

void SelectMenuButton(int index) {
  ui::Window* w = Main();
  if (!w) return;
  HWND menu = w->Control(kMenu);
  if (index >= 0 && index <= 2) {
    for (int i = 0; i <= 2; ++i) {
      ShowMenuPicture(i, false);
      ui::BarSetChecked(menu, i, false);
    }
    ui::BarSetChecked(menu, index, true);
    ShowMenuPicture(index, true);
    w->SelectPage(kPanel, index);
    w->SetCaption(kTitle, kPageTitles[index]);
  } else if (index == 4) {
    HideToTray();
  } else if (index == 5) {
    TerminateProcessById();  // ends at once: nothing is saved, no window is told
  }
}

void ShowBlurOverlay() {
  ui::Window* w = Main();
  if (!w) return;
  HWND overlay = w->Control(kOverlay);
  RECT client;
  GetClientRect(w->hwnd(), &client);
  ui::OverlayCapture(overlay);
  SetWindowPos(overlay, HWND_TOP, 0, 0, client.right, client.bottom, SWP_SHOWWINDOW);
}

void HideBlurOverlay() {
  ui::Window* w = Main();
  if (!w) return;
  HWND overlay = w->Control(kOverlay);
  SetWindowPos(overlay, nullptr, w->Scale(-15), w->Scale(-15), w->Scale(15), w->Scale(15),
               SWP_NOZORDER | SWP_HIDEWINDOW);
}

}  // namespace quorrel
