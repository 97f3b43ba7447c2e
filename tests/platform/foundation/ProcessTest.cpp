#include "platform/foundation/Process.h"

#include <gtest/gtest.h>

#include <signal.h>

#include "support/FreltTest.h"

using platform::Process;

namespace {

class ProcessTest : public FreltTest {};

TEST_F(ProcessTest, CollectsBothStreamsByteForByte) {
    auto result = Process::run("/bin/sh", {"-c", "printf 'a\\000b'; printf 'e\\n' >&2; exit 7"});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->standardOutput, (platform::Data{'a', 0, 'b'}));
    EXPECT_EQ(result->standardError, (platform::Data{'e', '\n'}));
    EXPECT_EQ(result->terminationStatus, 7);
    EXPECT_FALSE(result->terminatedBySignal);
    EXPECT_FALSE(result->timedOut);
}

TEST_F(ProcessTest, LargeOutputOnBothStreams) {
    auto result = Process::run("/bin/sh", {"-c", "head -c 3000000 /dev/zero >&2; head -c 2000000 /dev/zero"});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->standardError.size(), 3000000u);
    EXPECT_EQ(result->standardOutput.size(), 2000000u);
    EXPECT_EQ(result->terminationStatus, 0);
}

TEST_F(ProcessTest, LaunchFailuresGiveAReason) {
    std::string reason;
    EXPECT_FALSE(Process::run((root() / "missing").string(), {}, &reason));
    EXPECT_FALSE(reason.empty());
    reason.clear();
    EXPECT_FALSE(Process::run(root().string(), {}, &reason));  // a folder
    EXPECT_FALSE(reason.empty());
}

TEST_F(ProcessTest, SignalEndsTheChild) {
    auto result = Process::run("/bin/sh", {"-c", "kill -TERM $$"});
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->terminatedBySignal);
    EXPECT_EQ(result->terminationStatus, SIGTERM);
}

TEST_F(ProcessTest, TimeoutReturnsEvenWhenAGrandchildHoldsThePipes) {
    Process::Options options;
    options.timeout = std::chrono::milliseconds(200);
    auto result = Process::run("/bin/sh", {"-c", "sleep 2 & echo waiting; wait"}, options);
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->timedOut);
    EXPECT_TRUE(result->terminatedBySignal);
    EXPECT_EQ(result->terminationStatus, SIGKILL);
    EXPECT_EQ(std::string(result->standardOutput.begin(), result->standardOutput.end()), "waiting\n");
}

}  // namespace
