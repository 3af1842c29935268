#include "base/milestones.h"

#include <atomic>

namespace quorrel {
namespace {
std::atomic<MilestoneRecorder> g_recorder{nullptr};
}  // namespace

void SetMilestoneRecorder(MilestoneRecorder recorder) { g_recorder.store(recorder); }

void Milestone(const char* name) {
  if (const MilestoneRecorder recorder = g_recorder.load(std::memory_order_relaxed)) recorder(name);
}

}  // namespace quorrel
