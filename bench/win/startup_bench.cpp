// From a double-click to every account readable, like for like against a small real
// program's start: the shipped Quorrel.exe over a table of 11,021 accounts and Wine's
// notepad, started the same way (CreateProcess) one after the other, seven times each.
// Quorrel counts until the last row's last cell can be read from this process (its window
// answers only once it has painted); notepad until its edit box answers a message from this
// process once its window is visible. Beside them the program's own milestones
// (QUORREL_MILESTONES), from the same starts, say where the time goes.
//
// A second floor, of the same kind: this benchmark started again with --list-window, a
// window with nothing but the program's list (an owner-data list view in the program's font
// and common controls, 11,021 rows made up in memory), timed like Quorrel.
//
// The same starts over a table that an earlier version sealed (100,000 key derivation
// rounds) show what a table not yet written by this version costs. QUORREL_BENCH_BASELINE
// may name the Quorrel.exe of an earlier build: its starts over the same table as this
// build's join the alternation, for a before-and-after in one run. QUORREL_BENCH_RUNS asks
// for more starts than seven (a busy machine).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/encoding_win.h"
#include "base/milestones.h"
#include "bench/bench_support.h"
#include "main_window_support.h"

using namespace quorrel;
using namespace quorrel::e2e;

namespace {

constexpr int kAccounts = 11021;
int g_runs = 7;
constexpr double kGoal = 1.2;
constexpr uint32_t kEarlierRounds = 100000;
constexpr char kListWindowArg[] = "--list-window";
constexpr char kReadable[] = "last row readable (seen from outside)";
constexpr char kVisible[] = "window visible (seen from outside)";
constexpr char kStarted[] = "CreateProcess returned";

double Now() {
  static const double perMs = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / perMs;
}

// Polls every millisecond; false when the time runs out.
template <typename Cond>
bool Poll(Cond cond, double timeoutMs = 30000) {
  const double until = Now() + timeoutMs;
  while (!cond()) {
    if (Now() > until) return false;
    Sleep(1);
  }
  return true;
}

HWND VisibleWindowOf(DWORD processId, const std::string& title = "") {
  for (HWND h : WindowsOf(processId, title))
    if (IsWindowVisible(h)) return h;
  return nullptr;
}

std::string ModulePath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

// --- the floor of the same kind ------------------------------------------------------------

LRESULT CALLBACK ListWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == LVN_GETDISPINFOW) {
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(lp);
    const int i = info->item.iItem;
    std::wstring text;
    switch (info->item.iSubItem) {
      case 0: text = std::to_wstring(i + 1); break;
      case 1: text = AnsiToWide("\xD3\xCA\xCF\xE4 account " + std::to_string(i)); break;  // 邮箱 account i
      case 2: text = AnsiToWide("user" + std::to_string(i) + "@example.com"); break;
      case 3: text.assign(("Pw!" + std::to_string(i * 7919) + "xYz").size(), L'\u25CF'); break;
      default: text = std::to_wstring(10000 + i % 90000); break;
    }
    if ((info->item.mask & LVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0)
      lstrcpynW(info->item.pszText, text.c_str(), info->item.cchTextMax);
    return 0;
  }
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// The window of the same kind as Quorrel's: its size, style, common controls (by the program's
// own manifest, beside this benchmark), list view and font; nothing else.
int RunListWindow() {
  RecordMilestonesWhenAsked();
  Milestone("entry");
  const std::string quorrel = ModulePath().substr(0, ModulePath().find_last_of('\\')) + "\\Quorrel.exe";
  ACTCTXA context{sizeof context};
  context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  context.lpSource = quorrel.c_str();
  context.lpResourceName = MAKEINTRESOURCEA(1);
  HANDLE actx = CreateActCtxA(&context);
  ULONG_PTR cookie = 0;
  if (actx == INVALID_HANDLE_VALUE || !ActivateActCtx(actx, &cookie)) return 1;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  HINSTANCE inst = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = ListWindowProc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = L"StartupBenchList";
  RegisterClassW(&wc);
  const DWORD style = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT r{0, 0, Scaled(480), Scaled(500)};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  HWND main = CreateWindowExW(0, wc.lpszClassName, L"list window", style, Scaled(50), Scaled(50), r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, inst, nullptr);
  Milestone("window created");
  HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                  LVS_OWNERDATA,
                              Scaled(65), Scaled(40), Scaled(400), Scaled(410), main, nullptr, inst, nullptr);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  LOGFONTW lf{};
  lf.lfHeight = -Scaled(MulDiv(10, 96, 72));
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = CLEARTYPE_QUALITY;
  lstrcpynW(lf.lfFaceName, Wide("微软雅黑").c_str(), LF_FACESIZE);
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(CreateFontIndirectW(&lf)), TRUE);
  const char* titles[] = {"ID", "名称", "用户名", "密码", "PID"};
  const int widths[] = {30, 70, 145, 145, 0};
  for (int i = 0; i < 5; ++i) {
    std::wstring title = Wide(titles[i]);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = title.data();
    col.cx = Scaled(widths[i]);
    col.iSubItem = i;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
  }
  ListView_SetTextColor(list, RGB(0x62, 0x3C, 0xEA));
  ListView_SetItemCountEx(list, kAccounts, 0);
  Milestone("list filled");
  ShowWindow(main, SW_SHOW);
  Milestone("shown");
  UpdateWindow(main);
  Milestone("first paint");
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

