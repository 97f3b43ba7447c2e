// The query core's own rules: runQuery's answers, the scope update that
// searches only reachable folders, the first processing listing everything
// as added, and a restart over the same items publishing nothing new.

#include "sources/discovery/SpotlightQueryFS.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <type_traits>

#include "SourcesTestSupport.h"
#include "platform/linux/MetadataQuery.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

class SpotlightQueryCoreTest : public SourcesTest {
protected:
    template <class List>
    static Strings names(const std::shared_ptr<List>& list) {
        Strings out;
        for (const auto& r : *list->snapshot()) out.push_back(r.displayname.value_or("?"));
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST_F(SpotlightQueryCoreTest, RunQueryAnswersAndMissingScopesAreAwaited) {
    SpotlightQueryFS query;
    EXPECT_EQ(query.runQuery(), SpotlightQueryCore::runQueryNoPredicate);
    EXPECT_EQ(query.state.value(), SpotlightQueryState::stopped);

    const auto apps = makeFolder("apps");
    std::ofstream(apps + "/one.desktop") << "[Desktop Entry]\nType=Application\nName=One\nExec=one\n";
    std::ofstream(apps + "/two.desktop") << "[Desktop Entry]\nType=Application\nName=Two\nExec=two\n";
    const auto missing = (root() / "missing").string();
    query.setSearchScopes({apps, missing});
    // A folder that is not there yet stays a scope: it is searched once it appears.
    EXPECT_EQ(query.metadataQuery->searchScopes(), (Strings{apps, missing}));
    query.setQuery(platform::Predicate::make("kMDItemContentType == 'com.apple.application-bundle'"));

    std::vector<SpotlightQueryState> states;
    auto watch = query.state.subscribe([&](const SpotlightQueryState& s) { states.push_back(s); });
    EXPECT_EQ(query.runQuery(), SpotlightQueryCore::runQueryStarted);
    EXPECT_EQ(query.runQuery(), SpotlightQueryCore::runQueryAlreadyGathering);
    ASSERT_TRUE(runUntil([&] { return query.state.value() == SpotlightQueryState::finishedGathering; }));
    EXPECT_EQ(states, (std::vector<SpotlightQueryState>{SpotlightQueryState::stopped, SpotlightQueryState::startet,
                                                        SpotlightQueryState::beginGathering,
                                                        SpotlightQueryState::progressGathering,
                                                        SpotlightQueryState::finishedGathering}));
    // The first processing lists everything as added.
    EXPECT_EQ(names(query.queryResultsAdded.value()), (Strings{"One", "Two"}));
    EXPECT_TRUE(query.queryResultsUnchanged.value()->isEmpty());
    EXPECT_EQ(names(query.spotlightResultsAdded.value()), (Strings{"One", "Two"}));

    // Stopped and started again over the same items: the core processes
    // them as unchanged; the file-system lists publish nothing.
    int published = 0;
    auto added = query.spotlightResultsAdded.subscribe([&](const auto&) { ++published; });
    published = 0;
    query.metadataQuery->stopQuery();
    EXPECT_EQ(query.runQuery(), SpotlightQueryCore::runQueryStarted);
    ASSERT_TRUE(runUntil([&] { return query.state.value() == SpotlightQueryState::finishedGathering; }));
    EXPECT_EQ(names(query.queryResultsUnchanged.value()), (Strings{"One", "Two"}));
    EXPECT_TRUE(query.queryResultsAdded.value()->isEmpty());
    EXPECT_EQ(published, 0);

    // No scopes: the query searches nothing.
    query.setSearchScopes({});
    EXPECT_TRUE(query.metadataQuery->searchScopes().empty());
    EXPECT_FALSE(query.metadataQuery->isStarted());
}

// The crawl runs on a detached worker and reads the attribute names while
// it builds its items. A process that exits before the main thread took
// the crawl's answer destroys its static objects under that worker (the
// race ThreadSanitizer reported at every quit during a crawl); the names
// have nothing to destroy.
TEST_F(SpotlightQueryCoreTest, AnExitDuringACrawlDestroysNothingTheCrawlReads) {
    static_assert(std::is_trivially_destructible_v<std::remove_cvref_t<decltype(platform::metadataattribute::path)>>);
    static_assert(std::is_trivially_destructible_v<
                  std::remove_cvref_t<decltype(platform::metadataattribute::applicationContentType)>>);
    static_assert(std::is_trivially_destructible_v<
                  std::remove_cvref_t<decltype(platform::metadataquerynotification::didUpdate)>>);
    // A fresh process, so that the worker pool is its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto apps = makeFolder("apps");
    for (int i = 0; i < 300; ++i)
        std::ofstream(apps + "/app" + std::to_string(i) + ".desktop")
            << "[Desktop Entry]\nType=Application\nName=App " << i << "\nExec=app\n";
    EXPECT_EXIT(
        {
            auto query = platform::MetadataQuery::make();
            query->setSearchScopes({apps});
            query->setPredicate(platform::Predicate::make("kMDItemContentType == 'com.apple.application-bundle'"));
            query->startQuery();
            // The crawl finishes meanwhile; its answer is never taken.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
