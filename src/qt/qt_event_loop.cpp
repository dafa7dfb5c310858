#include "qt/qt_event_loop.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <memory>

namespace scrivlet {
namespace {

// A deferred call with its timer. The handle's shared pointer owns it, so the timer lives
// exactly as long as someone may still want the call.
class TimedDeferral final : public Deferral {
 public:
  explicit TimedDeferral(std::function<void()> callback)
      : Deferral(std::move(callback)), timer_(new QTimer) {
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
  }
  TimedDeferral(const TimedDeferral&) = delete;
  TimedDeferral& operator=(const TimedDeferral&) = delete;
  // The callback may drop the last handle while the timer is still emitting its timeout, so
  // the timer is stopped now and deleted once control is back in the event loop.
  ~TimedDeferral() {
    timer_->stop();
    timer_->disconnect();
    timer_->deleteLater();
  }

  void Start(std::chrono::milliseconds interval) {
    const auto wait = static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(
        interval.count(), 0, std::numeric_limits<int>::max()));
    QObject::connect(timer_, &QTimer::timeout, [this] { Run(); });
    timer_->start(wait);
  }

 private:
  QTimer* timer_;
};

}  // namespace

QtEventLoop::QtEventLoop() {
  clock_.start();
}

ScheduledCall QtEventLoop::Defer(std::chrono::milliseconds interval,
                                 std::function<void()> callback) {
  auto deferral = std::make_shared<TimedDeferral>(std::move(callback));
  deferral->Start(interval);
  return ScheduledCall(std::move(deferral));
}

void QtEventLoop::ProcessPendingEvents() {
  QEventLoop loop;
  if (loop.processEvents(QEventLoop::AllEvents) || idle_wait_.count() <= 0) {
    return;
  }
  QTimer wake;
  wake.setSingleShot(true);
  wake.start(static_cast<int>(std::min<std::chrono::milliseconds::rep>(
      idle_wait_.count(), std::numeric_limits<int>::max())));
  loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

std::chrono::milliseconds QtEventLoop::Now() const {
  return std::chrono::milliseconds(clock_.elapsed());
}

}  // namespace scrivlet
