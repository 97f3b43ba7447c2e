#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/RunLoop.h"
#include "support/FreltTest.h"

using namespace platform;

class RunLoopTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        start = dispatch::clock::now();  // on the manual clock
    }

    RunLoop& loop = RunLoop::main();
    TimePoint start;
    std::vector<std::string> log;

    double elapsed() const { return std::chrono::duration<double>(dispatch::clock::now() - start).count(); }

    Timer::Handler note(std::string what) {
        return [this, what](Timer&) { log.push_back(what); };
    }
};

TEST_F(RunLoopTest, TimersFireInDeadlineOrderAndTiesInCreationOrder) {
    std::vector<double> at;
    auto t3 = Timer::make(seconds(3), false, note("3s"));
    auto tieA = Timer::make(seconds(2), false, note("2s a"));
    auto tieB = Timer::make(seconds(2), false, note("2s b"));
    auto t1 = Timer::make(seconds(1), false, [&](Timer&) {
        log.push_back("1s");
        at.push_back(elapsed());
    });
    // Added in another order than they were made.
    for (auto& t : {tieB, t1, t3, tieA}) loop.addTimer(t, RunLoopMode::defaultMode);
    advance(0.5);
    EXPECT_TRUE(log.empty());
    advance(5);
    EXPECT_EQ(log, (std::vector<std::string>{"1s", "2s a", "2s b", "3s"}));
    ASSERT_EQ(at.size(), 1u);
    EXPECT_DOUBLE_EQ(at[0], 1.0);  // each timer fires at its own moment
    EXPECT_FALSE(t3->isValid());   // one-shot timers end after firing
}

TEST_F(RunLoopTest, AOneShotTimerReArmedInItsHandlerFiresAgain) {
    std::vector<double> at;
    auto t = Timer::scheduled(1.0, false, [&](Timer& timer) {
        at.push_back(elapsed());
        if (at.size() < 3) timer.setFireDate(dispatch::clock::now() + seconds(2));
    });
    advance(10);
    EXPECT_EQ(at, (std::vector<double>{1.0, 3.0, 5.0}));
    EXPECT_FALSE(t->isValid());
}

TEST_F(RunLoopTest, ARepeatingTimerSkipsMissedIntervals) {
    std::vector<double> at;
    auto t = Timer::scheduled(1.0, true, [&](Timer&) { at.push_back(elapsed()); });
    advance(2.5);
    EXPECT_EQ(at, (std::vector<double>{1.0, 2.0}));
    // While the loop runs in a mode the timer is not in, its moments pass.
    manualclock::advance(seconds(3.8), RunLoopMode::modalPanel);
    manualclock::advance(seconds(0));
    ASSERT_EQ(at.size(), 3u);  // one late firing, not a burst of four
    EXPECT_NEAR(at[2], 6.3, 1e-6);
    EXPECT_EQ(t->fireDate(), start + seconds(7));
    advance(1.0);
    EXPECT_EQ(at.back(), 7.0);
    t->invalidate();
    advance(5);
    EXPECT_EQ(at.size(), 4u);
}

TEST_F(RunLoopTest, InvalidatedTimersDoNotFire) {
    auto before = Timer::scheduled(1.0, false, note("never"));
    before->invalidate();
    // A repeating timer that ends itself from its handler; what the handler
    // captured must stay alive until it returns.
    auto count = std::make_shared<int>(0);
    auto self = Timer::scheduled(1.0, true, [count, this](Timer& t) {
        t.invalidate();
        ++*count;
        log.push_back("self " + std::to_string(*count));
    });
    advance(5);
    EXPECT_EQ(log, (std::vector<std::string>{"self 1"}));
    EXPECT_FALSE(self->isValid());
    EXPECT_FALSE(loop.nextTimerDeadline(RunLoopMode::defaultMode).has_value());
}

