#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "store/Logging.h"
#include "support/FreltTest.h"

using namespace frelt;

namespace {

// Counts how often it is turned into text.
struct CountingValue {
    std::atomic<int>* conversions;
    std::string description() const {
        ++*conversions;
        return "counted";
    }
};

enum class Fruit { apple, pear };
const char* rawValue(Fruit f) { return f == Fruit::apple ? "apple" : "pear"; }

enum class Plain { zero, one };

}  // namespace

class LoggingTest : public FreltTest {
protected:
    void TearDown() override {
        logging::setDebugLoggingEnabled(false);
        FreltTest::TearDown();
    }
};

TEST_F(LoggingTest, FormatsThePlaceholdersTheMessagesUse) {
    struct Case {
        std::string expected;
        std::string actual;
    };
    std::atomic<int> conversions{0};
    const std::optional<std::string> none;
    const auto shared = std::make_shared<CountingValue>(CountingValue{&conversions});
    const std::vector<Case> cases = {
        {"allData contains 42 items", formatLogMessage("allData contains %{public}@ items", 42)},
        {"open failed: /tmp/a b", formatLogMessage("open failed: %{public}@", std::string("/tmp/a b"))},
        {"x private y", formatLogMessage("x %{private}@ y", "private")},
        {"TIMER Scanner: 1.500000 step", formatLogMessage("TIMER %{public}@: %f %@", "Scanner", 1.5, "step")},
        {"%d: -3 4 5 100%", formatLogMessage("%%d: %d %ld %i 100%%", -3, 4L, std::size_t{5})},
        {"enabled: true false", formatLogMessage("enabled: %{public}@ %@", true, false)},
        {"2.0 0.25 1e+20", formatLogMessage("%@ %@ %@", 2.0, 0.25, 1e20)},
        {"apple 1", formatLogMessage("%@ %@", Fruit::apple, Plain::one)},
        {"counted nil", formatLogMessage("%@ %@", shared, none)},
        {"[a, b] 2.50", formatLogMessage("%@ %.2f", std::vector<std::string>{"a", "b"}, 2.5)},
        {"7 (missing)", formatLogMessage("%@ %@", 7)},
        {"no values", formatLogMessage("no values", 1, 2)},
        {"odd %q stays", formatLogMessage("odd %q stays")},
        {"trailing %", formatLogMessage("trailing %")},
        {"-> é ✓", formatLogMessage("-> %{public}@", "é ✓")},
    };
    for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected);
}

TEST_F(LoggingTest, TwentyFourCategoriesUnderTheApplicationIdentifier) {
    const auto& all = logging::allCategories();
    ASSERT_EQ(all.size(), 24u);
    EXPECT_STREQ(rawValue(all.front()), "general");
    EXPECT_STREQ(rawValue(all[4]), "open");
    EXPECT_STREQ(rawValue(all[14]), "dataStorage");
    EXPECT_STREQ(rawValue(all.back()), "securityScopedURLManager");
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(static_cast<std::size_t>(all[i]), i);
        EXPECT_EQ(logCategoryFromRawValue(rawValue(all[i])), all[i]);
        const platform::Log& object = logging::logObject(all[i]);
        EXPECT_EQ(object.subsystem(), "org.frelt.Frelt");
        EXPECT_EQ(object.category(), rawValue(all[i]));
        EXPECT_EQ(&object, &logging::logObject(all[i]));
    }
    EXPECT_EQ(logCategoryFromRawValue("General"), std::nullopt);
    EXPECT_EQ(&logging::defaultLogObject(), &platform::Log::defaultLog());
}

TEST_F(LoggingTest, TwoThreadsFirstUsingACategoryGetTheSameObject) {
    // Each run of the program creates a category's object once; whichever of
    // several racing threads comes first, they all get that one.
    for (LogCategory category : {LogCategory::shortcuts, LogCategory::freltManager, LogCategory::iconCache}) {
        const platform::Log* seen[4] = {};
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i) {
            threads.emplace_back([&, i] {
                ++ready;
                while (ready < 4) std::this_thread::yield();
                seen[i] = &logging::logObject(category);
            });
        }
        for (auto& t : threads) t.join();
        for (const auto* s : seen) EXPECT_EQ(s, seen[0]);
    }
}

TEST_F(LoggingTest, AClosedGateWritesNothingAndConvertsNothing) {
    ASSERT_FALSE(logging::isDebugLoggingEnabled());
    std::atomic<int> conversions{0};
    const CountingValue value{&conversions};
    int evaluated = 0;
    auto costly = [&] {
        ++evaluated;
        return std::string("costly");
    };
    for (LogCategory category : logging::allCategories())
        log(category, LogLevel::Default, "-> %{public}@", value);
    log(LogCategory::dataStorage, LogLevel::Fault, "buildData failed -> %{public}@", value);
    logDefault(LogLevel::Default, "Access-Test for %{public}@ -> Access possible", value);
    FRELT_LOG(dataStorage, Error, "open failed: %{public}@", costly());
    EXPECT_EQ(conversions, 0);
    EXPECT_EQ(evaluated, 0);
    EXPECT_TRUE(logs().records().empty());
}

TEST_F(LoggingTest, OpeningTheGateLetsTheVeryNextMessagePass) {
    std::atomic<int> conversions{0};
    const CountingValue value{&conversions};
    log(LogCategory::tagManager, LogLevel::Default, "before %{public}@", value);
    logging::setDebugLoggingEnabled(true);
    log(LogCategory::tagManager, LogLevel::Info, "after %{public}@", value);
    logDefault(LogLevel::Default, "showMainWindow in AppDelegate executed");
    FRELT_LOG(hotkeys, Error, "# Register Hotkeys for KeyType: %{public}@", std::string("global"));
    logging::setDebugLoggingEnabled(false);
    log(LogCategory::tagManager, LogLevel::Default, "closed again");

    EXPECT_EQ(conversions, 1);
    const auto records = logs().records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].subsystem, "org.frelt.Frelt");
    EXPECT_EQ(records[0].category, "tagManager");
    EXPECT_EQ(records[0].level, platform::LogLevel::Info);
    EXPECT_EQ(records[0].message, "after counted");
    EXPECT_EQ(records[1].subsystem, "");
    EXPECT_EQ(records[1].category, "");
    EXPECT_EQ(records[1].message, "showMainWindow in AppDelegate executed");
    EXPECT_EQ(records[2].category, "hotkeys");
    EXPECT_EQ(records[2].level, platform::LogLevel::Error);
    EXPECT_EQ(records[2].message, "# Register Hotkeys for KeyType: global");
}
