#pragma once

#include <QElapsedTimer>
#include <chrono>
#include <functional>

#include "platform/event_loop.h"

namespace scrivlet {

// The user-interface thread's Qt event loop.
//
// Defer starts a single-shot precise timer (it never fires early) that belongs to the returned
// handle: dropping or cancelling the handle stops it. The callback runs from the event loop, so
// only once the work under way has returned to it (or lets events run).
//
// ProcessPendingEvents runs the events that wait; when none did, it sleeps until the next event
// or for the idle wait at most, so that a wait loop built on it does not spin the processor.
// Now is a monotonic clock started with the object.
class QtEventLoop final : public EventLoop {
 public:
  static constexpr std::chrono::milliseconds kDefaultIdleWait{10};

  QtEventLoop();

  ScheduledCall Defer(std::chrono::milliseconds interval, std::function<void()> callback) override;
  void ProcessPendingEvents() override;
  std::chrono::milliseconds Now() const override;

  // The longest ProcessPendingEvents sleeps when nothing waits; zero never sleeps.
  void SetIdleWait(std::chrono::milliseconds wait) { idle_wait_ = wait; }

 private:
  QElapsedTimer clock_;
  std::chrono::milliseconds idle_wait_ = kDefaultIdleWait;
};

}  // namespace scrivlet
