#pragma once

#include <chrono>
#include <functional>
#include <memory>

// The user-interface thread's event loop, as the control uses it: a call deferred until the
// current work is done (the one-shot pass after loading), a way for a wait to let waiting events
// run (the picture-copy dialog's pause), and a clock.
namespace scrivlet {

// One deferred call, shared by the loop that will run it and the handle that may cancel it.
// For implementations of EventLoop; callers hold a ScheduledCall.
class Deferral {
 public:
  explicit Deferral(std::function<void()> callback) : callback_(std::move(callback)) {}

  // Runs the callback unless it has run or been cancelled; returns whether it ran.
  bool Run();
  void Cancel() { callback_ = nullptr; }
  // Neither run nor cancelled.
  bool Pending() const { return static_cast<bool>(callback_); }

 private:
  std::function<void()> callback_;
};

// The owner's handle on a deferred call. Destroying it, or calling Cancel, before the call has
// run drops the call, so a control that goes away takes its pending calls with it. Move-only.
class ScheduledCall {
 public:
  ScheduledCall() = default;
  explicit ScheduledCall(std::shared_ptr<Deferral> deferral) : deferral_(std::move(deferral)) {}
  ScheduledCall(ScheduledCall&&) noexcept = default;
  ScheduledCall& operator=(ScheduledCall&& other) noexcept;
  ScheduledCall(const ScheduledCall&) = delete;
  ScheduledCall& operator=(const ScheduledCall&) = delete;
  ~ScheduledCall() { Cancel(); }

  void Cancel();
  // True while the call waits: it has neither run nor been cancelled.
  bool Pending() const { return deferral_ && deferral_->Pending(); }

 private:
  std::shared_ptr<Deferral> deferral_;
};

class EventLoop {
 public:
  virtual ~EventLoop() = default;

  // Runs `callback` once on this loop, after the work under way has returned and at least
  // `interval` has passed. Keep the handle: the call is dropped when the handle goes away.
  [[nodiscard]] virtual ScheduledCall Defer(std::chrono::milliseconds interval,
                                            std::function<void()> callback) = 0;

  // Lets the events that wait run (user input, deferred calls that are due), then returns. A
  // wait loop calls it so that the user interface stays live; those events may run any handler
  // of the control.
  virtual void ProcessPendingEvents() = 0;

  // A steady clock: time since an arbitrary origin, never going back.
  virtual std::chrono::milliseconds Now() const = 0;
};

}  // namespace scrivlet
