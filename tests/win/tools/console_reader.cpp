// A console program reading one line, as ssh, runas or a `net use` prompt does: started in
// a console window of its own, it reads a line with ReadConsoleW and writes it, UTF-8, to
// the file named on its command line (ANSI), then ends; after 60 seconds it ends anyway.
#include <windows.h>

static DWORD WINAPI EndLater(void*) {
  Sleep(60000);
  ExitProcess(3);
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  CloseHandle(CreateThread(nullptr, 0, EndLater, nullptr, 0, nullptr));
  SetConsoleTitleW(L"console reader");
  wchar_t line[512] = {};
  DWORD read = 0;
  if (!ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), line, 511, &read, nullptr)) return 4;
  while (read > 0 && (line[read - 1] == L'\n' || line[read - 1] == L'\r')) --read;
  char utf8[2048] = {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, line, static_cast<int>(read), utf8, sizeof utf8, nullptr, nullptr);
  HANDLE out = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 5;
  DWORD written = 0;
  WriteFile(out, utf8, static_cast<DWORD>(n > 0 ? n : 0), &written, nullptr);
  CloseHandle(out);
  return 0;
}
