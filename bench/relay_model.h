// A model of a relay that passes key events on to another machine: a virtual machine's
// console or a remote-control client feeding the guest's emulated keyboard. Events wait in
// a short queue, and the guest takes one of them at each of its polls, a fixed interval
// apart (an emulated USB keyboard reports every 10 ms); an event that finds the queue full
// is lost, as a guest's keyboard buffer or a relay's send queue loses what overflows it.
// Order is kept, so a Shift that arrives in the same instant as its key reaches the guest
// a poll before it, but a burst loses everything beyond the queue.
//
// Portable (no Win32): the Windows stand-in of such a console (typing_target's "relay"
// mode) and the host benchmark that chose the typing pace use the same model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace quorrel::relay {

struct Model {
  size_t capacity = 16;      // events the queue holds
  uint32_t pollMs = 10;      // the guest takes one event this often
};

class Relay {
 public:
  explicit Relay(Model model) : model_(model) {}
  // An event arriving at `ms` (any steady clock, never going back): true when it is queued
  // and will reach the guest, false when it is lost.
  bool Arrive(uint32_t ms) {
    while (!taken_.empty() && taken_.front() < ms) taken_.pop_front();
    if (taken_.size() >= model_.capacity) return false;
    // The first poll at or after its arrival that no earlier event has.
    uint32_t poll = (ms + model_.pollMs - 1) / model_.pollMs * model_.pollMs;
    if (any_ && poll <= last_) poll = last_ + model_.pollMs;
    taken_.push_back(poll);
    last_ = poll;
    any_ = true;
    return true;
  }

 private:
  Model model_;
  std::deque<uint32_t> taken_;  // the polls at which the queued events reach the guest
  uint32_t last_ = 0;           // the poll of the last event queued
  bool any_ = false;
};

}  // namespace quorrel::relay
