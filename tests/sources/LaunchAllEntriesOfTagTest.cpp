// Launching every entry of a tag: a handful at once, a moderate number after
// a confirmation, too many not at all; only visible, reachable entries count.

#include <gtest/gtest.h>

#include "SourcesTestSupport.h"
#include "app/AppDelegate.h"
#include "platform/appkit/Alert.h"
#include "store/DataStorage.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

class LaunchAllTest : public SourcesTest {
protected:
    void addLinks(int n, const std::string& tag) {
        for (int i = 0; i < n; ++i) {
            auto entry = TableViewItem::initForURL("https://example.org/" + tag + std::to_string(i), "L", "");
            entry->setTags({tag});
            DataStorage::shared()->addToAllData(entry);
        }
    }
    std::size_t opened() {
        drain();
        return workspace->calls().size();
    }
};

TEST_F(LaunchAllTest, LimitsAskAndRefuseByCount) {
    struct Case {
        int entries;
        std::optional<bool> confirm;  // none: no question is asked
        std::size_t opened;
    };
    const std::vector<Case> cases{{14, std::nullopt, 14}, {15, false, 0}, {15, true, 15}, {30, true, 30}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entries);
        const std::string tag = "t" + std::to_string(c.entries) + (c.confirm.value_or(false) ? "y" : "n");
        addLinks(c.entries, tag);
        workspace->clearCalls();
        if (c.confirm) {
            script->answerAlert([&c](platform::Alert& alert) {
                const std::string n = std::to_string(c.entries);
                EXPECT_EQ(alert.messageText(), "Do you really want to launch all " + n + " entries at once?");
                EXPECT_NE(alert.informativeText().find("The list contains current " + n + " entries."), std::string::npos);
                return platform::AlertAnswer{*c.confirm ? platform::modalresponse::alertFirstButton
                                                        : platform::modalresponse::alertSecondButton};
            });
        }
        DataStorage::shared()->launchAllEntriesOfTag(tag);
        EXPECT_EQ(opened(), c.opened);
    }
    addLinks(31, "many");
    workspace->clearCalls();
    script->answerAlert([](platform::Alert& alert) {
        EXPECT_EQ(alert.messageText(), "There are too many entries in the list");
        EXPECT_EQ(alert.informativeText(),
                  "The list contains current 31 entries. This exceeds the upper limit of 30 entries that can be "
                  "started simultaneously.");
        EXPECT_EQ(alert.alertStyle(), platform::AlertStyle::warning);
        return platform::AlertAnswer{};
    });
    DataStorage::shared()->launchAllEntriesOfTag("many");
    EXPECT_EQ(opened(), 0u);
}

TEST_F(LaunchAllTest, OnlyVisibleReachableEntriesOfTheTagInAnyCaseCount) {
    const auto store = DataStorage::shared();
    const auto add = [&](const std::string& path, const std::string& tag) {
        auto entry = path.rfind("https", 0) == 0 ? TableViewItem::initForURL(path, "L", "")
                                                  : TableViewItem::initForExternalNonSpotlightObject(path);
        entry->setTags({tag});
        store->addToAllData(entry);
        return entry;
    };
    add("https://example.org/a", "work");
    add("https://example.org/b", "WORK");
    add("https://example.org/c", "Play");
    // Only what the search found can be hidden; what the user added always shows.
    auto hidden = TableViewItem::initForSpotlightApp(makeApplication("apps/hidden.desktop", "Hidden"), "Hidden");
    hidden->setTags({"Work"});
    hidden->setIsVisible(false);
    store->addToAllData(hidden);
    add((root() / "gone.txt").string(), "Work");
    store->launchAllEntriesOfTag("Work");
    EXPECT_TRUE(workspace->calls().empty()) << "the openings are queued behind the call";
    drain();
    EXPECT_EQ(workspace->callDescriptions(), (Strings{"openURL https://example.org/a with configuration",
                                                      "openURL https://example.org/b with configuration"}));
    store->launchAllEntriesOfTag("");
    drain();
    EXPECT_EQ(workspace->calls().size(), 2u);
}

}  // namespace
