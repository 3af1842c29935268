// The diagnostic channel. What the program deliberately does not show the user (a hotkey
// the system refused, a tray icon the shell did not take, a write that failed) still goes
// somewhere: one line with the file, the line, the condition and the last system error, to
// the debugger output on Windows (OutputDebugStringA; DebugView or a debugger shows it)
// and to stderr elsewhere.
//
//   if (ReportIf(!RegisterHotKey(...))) return false;
//
// ReportIf evaluates the condition once and gives it back, so it guards the failure path
// it reports. The system error is read right after the condition, before anything else
// can change it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quorrel {

// The calling thread's last system error (GetLastError on Windows, errno elsewhere).
unsigned long LastSystemError();

// "<file>:<line>: <what> (error <code>)", the file without its folders.
std::string FormatReport(std::string_view file, int line, std::string_view what, unsigned long error);

// Writes one report line to the diagnostic output (and to the sink, when one is set).
void ReportFailure(const char* file, int line, const char* what, unsigned long error);

// Tests watch the channel through a sink; an empty function removes it.
void SetReportSink(std::function<void(std::string_view line)> sink);

// Reports, then stops the program: for a programming error that no caller can handle (a
// window asked for a state of another type), as a failed assertion would. Never for an
// expected failure: those are values.
[[noreturn]] void FailFast(const char* file, int line, const char* what);

}  // namespace quorrel

#define ReportIf(cond)                                                                       \
  ((cond) ? (::quorrel::ReportFailure(__FILE__, __LINE__, #cond, ::quorrel::LastSystemError()), \
             true)                                                                           \
          : false)
