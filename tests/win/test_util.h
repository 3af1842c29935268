// Small helpers shared by the Windows tests and the end-to-end driver.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

#include "tests/win/temp_dir.h"
#include "base/handles_win.h"

namespace quorrel {

// Dispatches this thread's messages for the given time.
inline void PumpMessages(std::chrono::milliseconds duration) {
  auto until = std::chrono::steady_clock::now() + duration;
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (std::chrono::steady_clock::now() < until);
}

// A file's bytes read around the code under test, "<missing>" when it cannot be opened.
inline std::string RawRead(const std::string& path) {
  UniqueFile f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr));
  if (!f) return "<missing>";
  std::string out;
  char buf[4096];
  DWORD got = 0;
  while (::ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  return out;
}

inline bool RawWrite(const std::string& path, const std::string& bytes) {
  UniqueFile f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD put = 0;
  return f && ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) &&
         put == bytes.size();
}

// The files of a folder (not its subfolders) by name, with their bytes; names in `except`
// are left out.
using Files = std::map<std::string, std::string>;
inline Files FilesIn(const std::string& dir, std::initializer_list<std::string_view> except = {}) {
  Files files;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return files;
  do {
    const std::string name = fd.cFileName;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (std::find(except.begin(), except.end(), name) == except.end()) files[name] = RawRead(dir + "\\" + name);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return files;
}

// This process's desktop folder moved to `dir` while the object lives: HKEY_CURRENT_USER
// is replaced by a volatile key that names it, and the real one comes back at the end.
class DesktopAt {
 public:
  explicit DesktopAt(const std::wstring& dir) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kRoot, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, root_.put(),
                    nullptr);
    for (const wchar_t* sub : {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                               L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"}) {
      UniqueHkey key;
      RegCreateKeyExW(root_.get(), sub, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
      RegSetValueExW(key.get(), L"Desktop", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                     static_cast<DWORD>((dir.size() + 1) * sizeof(wchar_t)));
    }
    active_ = root_ && RegOverridePredefKey(HKEY_CURRENT_USER, root_.get()) == ERROR_SUCCESS;
  }
  DesktopAt(const DesktopAt&) = delete;
  DesktopAt& operator=(const DesktopAt&) = delete;
  ~DesktopAt() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    root_.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
  }
  bool active() const { return active_; }

 private:
  static constexpr const wchar_t* kRoot = L"Software\\QuorrelTest\\Desktop";
  UniqueHkey root_;
  bool active_ = false;
};

}  // namespace quorrel
