#include "ui/main/main_window_win.h"

#include <commctrl.h>

#include "base/milestones.h"
#include "base/report.h"
#include "res/resource.h"
#include "ui/main/main_texts.h"
#include "ui/main/main_parts_win.h"
#include "ui/toolkit/controls_win.h"
#include "ui/toolkit/picture_win.h"

namespace quorrel::mainwin {
namespace {

constexpr const char* kPageTitles[] = {"账号列表", "软件设定", "其他说明"};

// A menu picture is decoded when first shown: the first paint shows the current page's button
// active and the others normal, so the rest wait for the mouse.
void ShowMenuPicture(ui::Window& w, int index, bool active) {
  if (index < 0 || index >= kMenuButtonCount || index == kMenuSpacer) return;
  UniqueBitmap& picture = (active ? StateOf(w).picturesActive : StateOf(w).picturesNormal)[static_cast<size_t>(index)];
  if (!picture) {
    // A picture that fails to load leaves its button without one.
    picture = LoadPngResource((active ? IDR_MENU_ACTIVE_BASE : IDR_MENU_NORMAL_BASE) + index);
    ReportIf(!picture);
  }
  ui::BarSetPicture(w.Control(kMenu), index, picture.get());
}

void OnCreated(ui::Window& w, ui::EventArgs&) {
  Milestone("window created");
  MainWindow& s = StateOf(w);
  s.logo = LoadPngResource(IDR_LOGO_PNG);
  ui::PictureSet(w.Control(kLogo), s.logo.get());
  Milestone("logo");
  for (int i : {kMenuTray, kMenuExit}) ShowMenuPicture(w, i, false);
  ui::BarShowButton(w.Control(kMenu), kMenuSpacer, true);
  SelectMenuButton(w, kMenuAccounts);  // the page buttons' pictures
  Milestone("menu pictures");
  CreateAccountListColumns(w);
  Milestone("list columns");
  StartFindingByTyping(w);
  Milestone("typing search ready");
  ui::BarShowButton(w.Control(kAccountBar), kView, false);  // "查看" has no action
  FillAccountList(w);
}

// The settings and about pages are made when first shown.
void OnPageMade(ui::Window& w, ui::EventArgs& args) {
  if (args.index == kMenuSettings) SetUpSettingsPage(w);
  if (args.index == kMenuAbout) SetUpAboutPage(w);
}

void OnDestroying(ui::Window& w, ui::EventArgs&) { StateOf(w).tray.Remove(); }

void OnMenuClicked(ui::Window& w, ui::EventArgs& args) { SelectMenuButton(w, args.index); }

void OnMenuEnter(ui::Window& w, ui::EventArgs& args) { ShowMenuPicture(w, args.index, true); }

void OnMenuLeave(ui::Window& w, ui::EventArgs& args) {
  // The checked (current page) button keeps its active picture.
  if (!ui::BarIsChecked(w.Control(kMenu), args.index)) ShowMenuPicture(w, args.index, false);
}

void OnPanelPressed(ui::Window& w, ui::EventArgs&) {
  // Dragging the panel moves the window as if its caption were dragged.
  ReleaseCapture();
  SendMessageW(w.hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void OnTrayMessage(ui::Window& w, ui::EventArgs& args) {
  args.handled = true;
  // Read afresh at every click: the settings page may have switched it.
  if (IsRestoringClick(args.lparam, StateOf(w).args.settings.TrayRestoreClick())) RestoreFromTray(w);
}

void OnOtherMessage(ui::Window& w, ui::EventArgs& args) {
  if (IsTaskbarCreatedMessage(args.message)) StateOf(w).tray.AfterShellRestart();
  if (IsComeForwardMessage(args.message)) ComeForward(w, args);
}

const ui::ControlSpec kControls[] = {
    ui::Frame(kFrame, "主界面_UI", {4, 4, 24, 24}),
    ui::Picture(kLogo, "主界面_LOGO", {15, 15, 30, 30}),
    ui::Label(kTitle, "主界面标题", {65, 13, 128, 20}, "账号列表"),
    ui::Bar(kMenu, "主菜单", {5, 55, 50, 440}, {"", "", "", "", "", ""}, {.vertical = true}),
    ui::TabPanel(kPanel, "功能面板", {55, 30, 420, 465}),
    ui::List(kList, "账号列表", {10, 10, 400, 410}, {.parent = kPanel, .page = 0, .style = LVS_OWNERDATA}),
    ui::Bar(kAccountBar, "账号操作", {175, 430, 235, 25}, {"添加", "查看", "删除", "导出", "刷新"},
            {.parent = kPanel, .page = 0}),
    // Page 1: each group box holds a label and a bar, placed within the box.
    ui::GroupBox(kAssocGroup, "设定_文件关联_分组", {10, 10, 400, 45}, {.parent = kPanel, .page = 1}),
    ui::Label(kAssocLabel, "设定_文件关联_标签", {10, 12, 240, 20}, ".Pw 文件关联", {.parent = kAssocGroup}),
    ui::Bar(kAssocBar, "设定_文件关联", {265, 10, 125, 25}, {"取消关联", "设置关联"}, {.parent = kAssocGroup}),
    ui::GroupBox(kHotkeyGroup, "设定_快捷键_分组", {10, 65, 400, 45}, {.parent = kPanel, .page = 1}),
    ui::Label(kHotkeyLabel, "设定_快捷键_标签", {10, 12, 240, 20}, "自定义快捷键", {.parent = kHotkeyGroup}),
    ui::Bar(kHotkeyBar, "设定_快捷键", {330, 10, 60, 25}, {"点击设置"}, {.parent = kHotkeyGroup}),
    ui::GroupBox(kImportGroup, "设定_导入导出_分组", {10, 120, 400, 45}, {.parent = kPanel, .page = 1}),
    ui::Label(kImportLabel, "设定_导入导出_标签", {10, 12, 240, 20}, "导入账号数据", {.parent = kImportGroup}),
    ui::Bar(kImportBar, "设定_导入导出", {330, 10, 60, 25}, {"开始导入"}, {.parent = kImportGroup}),
    ui::GroupBox(kPinGroup, "设定_启动密码_分组", {10, 175, 400, 45}, {.parent = kPanel, .page = 1}),
    ui::Label(kPinLabel, "设定_启动密码_标签", {10, 12, 240, 20}, "软件启动密码", {.parent = kPinGroup}),
    ui::Bar(kPinSwitch, "设定_启动密码", {295, 10, 95, 25}, {"开启", "关闭"}, {.parent = kPinGroup}),
    ui::Bar(kPinSetButton, "设定_启动密码_设置", {263, 10, 25, 25}, {""}, {.parent = kPinGroup}),
    ui::GroupBox(kTrayGroup, "设定_托盘载入_分组", {10, 230, 400, 45}, {.parent = kPanel, .page = 1}),
    ui::Label(kTrayLabel, "设定_托盘载入_标签", {10, 12, 240, 20}, "托盘载入方式", {.parent = kTrayGroup}),
    ui::Bar(kTraySwitch, "设定_托盘载入", {295, 10, 95, 25}, {"单击", "双击"}, {.parent = kTrayGroup}),
    ui::GroupBox(kLawsGroup, "设定_显示明文_分组", {10, 285, 400, 45}, {.parent = kPanel, .page = 1}),
    ui::Label(kLawsLabel, "设定_显示明文_标签", {10, 12, 240, 20}, "账号列表密码显示为", {.parent = kLawsGroup}),
    ui::Bar(kLawsSwitch, "设定_显示明文", {295, 10, 95, 25}, {"明文", "密文"}, {.parent = kLawsGroup}),
    // Page 2.
    ui::Picture(kAboutLogo, "关于_LOGO", {155, 14, 110, 110}, {.parent = kPanel, .page = 2}),
    ui::Label(kAboutName, "关于_软件名称", {146, 135, 127, 24}, about::kProgramName,
              {.parent = kPanel, .page = 2, .style = SS_CENTER, .fontPoints = 13, .bold = true}),
    ui::Label(kAboutVersion, "关于_软件版本", {261, 136, 64, 24}, about::kVersionLabel,
              {.parent = kPanel, .page = 2, .style = SS_RIGHT}),
    // Its longest line fits the box's width in 9 points.
    ui::Label(kAboutText, "关于_软件说明", {56, 175, 307, 82}, about::kDescription,
              {.parent = kPanel, .page = 2, .fontPoints = 9}),
    ui::Bar(kAboutBar, "关于_操作按钮", {35, 277, 350, 30},
            {about::kForumButton, about::kFeedbackButton, about::kWeChatButton, about::kAlipayButton},
            {.parent = kPanel, .page = 2}),
    ui::Picture(kAboutPicture, "关于_赞赏图片", {160, 331, 100, 100}, {.parent = kPanel, .page = 2}),
    ui::Overlay(kOverlay, "模糊", {448, 0, 24, 24}),
};
static_assert(std::size(kControls) == kControlCount);

const ui::HandlerSpec kHandlers[] = {
    {ui::kNoControl, ui::Event::Created, OnCreated},
    {kPanel, ui::Event::PageMade, OnPageMade},
    {ui::kNoControl, ui::Event::Destroying, OnDestroying},
    {ui::kNoControl, ui::Event::Message, OnTrayMessage, WM_APP_TRAY},
    {ui::kNoControl, ui::Event::Message, ListCellRequest, WM_NOTIFY},
    {ui::kNoControl, ui::Event::Message, TellTableProblem, kTellTableProblem},
    {ui::kNoControl, ui::Event::Message, AnswerTableCannotBeCreated, kTableCannotBeCreated},
    {ui::kNoControl, ui::Event::Message, OnOtherMessage, 0},
    {kMenu, ui::Event::Clicked, OnMenuClicked},
    {kMenu, ui::Event::MouseEnter, OnMenuEnter},
    {kMenu, ui::Event::MouseLeave, OnMenuLeave},
    {kPanel, ui::Event::LeftButtonDown, OnPanelPressed},
    {kAccountBar, ui::Event::Clicked, AccountToolbarClick},
    {kList, ui::Event::RowActivated, UseAccountRow},
    {kAssocBar, ui::Event::Clicked, AssociationClick},
    {kHotkeyBar, ui::Event::Clicked, HotkeyClick},
    {kImportBar, ui::Event::Clicked, ImportClick},
    {kPinSwitch, ui::Event::Clicked, PinSwitchClick},
    {kPinSetButton, ui::Event::Clicked, PinSetClick},
    {kTraySwitch, ui::Event::Clicked, TraySwitchClick},
    {kLawsSwitch, ui::Event::Clicked, LawsSwitchClick},
    {kAboutBar, ui::Event::Clicked, AboutClick},
};

}  // namespace

void SelectMenuButton(ui::Window& w, int index) {
  HWND menu = w.Control(kMenu);
  switch (index) {
    case kMenuAccounts:
    case kMenuSettings:
    case kMenuAbout:
      for (int i = kMenuAccounts; i <= kMenuAbout; ++i) {
        ShowMenuPicture(w, i, i == index);
        ui::BarSetChecked(menu, i, i == index);
      }
      w.SelectPage(kPanel, index);
      w.SetCaption(kTitle, kPageTitles[index]);
      break;
    case kMenuTray:
      HideToTray(w);
      break;
    case kMenuExit:
      // Ends at once: nothing is saved, no window is told.
      if (StateOf(w).args.exitProgram) StateOf(w).args.exitProgram();
      break;
    default:
      break;  // the spacer
  }
}

void ShowBlurOverlay(ui::Window& w) {
  HWND overlay = w.Control(kOverlay);
  RECT client;
  GetClientRect(w.hwnd(), &client);
  ui::OverlayCapture(overlay);
  SetWindowPos(overlay, HWND_TOP, 0, 0, client.right, client.bottom, SWP_SHOWWINDOW);
}

void HideBlurOverlay(ui::Window& w) {
  SetWindowPos(w.Control(kOverlay), nullptr, w.Scale(-15), w.Scale(-15), w.Scale(15), w.Scale(15),
               SWP_NOZORDER | SWP_HIDEWINDOW);
}

void WithMainWindow(HWND main, void (*action)(ui::Window&)) {
  if (ui::Window* w = ui::Window::FromHwnd(main)) action(*w);
}

}  // namespace quorrel::mainwin

namespace quorrel {

HWND OpenMainWindow(MainWindowArgs args) {
  ui::WindowSpec spec{kMainWindowTitle, 480, 500, mainwin::kControls, mainwin::kHandlers};
  spec.captionHeight = 0;  // the layout carries its own logo and title
  spec.x = 50;
  spec.y = 50;
  // A second instance ends here, before it touches the table.
  if (args.guard) args.guard();
  auto state = std::make_unique<mainwin::MainWindow>(std::move(args));
  mainwin::StartFirstAccountRead(*state);  // on a thread of its own while the window is made
  Milestone("table read started");
  ui::Window* w = ui::Window::Create(spec, nullptr, std::move(state));
  Milestone("first paint");  // shown and updated
  return w ? w->hwnd() : nullptr;
}

}  // namespace quorrel
