#include "app/state.h"

#include <cassert>
#include <memory>

namespace quorrel {
namespace {
std::unique_ptr<ProcessState> g_state;
}  // namespace

ProcessState& State() {
  assert(g_state && "process state used outside InitProcessState/ReleaseProcessState");
  if (!g_state) g_state = std::make_unique<ProcessState>();  // never null, even if misused
  return *g_state;
}

void InitProcessState() {
  g_state = std::make_unique<ProcessState>();
  g_state->PendingAccount.resize(2);
}

void SetPendingAccount(std::vector<Text> parts) {
  std::vector<SecretText> next;
  next.reserve(parts.size());
  for (Text& p : parts) {
    next.emplace_back(std::move(p));
  }
  State().PendingAccount = std::move(next);
}

const Text& PendingAccountPart(size_t i) {
  static const Text empty;
  const auto& parts = State().PendingAccount;
  return i < parts.size() ? parts[i].str() : empty;
}

}  // namespace quorrel
