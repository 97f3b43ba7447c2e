#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "support/FreltTest.h"

using namespace platform::dispatch;

class DispatchTest : public FreltTest {};

TEST_F(DispatchTest, SmokeBarrierThenRead) {
    auto q = Queue::makeConcurrent("test");
    int value = 0;
    q->asyncBarrier([&] { value = 42; });
    int seen = q->syncValue([&] { return value; });
    EXPECT_EQ(seen, 42);
}
