// Page 2 of the main window: logo, name, version, description, two web pages and two
// appreciation pictures. It changes no data.
#include <windows.h>
#include <shellapi.h>

#include "base/report.h"
#include "res/resource.h"
#include "ui/main/main_texts.h"
#include "ui/main/main_parts_win.h"
#include "ui/toolkit/controls_win.h"
#include "ui/toolkit/picture_win.h"

namespace quorrel::mainwin {
namespace {

// Hands the address to the default browser; a browser that does not start is not the
// user's to hear about.
void OpenWebPage(const char* address) {
  HINSTANCE started = ShellExecuteA(nullptr, "open", address, "", "", SW_SHOWNORMAL);
  ReportIf(reinterpret_cast<INT_PTR>(started) <= 32);
}

void ShowAboutPicture(ui::Window& w, int resource) {
  MainWindow& s = StateOf(w);
  UniqueBitmap picture = LoadPngResource(resource);
  ReportIf(!picture);
  // The box lets go of the old picture before it is freed.
  ui::PictureSet(w.Control(kAboutPicture), picture.get());
  s.aboutPicture = std::move(picture);
}

}  // namespace

void SetUpAboutPage(ui::Window& w) {
  ui::PictureSet(w.Control(kAboutLogo), StateOf(w).logo.get());
  ShowAboutPicture(w, IDR_ABOUT_START_PNG);
}

void AboutClick(ui::Window& w, ui::EventArgs& args) {
  switch (args.index) {
    case kAboutForum: OpenWebPage(about::kForumAddress); break;
    case kAboutFeedback: OpenWebPage(about::kFeedbackAddress); break;
    case kAboutWeChat: ShowAboutPicture(w, IDR_WECHAT_PNG); break;
    case kAboutAlipay: ShowAboutPicture(w, IDR_ALIPAY_PNG); break;
    default: break;
  }
}

}  // namespace quorrel::mainwin
