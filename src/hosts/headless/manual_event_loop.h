#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/event_loop.h"

namespace scrivlet {

// An event loop run by code, with a clock that moves only when told to.
//
// A deferred call is due at Now() + interval. RunPending runs the calls that are due, earliest
// first and, at equal times, in the order they were deferred; a call deferred while it runs waits
// for the next run, as it would wait for the next turn of a real loop. AdvanceBy moves the clock
// and runs each call as its time comes, with the clock reading its due time.
// ProcessPendingEvents plays the user's activity, if any was set, then lets kDefaultIdleStep
// (or the step set) pass, so that a wait loop built on it always ends.
class ManualEventLoop final : public EventLoop {
 public:
  static constexpr std::chrono::milliseconds kDefaultIdleStep{10};

  ScheduledCall Defer(std::chrono::milliseconds interval, std::function<void()> callback) override;
  void ProcessPendingEvents() override;
  std::chrono::milliseconds Now() const override { return now_; }

  // Runs the calls due now; returns how many ran.
  std::size_t RunPending();
  // Moves the clock forward by `step` (negative counts as 0), running what comes due on the way.
  // Throws std::logic_error when calls keep deferring themselves with no interval, which would
  // keep the clock from ever moving on.
  void AdvanceBy(std::chrono::milliseconds step);

  // How far the clock moves on each ProcessPendingEvents.
  void SetIdleStep(std::chrono::milliseconds step) { idle_step_ = step; }
  // Code that plays the user each time pending events are processed (a click during a wait).
  void SetUserActivity(std::function<void()> activity) { activity_ = std::move(activity); }

  // Deferred calls that have neither run nor been cancelled.
  std::size_t PendingCount() const;
  std::int64_t ProcessPendingEventsCalls() const { return process_calls_; }

 private:
  struct Entry {
    std::chrono::milliseconds Due;
    std::uint64_t Sequence;
    std::shared_ptr<Deferral> Call;
  };

  // Runs the due calls deferred before sequence `limit`; returns how many ran.
  std::size_t RunDueBefore(std::uint64_t limit);
  void DropFinished();

  std::chrono::milliseconds now_{0};
  std::chrono::milliseconds idle_step_ = kDefaultIdleStep;
  std::uint64_t next_sequence_ = 0;
  std::vector<Entry> entries_;
  std::function<void()> activity_;
  std::int64_t process_calls_ = 0;
};

}  // namespace scrivlet
