// The shortcuts import, run against a stand-in for the system's tool.

#include "sources/discovery/Shortcuts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "SourcesTestSupport.h"
#include "platform/appkit/Alert.h"
#include "store/DataStorage.h"
#include "store/StoreConstants.h"

using namespace frelt;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

class ShortcutsTest : public SourcesTest {
protected:
    void SetUp() override {
        SourcesTest::SetUp();
        listing = root() / "listing.txt";
        errors = root() / "errors.txt";
        writeTool();
        shortcuts()->shortcutCommand = tool.string();
    }

    // A tool that prints the listing file for "list" and fails otherwise.
    void writeTool() {
        tool = root() / "bin" / "shortcuts";
        fs::create_directories(tool.parent_path());
        std::ofstream(tool) << "#!/bin/sh\n[ \"$1\" = list ] || exit 9\ncat '" << listing.string() << "'\n"
                            << "[ -f '" << errors.string() << "' ] && cat '" << errors.string() << "' >&2\n"
                            << "exit $(cat '" << (root() / "status").string() << "')\n";
        fs::permissions(tool, fs::perms::owner_all);
        setStatus(0);
    }
    void setStatus(int value) { std::ofstream(root() / "status") << value; }
    void list(const std::string& lines) { std::ofstream(listing) << lines; }

    static std::shared_ptr<Shortcuts> shortcuts() { return Shortcuts::shared(); }
    static std::shared_ptr<DataStorage> store() { return DataStorage::shared(); }
    // Every entry as "name | path | source", tags appended.
    static Strings entries() {
        Strings out;
        for (const auto& e : store()->allData()->toVector()) {
            std::string line = e->name() + " | " + e->path() + " | " + rawValue(e->itemSource());
            for (const auto& t : e->tags()) line += " #" + t;
            out.push_back(line);
        }
        return out;
    }

    fs::path tool;
    fs::path listing;
    fs::path errors;
};

TEST_F(ShortcutsTest, ListedNamesBecomeEntriesAndVanishedOnesLeave) {
    Strings published;
    auto subscription = shortcuts()->shortcutsComplete.subscribe([&](const Strings& v) {
        published.push_back(std::to_string(v.size()));
    });
    PostCounter posts(Notifications::datastorageURLAddedOrModified);
    list("Morning\nNight Mode/2 & ä?#\n");

    shortcuts()->importShortcuts();

    EXPECT_EQ(entries(), (Strings{"Morning | shortcuts://run-shortcut?name=Morning | shortcuts",
                                  "Night Mode/2 & ä?# | shortcuts://run-shortcut?name=Night%20Mode%2F2%20%26%20%C3%A4%3F%23 "
                                  "| shortcuts"}));
    EXPECT_EQ(shortcuts()->shortcutsComplete.value(), (Strings{"Morning", "Night Mode/2 & ä?#"}));
    EXPECT_EQ(posts.count, 1);

    // The user tags one entry and adds a link into the shortcuts by hand.
    store()->entryWithPath("shortcuts://run-shortcut?name=Morning")->setTags({"daily"});
    ASSERT_EQ(store()->addToAllData(TableViewItem::initForURL("shortcuts://run-shortcut?name=Manual", "Manual", "")),
              DataStorage::addResultAdded);

    // A name differing in letter case is the same shortcut; a blank line is skipped.
    list("morning\n\nNew\nManual\n");
    shortcuts()->importShortcuts();

    EXPECT_EQ(entries(), (Strings{"Morning | shortcuts://run-shortcut?name=Morning | shortcuts #daily",
                                  "Manual | shortcuts://run-shortcut?name=Manual | other",
                                  "New | shortcuts://run-shortcut?name=New | shortcuts"}));
    ASSERT_EQ(store()->trashData().size(), 1u);
    EXPECT_EQ(store()->trashData().front()->name(), "Night Mode/2 & ä?#");
    EXPECT_EQ(posts.count, 2);
    EXPECT_EQ(published, (Strings{"0", "2", "4"}));
}

TEST_F(ShortcutsTest, AFailedListingChangesNothing) {
    list("Kept\n");
    shortcuts()->importShortcuts();
    const Strings before = entries();
    PostCounter posts(Notifications::datastorageURLAddedOrModified);
    list("Other\n");

    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::string message;
        std::string informative;
    };
    const std::string path = tool.string();
    const std::vector<Case> cases = {
        {"exit status", [&] { setStatus(3); }, "Invalid Exit-Code", path + " returned an invalid exit code"},
        {"error output",
         [&] {
             setStatus(0);
             std::ofstream(errors) << "first problem\nsecond problem\n";
         },
         path + " returned an error", "first problem\nsecond problem"},
        {"missing tool",
         [&] { shortcuts()->shortcutCommand = (root() / "nowhere" / "shortcuts").string(); },
         (root() / "nowhere" / "shortcuts").string() + " not found!", "The File needed to get the shortcuts was not found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        script->answerAlert([&](platform::Alert& alert) {
            EXPECT_EQ(alert.messageText(), c.message);
            EXPECT_EQ(alert.informativeText(), c.informative);
            return platform::AlertAnswer{};
        });
        shortcuts()->importShortcuts();
        EXPECT_EQ(entries(), before);
        EXPECT_EQ(shortcuts()->shortcutsComplete.value(), Strings{"Kept"});
        EXPECT_EQ(posts.count, 0);
    }
}

TEST_F(ShortcutsTest, ABusyStoreLosesNoEntry) {
    list("One\nTwo\n");
    shortcuts()->importShortcuts();
    const Strings before = entries();
    list("One\n");
    PostCounter posts(Notifications::datastorageURLAddedOrModified);

    // Busy from the start: nothing is touched.
    store()->setState(DatastorageState::rebuildData);
    shortcuts()->importShortcuts();
    EXPECT_EQ(entries(), before);
    EXPECT_EQ(posts.count, 0);
    store()->setState(DatastorageState::idle);

    // Busy once the listing is in: no name can be marked, so none is removed.
    auto subscription = shortcuts()->shortcutsComplete.subscribe([](const Strings& names) {
        if (names == Strings{"One"}) DataStorage::shared()->setState(DatastorageState::rebuildData);
    });
    shortcuts()->importShortcuts();
    EXPECT_EQ(entries(), before);
    EXPECT_TRUE(store()->trashData().empty());
    store()->setState(DatastorageState::idle);
}

TEST_F(ShortcutsTest, WithoutTheSystemToolTheImportSaysItIsMissing) {
    shortcuts()->shortcutCommand = Shortcuts::defaultShortcutCommand;
    if (fs::exists(Shortcuts::defaultShortcutCommand)) GTEST_SKIP() << "this machine has a shortcuts tool";
    script->answerAlert([](platform::Alert& alert) {
        EXPECT_EQ(alert.messageText(), "/usr/bin/shortcuts not found!");
        EXPECT_EQ(alert.informativeText(), "The File needed to get the shortcuts was not found");
        return platform::AlertAnswer{};
    });
    shortcuts()->importShortcuts();
    EXPECT_TRUE(entries().empty());
}

}  // namespace
