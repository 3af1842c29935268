// Another program holding a file, as a backup tool, a sync client or a scanner does: opens
// the file given without sharing it (or, with "read", sharing it for reading only) and keeps
// it open until the test ends this process.
//   file_holder <path> [read]
// Exit code 2 when the file does not open.
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const DWORD share = argc > 2 && std::string(argv[2]) == "read" ? FILE_SHARE_READ : 0;
  HANDLE file = CreateFileA(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  Sleep(INFINITE);
  return 0;
}
