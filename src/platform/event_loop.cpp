#include "platform/event_loop.h"

#include <utility>

namespace scrivlet {

bool Deferral::Run() {
  // Taken out first, so the call runs once even if it re-enters the loop.
  const std::function<void()> callback = std::exchange(callback_, nullptr);
  if (!callback) {
    return false;
  }
  callback();
  return true;
}

ScheduledCall& ScheduledCall::operator=(ScheduledCall&& other) noexcept {
  if (this != &other) {
    Cancel();
    deferral_ = std::move(other.deferral_);
  }
  return *this;
}

void ScheduledCall::Cancel() {
  if (deferral_) {
    deferral_->Cancel();
    deferral_.reset();
  }
}

}  // namespace scrivlet
