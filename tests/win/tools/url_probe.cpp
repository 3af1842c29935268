// Stands in for the browser in the about page's test, registered as the handler of the
// address scheme:   url_probe <record file> <address>
// appends "<pid> <address>" and CR LF to the record file and exits.
#include <windows.h>

#include <string>

#include "base/handles_win.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string line = std::to_string(GetCurrentProcessId()) + " " + argv[2] + "\r\n";
  quorrel::UniqueFile file(CreateFileA(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD put = 0;
  return file && WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &put, nullptr) ? 0 : 1;
}
