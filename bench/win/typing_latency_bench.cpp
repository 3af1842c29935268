// Time from the password hotkey press to the last character landing in another program:
// Quorrel.exe started with an account file holding a 64-character password, a target
// window of this process with the caret in its edit box, then F9 pressed N times.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "exchange/account_file.h"

using namespace quorrel;
using namespace quorrel::e2e;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPresses = 50;
constexpr char kPassword64[] = "Xk9!mQ2#pL7$vR4%tY8^wZ1&nB5*cD3(fG6)hJ0_sA-=+[]{};:'\",.<>/?|\\~`Q";
static_assert(sizeof kPassword64 - 1 == 64);

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Landing {
  double first = 0;  // ms to the first character
  double last = 0;   // ms to the last one
};

// Pumps this thread's messages (the target's WM_KEYDOWN/WM_CHAR) until the edit holds
// length characters; nothing on time-out.
std::optional<Landing> WaitForLength(HWND edit, int length, Clock::time_point start) {
  const auto until = start + std::chrono::seconds(2);
  Landing l;
  for (;;) {
    MSG msg;
    // One message at a time, so that the first character is seen when it lands.
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      if (msg.message != WM_CHAR) continue;
      int now = GetWindowTextLengthW(edit);
      if (now > 0 && l.first == 0) l.first = Ms(Clock::now() - start);
      if (now >= length) {
        l.last = Ms(Clock::now() - start);
        return l;
      }
    }
    if (Clock::now() > until) return std::nullopt;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
}

void Print(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  const size_t n = times.size();
  const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
  const double mean = std::accumulate(times.begin(), times.end(), 0.0) / static_cast<double>(n);
  std::printf("  %-16s median %6.2f ms   mean %6.2f ms   worst %6.2f ms   best %6.2f ms\n", what, median, mean,
              times.back(), times.front());
}

// Opens Quorrel.exe on an account file with this password and times kPresses presses of
// F9; false when the window did not open or a press did not land completely.
bool RunSeries(const std::string& password, const char* title) {
  const int length = static_cast<int>(password.size());
  RunDirectory run;
  run.Write("bench.Pw", BuildAccountFileContent("bench", password));
  Process quorrel = Process::Start(run.exe(), "\"" + run.File("bench.Pw") + "\"", run.path());
  HWND input = WaitWindow(quorrel.id(), "辅助输入");
  if (!input) {
    std::printf("typing_latency_bench: the input window did not open\n");
    return false;
  }
  TargetWindow target;
  target.Focus();

  // One press first, not counted: the first injection pays for loading and paging in.
  PressKey(VK_F9);
  target.WaitText(password.size(), std::chrono::seconds(3));

  std::vector<double> times, firsts;
  int wrong = 0;
  for (int i = 0; i < kPresses; ++i) {
    if (GetForegroundWindow() != target.hwnd()) target.Focus();
    target.Clear();
    Pump(std::chrono::milliseconds(20));  // let the last press's key-up go by
    const auto start = Clock::now();
    PressKey(VK_F9);
    std::optional<Landing> landed = WaitForLength(target.edit(), length, start);
    if (!landed) continue;
    if (target.TextAnsi() != password) {
      ++wrong;
      continue;
    }
    times.push_back(landed->last);
    firsts.push_back(landed->first);
  }

  PostMessageW(input, WM_CLOSE, 0, 0);
  if (!quorrel.WaitExit(std::chrono::seconds(10))) quorrel.Terminate();

  std::printf("%s: F9 press to the last character in the target\n", title);
  std::printf("  complete: %zu of %d (wrong text: %d)\n", times.size(), kPresses, wrong);
  if (times.empty()) return false;
  Print("last character", times);
  Print("first character", firsts);
  return times.size() == static_cast<size_t>(kPresses);
}

}  // namespace

int main() {
  bool ok = RunSeries(kPassword64, "64-character password");
  // The fixed part: hotkey delivery, reading the box, one injection.
  ok = RunSeries("Q", "1-character password") && ok;
  return ok ? 0 : 1;
}
