#include "base/report.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace quorrel {
namespace {

std::function<void(std::string_view)>& Sink() {
  static std::function<void(std::string_view)> sink;
  return sink;
}

}  // namespace

// The line goes to the platform's diagnostic output (defined here for POSIX hosts, in
// report_win.cpp for Windows).
void WriteDiagnostic(const std::string& line);

std::string FormatReport(std::string_view file, int line, std::string_view what, unsigned long error) {
  const size_t slash = file.find_last_of("/\\");
  if (slash != std::string_view::npos) file.remove_prefix(slash + 1);
  std::string out;
  out.reserve(file.size() + what.size() + 40);
  out.append(file).append(":").append(std::to_string(line)).append(": ").append(what);
  out.append(" (error ").append(std::to_string(error)).append(")");
  return out;
}

void ReportFailure(const char* file, int line, const char* what, unsigned long error) {
  const std::string text = FormatReport(file ? file : "", line, what ? what : "", error);
  WriteDiagnostic(text);
  if (const auto& sink = Sink()) sink(text);
}

void SetReportSink(std::function<void(std::string_view line)> sink) { Sink() = std::move(sink); }

void FailFast(const char* file, int line, const char* what) {
  ReportFailure(file, line, what, 0);
  std::abort();
}

#ifndef _WIN32
unsigned long LastSystemError() { return static_cast<unsigned long>(errno); }

void WriteDiagnostic(const std::string& line) { std::fprintf(stderr, "quorrel: %s\n", line.c_str()); }
#endif

}  // namespace quorrel