// --- the starts ----------------------------------------------------------------------------

// Milliseconds from `start` (ms on the performance counter) to each milestone the program
// wrote into `path`.
std::map<std::string, double> ReadMilestones(const std::string& path, double start) {
  std::map<std::string, double> at;
  std::ifstream in(path);
  std::string name;
  double frequency = 0, counter = 0;
  while (std::getline(in, name, '\t') && in >> counter) {
    in.ignore(1);
    if (name == "frequency") frequency = counter;
    else if (frequency > 0) at[name] = counter * 1000.0 / frequency - start;
  }
  return at;
}

// One kind of start: what is started, and each start's figures by name.
struct Case {
  std::string label;
  RunDirectory run;
  std::map<std::string, std::vector<double>> figures;
};

// Starts `exe` and times it to its window and to the last row of its list readable.
bool StartWithList(Case& c, const std::string& exe, const std::string& args, const std::string& title) {
  const std::string milestones = c.run.File("milestones.txt");
  DeleteFileA(milestones.c_str());
  SetEnvironmentVariableA("QUORREL_MILESTONES", milestones.c_str());
  const double start = Now();
  Process p = Process::Start(exe, args, c.run.path());
  const double started = Now() - start;
  SetEnvironmentVariableA("QUORREL_MILESTONES", nullptr);
  HWND main = nullptr;
  if (!Poll([&] { return (main = VisibleWindowOf(p.id(), title)) != nullptr; })) return false;
  const double shown = Now() - start;
  const std::vector<HWND> lists = Children(main, "SysListView32");
  const bool full = !lists.empty() && Poll([&] {
    return RowCount(lists[0]) == kAccounts && !Cell(lists[0], kAccounts - 1, 4).empty();
  });
  const double readable = Now() - start;
  p.Terminate();
  if (!full) return false;
  c.figures[kStarted].push_back(started);
  c.figures[kVisible].push_back(shown);
  c.figures[kReadable].push_back(readable);
  for (const auto& [name, ms] : ReadMilestones(milestones, start)) c.figures[name].push_back(ms);
  return true;
}

struct NotepadStart {
  double visible = 0;    // its window visible
  double answering = 0;  // its edit box answering this process, after the window showed
};

// Notepad is ready for its user when its edit box answers: a message sent from here is
// handled only once its thread is through its start and reads its messages.
std::optional<NotepadStart> StartNotepad(const std::string& notepad) {
  const double start = Now();
  Process p = Process::Start(notepad);
  HWND window = nullptr;
  if (!Poll([&] { return (window = VisibleWindowOf(p.id())) != nullptr; })) return std::nullopt;
  NotepadStart times;
  times.visible = Now() - start;
  const bool answered = Poll([&] {
    const std::vector<HWND> edits = Children(window, "Edit");
    DWORD_PTR length = 0;
    return !edits.empty() &&
           SendMessageTimeoutW(edits[0], WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 30000, &length) != 0;
  });
  times.answering = Now() - start;
  p.Terminate();
  if (!answered) return std::nullopt;
  return times;
}

void WriteTable(const RunDirectory& run, uint32_t rounds) {
  TableKeyParams params = NewTableKeyParams();
  if (rounds) params.iterations = rounds;
  const auto file = SealTableFile(bench::AccountPayload(kAccounts), kAccountTableAccessPassword, params);
  if (file) run.Write(kAccountTableFileName, *file);
}

