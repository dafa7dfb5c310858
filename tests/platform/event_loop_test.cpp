#include "hosts/headless/manual_event_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace scrivlet {
namespace {

using std::chrono::milliseconds;

class ManualEventLoopTest : public ::testing::Test {
 protected:
  // Defers a call that logs `name` and the clock reading when it runs.
  ScheduledCall Log(milliseconds interval, std::string name) {
    return loop_.Defer(interval, [this, name] {
      log_.push_back(name + "@" + std::to_string(loop_.Now().count()));
    });
  }

  ManualEventLoop loop_;
  std::vector<std::string> log_;
};

TEST_F(ManualEventLoopTest, CallsRunWhenDueEarliestFirstThenInDeferralOrder) {
  const ScheduledCall a = Log(milliseconds{5}, "a");
  const ScheduledCall b = Log(milliseconds{1}, "b");
  const ScheduledCall c = Log(milliseconds{1}, "c");
  const ScheduledCall d = Log(milliseconds{0}, "d");
  EXPECT_EQ(loop_.PendingCount(), 4u);

  EXPECT_EQ(loop_.RunPending(), 1u);
  EXPECT_EQ(log_, std::vector<std::string>{"d@0"});
  EXPECT_TRUE(b.Pending());
  EXPECT_FALSE(d.Pending());

  loop_.AdvanceBy(milliseconds{10});
  EXPECT_EQ(log_, (std::vector<std::string>{"d@0", "b@1", "c@1", "a@5"}));
  EXPECT_EQ(loop_.Now(), milliseconds{10});
  EXPECT_EQ(loop_.PendingCount(), 0u);
}

TEST_F(ManualEventLoopTest, NothingRunsBeforeItsTime) {
  const ScheduledCall pass = Log(milliseconds{1}, "pass");
  loop_.RunPending();
  loop_.AdvanceBy(milliseconds{0});
  EXPECT_TRUE(log_.empty());
  loop_.AdvanceBy(milliseconds{1});
  EXPECT_EQ(log_, std::vector<std::string>{"pass@1"});
  loop_.AdvanceBy(milliseconds{100});
  EXPECT_EQ(log_.size(), 1u);  // once only
}

TEST_F(ManualEventLoopTest, ACallDeferredWhileRunningWaitsForTheNextRun) {
  ScheduledCall inner;
  const ScheduledCall outer = loop_.Defer(milliseconds{0}, [&] {
    log_.push_back("outer");
    inner = Log(milliseconds{0}, "inner");
  });
  EXPECT_EQ(loop_.RunPending(), 1u);
  EXPECT_EQ(log_, std::vector<std::string>{"outer"});
  EXPECT_EQ(loop_.RunPending(), 1u);
  EXPECT_EQ(log_, (std::vector<std::string>{"outer", "inner@0"}));
}

TEST_F(ManualEventLoopTest, DroppingOrCancellingTheHandleDropsTheCall) {
  { const ScheduledCall dropped = Log(milliseconds{1}, "dropped"); }
  ScheduledCall cancelled = Log(milliseconds{1}, "cancelled");
  cancelled.Cancel();
  EXPECT_FALSE(cancelled.Pending());
  ScheduledCall replaced = Log(milliseconds{1}, "replaced");
  replaced = Log(milliseconds{1}, "replacement");
  ScheduledCall moved = Log(milliseconds{1}, "moved");
  const ScheduledCall kept = std::move(moved);

  loop_.AdvanceBy(milliseconds{1});
  EXPECT_EQ(log_, (std::vector<std::string>{"replacement@1", "moved@1"}));
}

TEST_F(ManualEventLoopTest, AHandleMayOutliveItsLoop) {
  auto loop = std::make_unique<ManualEventLoop>();
  ScheduledCall call = loop->Defer(milliseconds{1}, [] {});
  loop.reset();
  EXPECT_TRUE(call.Pending());
  call.Cancel();
  EXPECT_FALSE(call.Pending());
}

TEST_F(ManualEventLoopTest, ProcessingEventsPlaysTheUserAndLetsTimePass) {
  int clicks = 0;
  loop_.SetUserActivity([&clicks] { ++clicks; });
  const ScheduledCall due = Log(milliseconds{15}, "due");

  // A wait of one second built the way a pause is: it ends, and the user stayed live.
  const milliseconds start = loop_.Now();
  while (loop_.Now() - start < milliseconds{1000}) {
    loop_.ProcessPendingEvents();
  }
  EXPECT_EQ(loop_.ProcessPendingEventsCalls(), 100);
  EXPECT_EQ(clicks, 100);
  EXPECT_EQ(log_, std::vector<std::string>{"due@15"});

  loop_.SetIdleStep(milliseconds{250});
  loop_.ProcessPendingEvents();
  EXPECT_EQ(loop_.Now(), milliseconds{1250});
}

TEST_F(ManualEventLoopTest, CallsThatKeepDeferringThemselvesAtOnceAreReported) {
  std::function<void()> again;
  std::vector<ScheduledCall> calls;
  again = [&] { calls.push_back(loop_.Defer(milliseconds{0}, again)); };
  calls.push_back(loop_.Defer(milliseconds{0}, again));
  EXPECT_THROW(loop_.AdvanceBy(milliseconds{1}), std::logic_error);
}

TEST_F(ManualEventLoopTest, CallsThatDeferThemselvesLaterRunOncePerInterval) {
  int ticks = 0;
  std::function<void()> tick;
  ScheduledCall next;
  tick = [&] {
    ++ticks;
    next = loop_.Defer(milliseconds{10}, tick);
  };
  next = loop_.Defer(milliseconds{10}, tick);
  loop_.AdvanceBy(milliseconds{100});
  EXPECT_EQ(ticks, 10);
}

}  // namespace
}  // namespace scrivlet
