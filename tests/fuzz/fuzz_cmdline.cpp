// Command lines come from whoever starts the program (a shell double-click, a script):
// any bytes must split without a crash into pieces of the line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/cmdline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  std::vector<quorrel::Text> args = quorrel::SplitCommandLine(line);
  size_t total = 0;
  for (const quorrel::Text& a : args) {
    total += a.size();
    if (line.find(a) == std::string_view::npos) std::abort();
    // Only a quoted argument can be empty, and it costs at least its opening quote.
    if (a.empty()) total += 1;
  }
  if (total > size) std::abort();
  return 0;
}
