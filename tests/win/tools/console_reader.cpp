// A console program reading one line, as ssh, runas or a `net use` prompt does: started in
// a console window of its own, it reads a line with ReadConsoleW and writes it, UTF-8, to
// the file named on its command line, then ends.
//   console_reader <file> [seconds]    ends by itself after that long (default 120)
// The file's name is in the ANSI code page.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

DWORD WINAPI EndLater(void* seconds) {
  Sleep(static_cast<DWORD>(reinterpret_cast<uintptr_t>(seconds)) * 1000u);
  ExitProcess(3);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const uintptr_t seconds = argc > 2 ? static_cast<uintptr_t>(std::atoi(argv[2])) : 120;
  CloseHandle(CreateThread(nullptr, 0, EndLater, reinterpret_cast<void*>(seconds ? seconds : 120), 0, nullptr));
  SetConsoleTitleW(L"console reader");
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  wchar_t line[512] = {};
  DWORD read = 0;
  if (!ReadConsoleW(in, line, 511, &read, nullptr)) return 4;
  std::wstring text(line, read);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), n, nullptr, nullptr);
  HANDLE out = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 5;
  DWORD written = 0;
  WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(out);
  return 0;
}