TEST_F(RunLoopTest, TimersFireOnlyInTheirModes) {
    auto common = Timer::make(seconds(1), true, note("common"));
    auto defaultOnly = Timer::make(seconds(1), true, note("default"));
    auto tracking = Timer::make(seconds(1), true, note("tracking"));
    loop.addTimer(common, RunLoopMode::common);
    loop.addTimer(defaultOnly, RunLoopMode::defaultMode);
    loop.addTimer(tracking, RunLoopMode::eventTracking);

    manualclock::advance(seconds(1), RunLoopMode::modalPanel);
    EXPECT_EQ(log, (std::vector<std::string>{"common"}));
    // The others are overdue now; each fires once its mode runs.
    log.clear();
    manualclock::advance(seconds(0), RunLoopMode::eventTracking);
    EXPECT_EQ(log, (std::vector<std::string>{"tracking"}));
    log.clear();
    manualclock::advance(seconds(0), RunLoopMode::defaultMode);
    EXPECT_EQ(log, (std::vector<std::string>{"default"}));
    log.clear();
    manualclock::advance(seconds(1), RunLoopMode::defaultMode);
    EXPECT_EQ(log, (std::vector<std::string>{"common", "default"}));
}

TEST_F(RunLoopTest, NestedRunsStopInnermostFirst) {
    std::vector<std::string> modes;
    auto modal = Timer::scheduled(1.0, false, [&](Timer&) {
        log.push_back("modal begins");
        auto inner = Timer::make(seconds(1), false, [&](Timer&) {
            modes.push_back(loop.currentMode() + " " + std::to_string(loop.nestingDepth()));
            loop.stop();
        });
        loop.addTimer(inner, RunLoopMode::modalPanel);
        loop.run(RunLoopMode::modalPanel);
        log.push_back("modal ends");
    });
    // Due during the modal session, but only in the default mode.
    auto deferred = Timer::scheduled(1.5, false, note("deferred"));
    auto end = Timer::scheduled(5.0, false, [&](Timer&) {
        modes.push_back(loop.currentMode() + " " + std::to_string(loop.nestingDepth()));
        loop.stop();
    });
    loop.run();
    EXPECT_EQ(log, (std::vector<std::string>{"modal begins", "modal ends", "deferred"}));
    EXPECT_EQ(modes, (std::vector<std::string>{RunLoopMode::modalPanel + " 2", RunLoopMode::defaultMode + " 1"}));
    EXPECT_DOUBLE_EQ(elapsed(), 5.0);
    EXPECT_EQ(loop.nestingDepth(), 0);
}

TEST_F(RunLoopTest, RunUntilAConditionHolds) {
    int fired = 0;
    auto t = Timer::scheduled(1.0, true, [&](Timer&) { ++fired; });
    loop.run(RunLoopMode::defaultMode, [&] { return fired == 3; });
    EXPECT_EQ(fired, 3);
    EXPECT_DOUBLE_EQ(elapsed(), 3.0);
}

TEST_F(RunLoopTest, RunWithNothingThatCanStopItReportsAFailure) {
    std::vector<std::string> failures;
    setFailureHandler([&](const std::string& m) { failures.push_back(m); });
    loop.run(RunLoopMode::defaultMode, [] { return false; });
    EXPECT_EQ(failures.size(), 1u);
}

TEST_F(RunLoopTest, RunUntilIdleRunsQueuedWorkAndWhatItQueues) {
    std::vector<int> order;
    auto main = dispatch::Queue::main();
    main->async([&] {
        order.push_back(1);
        main->async([&] { order.push_back(3); });
    });
    main->async([&] { order.push_back(2); });
    auto due = Timer::scheduled(0.0, false, [&](Timer&) { order.push_back(0); });
    EXPECT_EQ(loop.runUntilIdle(), 4u);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(loop.runUntilIdle(), 0u);
}

TEST_F(RunLoopTest, WorkFromBackgroundQueuesReachesTheMainQueue) {
    std::atomic<bool> onMain{false};
    dispatch::Queue::global()->async([&] {
        dispatch::Queue::main()->async([&] { onMain = dispatch::isMainThread(); });
    });
    drain();
    EXPECT_TRUE(onMain.load());
}
