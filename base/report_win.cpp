#include <windows.h>

#include <string>

#include "base/report.h"

namespace quorrel {

void WriteDiagnostic(const std::string& line);

unsigned long LastSystemError() { return GetLastError(); }

void WriteDiagnostic(const std::string& line) {
  const std::string text = "Quorrel: " + line + "\n";
  OutputDebugStringA(text.c_str());
}

}  // namespace quorrel
