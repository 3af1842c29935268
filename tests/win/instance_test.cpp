#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>
#include <set>
#include <string>

#include "app/instance_win.h"
#include "app/state.h"
#include "base/text.h"
#include "tests/win/test_util.h"
#include "base/encoding_win.h"

using namespace quorrel;

namespace {

std::string TestsFolder() {
  char path[MAX_PATH] = {};
  std::string s(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
  return s.substr(0, s.find_last_of('\\'));
}

std::string ProbePath() { return TestsFolder() + "\\instance_probe.exe"; }

bool PathPresent(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

template <typename F>  // polls until ready() or the time is up
bool WaitFor(F ready, DWORD ms) {
  for (ULONGLONG end = GetTickCount64() + ms; !ready(); Sleep(20))
    if (GetTickCount64() > end) return false;
  return true;
}

// A process the test starts; ended by its handle if it still runs when the test is done.
struct Child {
  Child(const std::string& exe, const std::string& args, const std::string& folder = {}) {
    std::string commandLine = "\"" + exe + "\" " + args;
    STARTUPINFOA si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, folder.empty() ? nullptr : folder.c_str(), &si, &pi)) return;
    process.reset(pi.hProcess);
    UniqueHandle thread(pi.hThread);
    pid = pi.dwProcessId;
  }
  ~Child() {
    if (Running()) TerminateProcess(process.get(), 1), WaitForSingleObject(process.get(), 5000);
  }
  bool Running() const { return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT; }
  DWORD WaitExit(DWORD ms) const {  // STILL_ACTIVE when it did not end within ms
    DWORD code = STILL_ACTIVE;
    WaitForSingleObject(process.get(), ms);
    GetExitCodeProcess(process.get(), &code);
    return code;
  }
  UniqueHandle process;
  DWORD pid = 0;
};

// Waits for a process, ending it by its id if it lingers.
void EndById(DWORD pid) {
  UniqueHandle p(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
  if (p && WaitForSingleObject(p.get(), 5000) == WAIT_TIMEOUT) TerminateProcess(p.get(), 1);
}

// Everything the code under test started below root (cmd, start, the restarted copy).
void EndDescendants(DWORD root) {
  std::vector<PROCESSENTRY32> all;
  UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 e{sizeof e};
  for (BOOL ok = Process32First(snapshot.get(), &e); ok; ok = Process32Next(snapshot.get(), &e)) all.push_back(e);
  std::set<DWORD> tree{root};
  for (size_t before = 0; before != tree.size();) {
    before = tree.size();
    for (const auto& p : all)
      if (tree.count(p.th32ParentProcessID)) tree.insert(p.th32ProcessID);
  }
  tree.erase(root);
  for (DWORD pid : tree) EndById(pid);
}

}  // namespace

TEST(InstanceTest, GuardEndsASecondCopyUntilTheFirstIsGoneAndNothingIsDoneByMistake) {
  ASSERT_TRUE(PathPresent(ProbePath())) << ProbePath();
  auto marker = [](const Child& c) { return TestsFolder() + "\\guard-" + std::to_string(c.pid) + ".txt"; };
  auto passed = [&](const Child& c) { return RawRead(marker(c)) == "passed"; };
  auto endById = [&](const Child& c) {
    EXPECT_TRUE(TerminateProcessById(c.pid));
    EXPECT_EQ(c.WaitExit(5000), 0u);
    DeleteFileA(marker(c).c_str());
  };

  Child first(ProbePath(), "guard");
  ASSERT_TRUE(first.process && WaitFor([&] { return passed(first); }, 10000));
  {
    Child second(ProbePath(), "guard");
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(second.WaitExit(8000), 0u);  // ended by the guard, not after its 10 s wait
    EXPECT_LT(GetTickCount64() - start, 8000u);
    EXPECT_FALSE(passed(second));
    EXPECT_TRUE(first.Running());
    DeleteFileA(marker(second).c_str());
  }
  endById(first);
  Child third(ProbePath(), "guard");
  EXPECT_TRUE(WaitFor([&] { return passed(third); }, 10000));
  endById(third);

  EXPECT_FALSE(TerminateProcessById(0xFFFFFFF0));  // ids are multiples of 4: never a process

  // No program file to start again: no batch file either.
  TempDir dir;
  InitProcessState();
  State().RunDirectory = dir.path();
  State().ExeFileName = "Quorrel.exe";
  EXPECT_FALSE(RestartProgram());
  State().ExeFileName = "";  // the folder itself is no program
  EXPECT_FALSE(RestartProgram(5));
  EXPECT_FALSE(PathPresent(dir.path() + "\\Restart.bat"));
  // A program there, but no batch file can be written: this process goes on (were it ended,
  // the test would end with it).
  ASSERT_TRUE(RawWrite(dir.path() + "\\Quorrel.exe", "program"));
  ASSERT_TRUE(CreateDirectoryA((dir.path() + "\\Restart.bat").c_str(), nullptr));
  State().ExeFileName = "Quorrel.exe";
  EXPECT_FALSE(RestartProgram());
  RemoveDirectoryA((dir.path() + "\\Restart.bat").c_str());
  ReleaseProcessState();
}

// A copy of the probe in root\name restarts itself through the batch file.
void ExpectRestartIn(const std::string& root, const std::string& name) {
  const std::string folder = root + "\\" + Utf8ToAnsi(name);
  const std::string elsewhere = root + "\\elsewhere";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
  const std::string program = folder + "\\instance_probe.exe";
  ASSERT_TRUE(CopyFileA(ProbePath().c_str(), program.c_str(), FALSE));

  // Started from another folder that holds a Restart.bat of its own: the restart must
  // neither run nor delete it.
  const std::string decoy = elsewhere + "\\Restart.bat";
  ASSERT_TRUE(RawWrite(decoy, "not ours"));
  ULONGLONG start = GetTickCount64();
  Child first(program, "restart", elsewhere);
  ASSERT_TRUE(first.process);
  EXPECT_EQ(first.WaitExit(10000), 0u);  // ended itself by TerminateProcessById

  const std::string log = folder + "\\probe.log";
  auto lines = [&] { return SplitText(RawRead(log), "\r\n"); };
  bool restarted = WaitFor([&] { return lines().size() >= 2; }, 30000);
  ULONGLONG took = GetTickCount64() - start;
  EndDescendants(first.pid);
  ASSERT_TRUE(restarted) << RawRead(log);

  const std::vector<Text> seen = lines();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], "restart " + std::to_string(first.pid));
  ASSERT_EQ(seen[1].rfind("started ", 0), 0u) << seen[1];
  EndById(static_cast<DWORD>(std::stoul(seen[1].substr(8))));
  // cmd ran in the system folder (the restarted copy inherits its folder): cmd refuses a
  // network folder, which Wine does not show, so where it stood is checked instead.
  char system[MAX_PATH] = {};
  const std::string systemFolder(system, GetSystemDirectoryA(system, MAX_PATH));
  EXPECT_STRCASEEQ(seen[1].substr(seen[1].find(" in ") + 4).c_str(), systemFolder.c_str());

  char shortPath[255] = {};
  DWORD n = GetShortPathNameA(program.c_str(), shortPath, sizeof shortPath);
  std::string expected = n > 0 && n < sizeof shortPath ? std::string(shortPath, n) : program;
  if (expected != program) {
    EXPECT_EQ(expected.find(' '), std::string::npos) << expected;
  }
  std::printf("[   info   ] restarted copy ran %llu ms after the first started, as %s\n", took,
              expected.c_str());
  // The batch file deleted itself by its own path, wherever cmd stood.
  EXPECT_TRUE(WaitFor([&] { return !PathPresent(folder + "\\Restart.bat"); }, 10000))
      << RawRead(folder + "\\Restart.bat");
  EXPECT_EQ(RawRead(decoy), "not ours");
}

class RestartTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RestartTest, StartsAFreshCopyThroughTheBatchFile) {
  TempDir root;
  ExpectRestartIn(root.path(), GetParam());
}

// A '%' in the folder's name is left to the host test: Wine's cmd expands a '%' inside a
// variable's value again, where Windows' cmd takes the value as it is.
INSTANTIATE_TEST_SUITE_P(Folders, RestartTest,
                         ::testing::Values("restart dir", "重启 目录 (x86) & co", "!x! 重启!"));

// A network folder, where cmd cannot stand: \\quorrel\share. Wine serves \\server\share from
// the folder dosdevices\unc\server\share of its prefix; made here for this test alone and
// taken away after it (while it stands, Wine says "not found" for every other server).
struct WineShare {
  std::string unc;
  WineShare() {
    char prefix[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || prefix[0] != '/') return;
    unc = "Z:" + std::string(prefix, n) + "/dosdevices/unc";
    std::replace(unc.begin(), unc.end(), '/', '\\');
    for (const char* folder : {"", "\\quorrel", "\\quorrel\\share"}) CreateDirectoryA((unc + folder).c_str(), nullptr);
  }
  ~WineShare() {
    if (!unc.empty()) TempDir::RemoveTree(unc);
  }
};

TEST(RestartFromANetworkFolder, StartsAFreshCopyThroughTheBatchFile) {
  WineShare share;
  const std::string root = "\\\\quorrel\\share\\restart-" + std::to_string(GetCurrentProcessId());
  if (!CreateDirectoryA(root.c_str(), nullptr)) GTEST_SKIP() << "no network folder \\\\quorrel\\share";
  ExpectRestartIn(root, "!x! 目录 & co");
  TempDir::RemoveTree(root);
}
