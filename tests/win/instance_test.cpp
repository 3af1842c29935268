#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "app/instance_win.h"
#include "app/state.h"
#include "tests/win/temp_dir.h"
#include "ui/toolkit/encoding_win.h"
#include "ui/toolkit/handles_win.h"

using namespace quorrel;

namespace {

std::string TestsFolder() {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of('\\'));
}

std::string ProbePath() { return TestsFolder() + "\\instance_probe.exe"; }

std::string RawRead(const std::string& path) {
  UniqueFile f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr));
  if (!f) return "";
  std::string out;
  char buf[4096];
  DWORD got = 0;
  while (::ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  return out;
}

bool PathPresent(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Polls until ready() or the time is up.
template <typename F>
bool WaitFor(F ready, DWORD ms) {
  ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    if (ready()) return true;
    if (GetTickCount64() > end) return false;
    Sleep(20);
  }
}

// A process the test starts; ended by its handle if it still runs when the test is done.
class Child {
 public:
  Child(const std::string& exe, const std::string& args, const std::string& folder = {}) {
    std::string commandLine = "\"" + exe + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                       nullptr, folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
      process_.reset(pi.hProcess);
      UniqueHandle thread(pi.hThread);
      pid_ = pi.dwProcessId;
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.get(), 1);
      WaitForSingleObject(process_.get(), 5000);
    }
  }
  bool started() const { return static_cast<bool>(process_); }
  DWORD pid() const { return pid_; }
  bool Running() const { return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
  // The exit code once it ended within ms, else STILL_ACTIVE.
  DWORD WaitExit(DWORD ms) const {
    WaitForSingleObject(process_.get(), ms);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
  }

 private:
  UniqueHandle process_;
  DWORD pid_ = 0;
};

// Processes started on the test's behalf by the code under test (cmd, start, the restarted
// copy): waited for, and ended by their ids if they linger.
void EndProcessTree(DWORD root) {
  std::set<DWORD> tree{root};
  UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot) {
    std::vector<PROCESSENTRY32> all;
    PROCESSENTRY32 e{};
    e.dwSize = sizeof e;
    for (BOOL ok = Process32First(snapshot.get(), &e); ok; ok = Process32Next(snapshot.get(), &e))
      all.push_back(e);
    for (bool grew = true; grew;) {
      grew = false;
      for (const auto& p : all)
        if (tree.count(p.th32ParentProcessID) && tree.insert(p.th32ProcessID).second) grew = true;
    }
  }
  tree.erase(root);
  for (DWORD pid : tree) {
    UniqueHandle p(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
    if (p && WaitForSingleObject(p.get(), 5000) == WAIT_TIMEOUT) TerminateProcess(p.get(), 1);
  }
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t at = 0;
  for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    out.push_back(text.substr(at, end - at));
  return out;
}

}  // namespace

TEST(InstanceTest, SecondInstanceEndsAtOnceUntilTheFirstIsGone) {
  ASSERT_TRUE(PathPresent(ProbePath())) << ProbePath();
  const std::string folder = TestsFolder();
  auto passed = [&](const Child& c) {
    return RawRead(folder + "\\guard-" + std::to_string(c.pid()) + ".txt") == "passed";
  };
  auto cleanUp = [&](const Child& c) {
    DeleteFileA((folder + "\\guard-" + std::to_string(c.pid()) + ".txt").c_str());
  };

  Child first(ProbePath(), "guard");
  ASSERT_TRUE(first.started());
  ASSERT_TRUE(WaitFor([&] { return passed(first); }, 10000));
  EXPECT_TRUE(first.Running());

  {
    Child second(ProbePath(), "guard");
    ASSERT_TRUE(second.started());
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(second.WaitExit(8000), 0u);  // ended by the guard, not after its 10 s wait
    EXPECT_LT(GetTickCount64() - start, 8000u);
    EXPECT_FALSE(passed(second));
    EXPECT_TRUE(first.Running());
    cleanUp(second);
  }

  EXPECT_TRUE(TerminateProcessById(first.pid()));
  EXPECT_EQ(first.WaitExit(5000), 0u);
  cleanUp(first);

  Child third(ProbePath(), "guard");
  ASSERT_TRUE(third.started());
  EXPECT_TRUE(WaitFor([&] { return passed(third); }, 10000));
  EXPECT_TRUE(TerminateProcessById(third.pid()));
  EXPECT_EQ(third.WaitExit(5000), 0u);
  cleanUp(third);
}

TEST(InstanceTest, TerminatingAMissingProcessFails) {
  EXPECT_FALSE(TerminateProcessById(0xFFFFFFF0));  // ids are multiples of 4: never a process
}

TEST(InstanceTest, RestartWithoutTheProgramFileDoesNothing) {
  TempDir dir;
  InitProcessState();
  State().RunDirectory = dir.path();
  State().ExeFileName = "Quorrel.exe";
  RestartProgram();
  State().ExeFileName = "";  // the folder itself is no program
  RestartProgram(5);
  EXPECT_FALSE(PathPresent(dir.path() + "\\Restart.bat"));
  ReleaseProcessState();
}

class RestartTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RestartTest, StartsAFreshCopyThroughTheBatchFile) {
  TempDir root;
  const std::string folder = root.path() + "\\" + Utf8ToAnsi(GetParam());
  const std::string elsewhere = root.path() + "\\elsewhere";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
  const std::string program = folder + "\\instance_probe.exe";
  ASSERT_TRUE(CopyFileA(ProbePath().c_str(), program.c_str(), FALSE));

  // Started from another folder, so the batch file's own "del Restart.bat" misses it.
  ULONGLONG start = GetTickCount64();
  Child first(program, "restart", elsewhere);
  ASSERT_TRUE(first.started());
  EXPECT_EQ(first.WaitExit(10000), 0u);  // ended itself by TerminateProcessById

  const std::string log = folder + "\\probe.log";
  bool restarted = WaitFor([&] { return Lines(RawRead(log)).size() >= 2; }, 30000);
  ULONGLONG took = GetTickCount64() - start;
  EndProcessTree(first.pid());
  ASSERT_TRUE(restarted) << RawRead(log);
  std::printf("[   info   ] restarted copy ran %llu ms after the first started\n", took);

  std::vector<std::string> lines = Lines(RawRead(log));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "restart " + std::to_string(first.pid()));
  ASSERT_EQ(lines[1].rfind("started ", 0), 0u) << lines[1];
  UniqueHandle copy(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE,
                                static_cast<DWORD>(std::stoul(lines[1].substr(8)))));
  if (copy && WaitForSingleObject(copy.get(), 5000) == WAIT_TIMEOUT) TerminateProcess(copy.get(), 1);

  char shortPath[255] = {};
  DWORD n = GetShortPathNameA(program.c_str(), shortPath, sizeof shortPath);
  std::string expected = n > 0 && n < sizeof shortPath ? std::string(shortPath, n) : program;
  if (expected != program) {
    EXPECT_EQ(expected.find(' '), std::string::npos) << expected;
  }
  std::printf("[   info   ] program path in the batch file: %s\n", expected.c_str());
  EXPECT_EQ(RawRead(folder + "\\Restart.bat"),
            "@echo off \r\n@ping 127.0.0.1 -n 2 >nul\r\nstart \"\" \"" + expected +
                "\"\r\ndel Restart.bat");
  EXPECT_FALSE(PathPresent(elsewhere + "\\Restart.bat"));
}

INSTANTIATE_TEST_SUITE_P(Folders, RestartTest,
                         ::testing::Values("restart dir", "重启 目录 (x86) & co"));
