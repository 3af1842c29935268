// The about page through the real program: its two web buttons hand their addresses to the
// shell (a probe stands in for the browser), its two picture buttons swap the picture.
#include "main_window_support.h"

#include "tests/win/test_util.h"
#include "ui/main/main_texts.h"

namespace quorrel::e2e {
namespace {

// The about page (page 2): the button bar and the appreciation picture below it.
struct AboutUi {
  HWND bar = nullptr;
  HWND picture = nullptr;

  explicit AboutUi(const MainUi& ui) {
    std::vector<HWND> pictures;
    for (HWND p : Children(ui.window, "QuorrelPicture"))
      if (GetParent(p) != ui.window) pictures.push_back(p);  // 关于_LOGO, 关于_赞赏图片
    if (pictures.size() != 2) return;
    picture = pictures[1];
    for (HWND b : Children(GetParent(picture), "QuorrelBar")) bar = b;
  }
  bool complete() const { return bar && picture; }
  void Click(int button) const { ClickBarButton(bar, button, 4); }
  std::vector<COLORREF> Pixels() const {
    SetCursorPos(0, 0);
    RedrawWindow(picture, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump(100ms);
    RECT r;
    GetWindowRect(picture, &r);
    return ScreenPixels(r);
  }
};

size_t CountOf(const std::vector<COLORREF>& pixels, COLORREF colour) {
  return static_cast<size_t>(std::count(pixels.begin(), pixels.end(), colour));
}

// The probe registered as the shell's handler of https addresses while the test runs;
// what was there before comes back afterwards.
class BrowserProbe {
 public:
  explicit BrowserProbe(std::string record) : record_(std::move(record)) {
    char value[1024] = {};
    LONG size = sizeof value;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, kKey, value, &size) == ERROR_SUCCESS) before_ = value;
    const std::string probe = ModuleDir() + "\\url_probe.exe";
    const std::string command = "\"" + probe + "\" \"" + record_ + "\" \"%1\"";
    registered_ = RegSetValueA(HKEY_CLASSES_ROOT, kKey, REG_SZ, command.c_str(),
                               static_cast<DWORD>(command.size())) == ERROR_SUCCESS;
  }
  BrowserProbe(const BrowserProbe&) = delete;
  BrowserProbe& operator=(const BrowserProbe&) = delete;
  ~BrowserProbe() {
    if (before_) RegSetValueA(HKEY_CLASSES_ROOT, kKey, REG_SZ, before_->c_str(), static_cast<DWORD>(before_->size()));
    else RegDeleteKeyA(HKEY_CLASSES_ROOT, kKey);
    for (DWORD pid : pids_) EndProbe(pid);
  }
  bool registered() const { return registered_; }

  // The addresses the probe was started with, in order, once `count` have come; each probe
  // is waited for and ended by its id.
  std::vector<std::string> Addresses(size_t count) {
    std::vector<std::string> addresses;
    WaitFor([&] {
      addresses.clear();
      std::string record = RawRead(record_);
      for (size_t at = 0, end; (end = record.find("\r\n", at)) != std::string::npos; at = end + 2) {
        std::string line = record.substr(at, end - at);
        size_t space = line.find(' ');
        DWORD pid = static_cast<DWORD>(std::stoul(line.substr(0, space)));
        if (std::find(pids_.begin(), pids_.end(), pid) == pids_.end()) pids_.push_back(pid);
        addresses.push_back(line.substr(space + 1));
      }
      return addresses.size() >= count;
    });
    for (DWORD pid : pids_) EndProbe(pid);
    return addresses;
  }

 private:
  static constexpr const char* kKey = "https\\shell\\open\\command";
  static void EndProbe(DWORD pid) {
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
      if (WaitForSingleObject(process, 5000) == WAIT_TIMEOUT) TerminateProcess(process, 1);
      CloseHandle(process);
    }
  }
  std::string record_;
  std::optional<std::string> before_;
  bool registered_ = false;
  std::vector<DWORD> pids_;
};

class AboutPageTest : public E2eTest {};

TEST_F(AboutPageTest, WebButtonsOpenTheAddressesAndPictureButtonsSwapThePicture) {
  BrowserProbe browser(run_.File("browser.txt"));
  ASSERT_TRUE(browser.registered());
  Process p = Start();
  MainUi ui(WaitWindow(p.id(), kMainTitle));
  ASSERT_TRUE(ui.complete());
  ui.Menu(2);
  AboutUi page(ui);
  ASSERT_TRUE(page.complete()) << "the about page's bar and picture were not found";

  const COLORREF green = RGB(0x2A, 0xAE, 0x67), blue = RGB(0x16, 0x77, 0xFF);
  const std::vector<COLORREF> first = page.Pixels();
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(CountOf(first, green) + CountOf(first, blue), 0u);

  // The web buttons hand their addresses to the shell and leave the picture alone.
  page.Click(0);
  page.Click(1);
  EXPECT_EQ(browser.Addresses(2), (std::vector<std::string>{about::kForumAddress, about::kFeedbackAddress}));
  EXPECT_EQ(page.Pixels(), first);

  // 微信赞赏, then 支付宝赞赏: the last one pressed stays, also over a web button.
  page.Click(2);
  std::vector<COLORREF> wechat;
  EXPECT_TRUE(WaitFor([&] { return CountOf(wechat = page.Pixels(), green) > wechat.size() / 10; }, 3s));
  EXPECT_EQ(CountOf(wechat, blue), 0u);
  page.Click(3);
  std::vector<COLORREF> alipay;
  EXPECT_TRUE(WaitFor([&] { return CountOf(alipay = page.Pixels(), blue) > alipay.size() / 10; }, 3s));
  EXPECT_EQ(CountOf(alipay, green), 0u);
  page.Click(0);
  EXPECT_EQ(browser.Addresses(3).back(), about::kForumAddress);
  EXPECT_EQ(page.Pixels(), alipay);
  page.Click(2);
  EXPECT_TRUE(WaitFor([&] { return page.Pixels() == wechat; }, 3s));
  EXPECT_TRUE(p.Running());
}

}  // namespace
}  // namespace quorrel::e2e
