// Counted accesses to granted locations: identifiers, records and the end of
// each access exactly once, from any thread.

#include "sources/access/SecurityScopedURLManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "SourcesTestSupport.h"
#include "platform/foundation/Text.h"

using namespace frelt;
using Strings = std::vector<std::string>;
using Source = UsedSecurityScopedURLSource;

namespace {

class SecurityScopedURLManagerTest : public SourcesTest {
protected:
    static std::shared_ptr<SecurityScopedURLManager> manager() { return SecurityScopedURLManager::shared(); }
    platform::Data grantOf(const std::string& name) {
        makeFile(name);
        return *platform::bookmark::create(fileURL(name));
    }
};

TEST_F(SecurityScopedURLManagerTest, NothingToBeginAndNothingToEnd) {
    makeFile("replaced.txt");
    const auto stale = *platform::bookmark::create(fileURL("replaced.txt"));
    makeFile("new.txt");
    std::filesystem::rename(root() / "new.txt", root() / "replaced.txt");
    makeFile("gone.txt");
    const auto unresolvable = *platform::bookmark::create(fileURL("gone.txt"));
    std::filesystem::remove(root() / "gone.txt");

    for (const auto& data : {std::optional<platform::Data>{}, std::optional(stale), std::optional(unresolvable),
                             std::optional(platform::Data{'x'})})
        EXPECT_EQ(manager()->beginAccess(data, Source::open), "");
    EXPECT_FALSE(manager()->endAccess(""));
    EXPECT_FALSE(manager()->endAccess("00000000-0000-4000-8000-000000000000"));
    EXPECT_TRUE(manager()->usedSecurityScopedURLs()->isEmpty());
    EXPECT_TRUE(logs().messages().empty());
}

TEST_F(SecurityScopedURLManagerTest, EachBeginIsItsOwnRecordEndedOnce) {
    const auto grant = grantOf("shared.txt");
    const auto url = fileURL("shared.txt");

    const std::string first = manager()->beginAccess(grant, Source::open);
    const std::string second = manager()->beginAccess(grant, Source::thumbnail);
    EXPECT_NE(first, second);
    const std::regex uuid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    EXPECT_TRUE(std::regex_match(first, uuid)) << first;
    EXPECT_EQ(platform::bookmark::accessCount(url), 2u);
    EXPECT_EQ(loggedAfter("+ Start access: "),
              (Strings{first + " for [" + url.string() + "] - Scope-Count: 1",
                       second + " for [" + url.string() + "] - Scope-Count: 2"}));

    EXPECT_FALSE(manager()->endAccess(platform::text::lowercased(first))) << "identifiers are exact";
    EXPECT_TRUE(manager()->endAccess(first));
    EXPECT_FALSE(manager()->endAccess(first));
    EXPECT_EQ(platform::bookmark::accessCount(url), 1u) << "the other access still holds the location";
    ASSERT_EQ(manager()->usedSecurityScopedURLs()->count(), 1u);
    EXPECT_EQ(manager()->usedSecurityScopedURLs()->first()->identifier, second);
    EXPECT_EQ(manager()->usedSecurityScopedURLs()->first()->source, Source::thumbnail);
    EXPECT_EQ(loggedAfter("- Stop access: "), Strings{first + " for [" + url.string() + "] - Scope-Count: 1"});

    EXPECT_TRUE(manager()->endAccess(second));
    EXPECT_EQ(platform::bookmark::accessCount(url), 0u);
}

TEST_F(SecurityScopedURLManagerTest, ARefusedBeginIsStillRecordedAndEnded) {
    const auto grant = grantOf("refused.txt");
    platform::bookmark::setFaultInjector(
        [](platform::bookmark::Operation op, const std::string&) { return op == platform::bookmark::Operation::startAccessing; });
    const std::string id = manager()->beginAccess(grant, Source::applicationDelegate);
    EXPECT_FALSE(id.empty());
    EXPECT_TRUE(manager()->endAccess(id));
}

TEST_F(SecurityScopedURLManagerTest, ManyThreadsBeginAndEndEachAccessExactlyOnce) {
    const auto grant = grantOf("busy.txt");
    const auto url = fileURL("busy.txt");
    constexpr int threads = 6;
    constexpr int rounds = 40;

    // Every thread begins accesses and ends each twice, racing the others.
    std::vector<std::vector<std::string>> begun(threads);
    std::atomic<int> ended{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < rounds; ++i) begun[t].push_back(manager()->beginAccess(grant, Source::open));
        });
    }
    for (auto& w : workers) w.join();
    workers.clear();
    EXPECT_EQ(manager()->usedSecurityScopedURLs()->count(), static_cast<std::size_t>(threads * rounds));
    EXPECT_EQ(platform::bookmark::accessCount(url), static_cast<std::size_t>(threads * rounds));

    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            // Each thread ends its own and its neighbour's: every identifier twice.
            for (int i = 0; i < rounds; ++i) {
                if (manager()->endAccess(begun[t][i])) ++ended;
                if (manager()->endAccess(begun[(t + 1) % threads][i])) ++ended;
            }
        });
    }
    for (auto& w : workers) w.join();

    EXPECT_EQ(ended.load(), threads * rounds);
    EXPECT_TRUE(manager()->usedSecurityScopedURLs()->isEmpty());
    EXPECT_EQ(platform::bookmark::accessCount(url), 0u);
}

}  // namespace
