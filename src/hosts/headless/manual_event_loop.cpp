#include "hosts/headless/manual_event_loop.h"

#include <algorithm>
#include <stdexcept>
#include <tuple>

namespace scrivlet {
namespace {

// Passes at one instant before AdvanceBy gives up on calls that keep deferring themselves.
constexpr int kMaxPassesPerInstant = 10000;

}  // namespace

ScheduledCall ManualEventLoop::Defer(std::chrono::milliseconds interval,
                                     std::function<void()> callback) {
  auto call = std::make_shared<Deferral>(std::move(callback));
  const std::chrono::milliseconds wait = std::max(interval, std::chrono::milliseconds{0});
  entries_.push_back(Entry{now_ + wait, next_sequence_++, call});
  return ScheduledCall(call);
}

void ManualEventLoop::ProcessPendingEvents() {
  ++process_calls_;
  const std::function<void()> activity = activity_;
  if (activity) {
    activity();
  }
  AdvanceBy(idle_step_);
}

std::size_t ManualEventLoop::RunPending() {
  return RunDueBefore(next_sequence_);
}

std::size_t ManualEventLoop::RunDueBefore(std::uint64_t limit) {
  std::size_t ran = 0;
  for (;;) {
    DropFinished();
    // The earliest due call deferred before the limit; looked up afresh because calls that run
    // may defer or cancel others.
    auto next = entries_.end();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      const bool eligible = it->Sequence < limit && it->Due <= now_;
      if (eligible && (next == entries_.end() ||
                       std::tie(it->Due, it->Sequence) < std::tie(next->Due, next->Sequence))) {
        next = it;
      }
    }
    if (next == entries_.end()) {
      return ran;
    }
    const std::shared_ptr<Deferral> call = next->Call;
    entries_.erase(next);
    if (call->Run()) {
      ++ran;
    }
  }
}

void ManualEventLoop::AdvanceBy(std::chrono::milliseconds step) {
  const std::chrono::milliseconds target = now_ + std::max(step, std::chrono::milliseconds{0});
  int passes_at_this_instant = 0;
  for (;;) {
    DropFinished();
    const auto next =
        std::min_element(entries_.begin(), entries_.end(),
                         [](const Entry& a, const Entry& b) { return a.Due < b.Due; });
    if (next == entries_.end() || next->Due > target) {
      break;
    }
    if (next->Due > now_) {
      now_ = next->Due;
      passes_at_this_instant = 0;
    } else if (++passes_at_this_instant > kMaxPassesPerInstant) {
      throw std::logic_error("deferred calls keep deferring themselves with no interval");
    }
    RunPending();
  }
  now_ = target;
}

std::size_t ManualEventLoop::PendingCount() const {
  return static_cast<std::size_t>(std::count_if(entries_.begin(), entries_.end(),
                                                [](const Entry& e) { return e.Call->Pending(); }));
}

void ManualEventLoop::DropFinished() {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [](const Entry& e) { return !e.Call->Pending(); }),
                 entries_.end());
}

}  // namespace scrivlet
