#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "store/Logging.h"
#include "store/PerformanceLog.h"
#include "support/FreltTest.h"

using namespace frelt;

namespace {
constexpr const char* kVariable = "FreltPerformanceLogTestVariable";
}

class PerformanceLogTest : public FreltTest {
protected:
    void TearDown() override {
        unsetenv(kVariable);
        FreltTest::TearDown();
    }

    PerformanceLog make() {
        return PerformanceLog(kVariable, "Scanner", platform::Log("MarkdownScanner", "Markdown Scanner Scanner Peformance"),
                              [this] { return clock; });
    }

    std::vector<std::string> lines() { return logs().messages(); }

    double clock = 1000;
};

TEST_F(PerformanceLogTest, WithoutTheVariableNothingIsWrittenAndTheTimerStaysAtZero) {
    unsetenv(kVariable);
    auto log = make();
    EXPECT_FALSE(log.enablePerfomanceLog());
    log.begin();
    log.logTime("step");
    log.finish();
    EXPECT_EQ(log.timer(), 0);
    EXPECT_TRUE(logs().records().empty());
}

TEST_F(PerformanceLogTest, TheVariableDecidesAtCreationEvenWhenEmpty) {
    setenv(kVariable, "", 1);
    auto enabled = make();
    unsetenv(kVariable);
    auto disabled = make();
    setenv(kVariable, "1", 1);  // too late for the one already made
    EXPECT_TRUE(enabled.enablePerfomanceLog());
    EXPECT_FALSE(disabled.enablePerfomanceLog());
    disabled.begin();
    enabled.begin();
    EXPECT_EQ(lines(), std::vector<std::string>{"--- TIMER Scanner began"});
}

TEST_F(PerformanceLogTest, WritesAtInfoLevelToTheOwnersLogWhateverTheDebugGate) {
    setenv(kVariable, "yes", 1);
    ASSERT_FALSE(logging::isDebugLoggingEnabled());
    auto log = make();
    log.begin();
    const auto records = logs().records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].subsystem, "MarkdownScanner");
    EXPECT_EQ(records[0].category, "Markdown Scanner Scanner Peformance");
    EXPECT_EQ(records[0].level, platform::LogLevel::Info);
}

TEST_F(PerformanceLogTest, TimingLinesMeasureFromTheStartAndFinishStops) {
    setenv(kVariable, "", 1);
    auto log = make();
    log.logTime("first");  // starts the stopwatch itself
    EXPECT_EQ(log.timer(), 1000);
    clock = 1000.5;
    log.logTime("second");
    clock = 1002;
    log.finish();
    EXPECT_EQ(log.timer(), 0);
    clock = 1010;
    log.logTime("again");  // a new measurement from now
    clock = 1010.25;
    log.finish();
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "--- TIMER Scanner began",
                           "TIMER Scanner: 0.000000 first",
                           "TIMER Scanner: 0.500000 second",
                           "--- TIMER Scanner finished. Total time: 2.000000",
                           "--- TIMER Scanner began",
                           "TIMER Scanner: 0.000000 again",
                           "--- TIMER Scanner finished. Total time: 0.250000",
                       }));
}

TEST_F(PerformanceLogTest, FinishWithoutAStartReportsZero) {
    setenv(kVariable, "", 1);
    auto log = make();
    log.finish();
    log.begin();
    clock = 1003;
    log.finish();
    log.finish();
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "--- TIMER Scanner finished. Total time: 0.000000",
                           "--- TIMER Scanner began",
                           "--- TIMER Scanner finished. Total time: 3.000000",
                           "--- TIMER Scanner finished. Total time: 0.000000",
                       }));
}

TEST_F(PerformanceLogTest, TheRealClockCountsFromTheReferenceDate) {
    setenv(kVariable, "", 1);
    PerformanceLog log(kVariable, "Markdown Renderer", platform::Log("MarkdownRenderer", "Markdown Renderer Performance"));
    log.begin();
    // 2001-01-01 lies more than 20 years back.
    EXPECT_GT(log.timer(), 20.0 * 365 * 24 * 3600);
}