void PrintCase(const Case& c, double notepad) {
  std::vector<std::pair<double, std::string>> rows;
  for (const auto& [name, values] : c.figures)
    rows.emplace_back(bench::MedianOf(values), name + (values.size() < static_cast<size_t>(g_runs) ? " (not every start)" : ""));
  std::sort(rows.begin(), rows.end());
  std::printf("  %s\n", c.label.c_str());
  for (const auto& [ms, name] : rows) std::printf("    %-48s %7.1f ms  %5.2f x notepad's answer\n", name.c_str(), ms, ms / notepad);
}

double MedianOf(Case& c, const char* figure) { return bench::MedianOf(c.figures[figure]); }

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], kListWindowArg) == 0) return RunListWindow();
  char runs[16] = {};
  if (GetEnvironmentVariableA("QUORREL_BENCH_RUNS", runs, sizeof runs) > 0 && std::atoi(runs) > g_runs)
    g_runs = std::atoi(runs);

  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  const std::string notepad = std::string(system) + "\\notepad.exe";

  Case floor{"floor of the same kind: a window with nothing but the list (" + std::string(kListWindowArg) + ")"};
  Case current{"Quorrel, its table as this version writes it"};
  Case earlier{"Quorrel, its table sealed by an earlier version (100,000 rounds)"};
  WriteTable(current.run, 0);
  WriteTable(earlier.run, kEarlierRounds);
  char baselineExe[MAX_PATH] = {};
  std::optional<Case> baseline;
  if (GetEnvironmentVariableA("QUORREL_BENCH_BASELINE", baselineExe, MAX_PATH) > 0) {
    baseline.emplace(std::string("the baseline build ") + baselineExe + ", its table as this version writes it");
    if (!CopyFileA(baselineExe, baseline->run.exe().c_str(), FALSE)) {
      std::printf("startup_bench: cannot copy %s\n", baselineExe);
      return 1;
    }
    WriteTable(baseline->run, 0);
  }

  // Alternating, each round in another order, so that a machine that slows down or speeds
  // up meanwhile, and whatever one start leaves warm for the next, touch all alike.
  std::vector<double> notepadVisible, notepadAnswering;
  std::vector<std::function<bool()>> starts;
  starts.push_back([&] {
    const auto n = StartNotepad(notepad);
    if (!n) std::printf("startup_bench: notepad's edit box did not answer\n");
    if (!n) return false;
    notepadVisible.push_back(n->visible);
    notepadAnswering.push_back(n->answering);
    return true;
  });
  starts.push_back([&] {
    const bool ok = StartWithList(floor, ModulePath(), kListWindowArg, "list window");
    if (!ok) std::printf("startup_bench: the list window did not show its rows\n");
    return ok;
  });
  for (Case* c : {&current, &earlier, baseline ? &*baseline : nullptr}) {
    if (!c) continue;
    starts.push_back([c] {
      const bool ok = StartWithList(*c, c->run.exe(), "", kMainTitle);
      if (!ok) std::printf("startup_bench: Quorrel did not show its %d accounts (%s)\n", kAccounts, c->label.c_str());
      return ok;
    });
  }
  for (int r = 0; r < g_runs; ++r) {
    for (size_t i = 0; i < starts.size(); ++i)
      if (!starts[(i + static_cast<size_t>(r)) % starts.size()]()) return 1;
  }
  const double visible = bench::MedianOf(notepadVisible), answering = bench::MedianOf(notepadAnswering);
  std::printf("Start-up under Wine, %d accounts, %s build (median of %d starts each, alternating;\n"
              "times from CreateProcess):\n",
              kAccounts, sizeof(void*) == 4 ? "32-bit" : "64-bit", g_runs);
  std::printf("  floor: notepad's window visible %38.1f ms\n", visible);
  std::printf("  floor: notepad's edit box answering %34.1f ms\n", answering);
  PrintCase(floor, answering);
  PrintCase(current, answering);
  PrintCase(earlier, answering);
  if (baseline) PrintCase(*baseline, answering);
  const double ours = MedianOf(current, kReadable);
  std::printf("  last row readable / notepad's edit box answering: %.2f x (goal: at most %.1f x)\n", ours / answering,
              kGoal);
  if (baseline)
    std::printf("  the baseline build's, the same:                   %.2f x\n", MedianOf(*baseline, kReadable) / answering);
  std::printf("  last row readable / the list window's:            %.2f x\n", ours / MedianOf(floor, kReadable));
  std::printf("  window visible / notepad's window visible:        %.2f x (the list window's: %.2f x)\n",
              MedianOf(current, kVisible) / visible, MedianOf(floor, kVisible) / visible);
  return 0;
}
