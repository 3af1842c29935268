#include "app/state.h"

#include <memory>

#include "base/report.h"

namespace quorrel {
namespace {
std::unique_ptr<ProcessState> g_state;
}  // namespace

ProcessState& State() {
  // Never null, even if misused before InitProcessState or after ReleaseProcessState.
  if (ReportIf(!g_state)) g_state = std::make_unique<ProcessState>();
  return *g_state;
}

void InitProcessState() { g_state = std::make_unique<ProcessState>(); }

void ReleaseProcessState() { g_state.reset(); }

}  // namespace quorrel
