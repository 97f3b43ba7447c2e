// Adding and changing link entries: the result codes and what each changes.

#include "sources/urls/DatastorageHandlerURLObjects.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SourcesTestSupport.h"
#include "store/DataStorage.h"
#include "store/StoreConstants.h"

using namespace frelt;
using Strings = std::vector<std::string>;
using R = AddModifyURLResult;

namespace {

class DatastorageHandlerURLObjectsTest : public SourcesTest {
protected:
    static std::shared_ptr<DataStorage> store() { return DataStorage::shared(); }
    static DatastorageHandlerURLObjects& handler() { return *store()->URLHandler(); }

    static TableViewItem::Ptr link(const std::string& url, const std::string& name, const std::string& comment = "") {
        auto entry = TableViewItem::initForURL(url, name, comment);
        EXPECT_EQ(store()->addToAllData(entry), DataStorage::addResultAdded);
        return entry;
    }
    static Strings links() {
        Strings out;
        for (const auto& e : store()->allData()->toVector()) {
            std::string tags;
            for (const auto& t : e->tags()) tags += "#" + t;
            out.push_back(e->name() + " | " + e->path() + " | " + e->comment() + tags);
        }
        return out;
    }
    ChangeRecorder changes;
};

TEST_F(DatastorageHandlerURLObjectsTest, AddingChecksStoreURLAndTitleInThatOrder) {
    struct Case {
        const char* url;
        const char* title;
        R result;
        const char* entry;  // the entry made, if any
    };
    const Case cases[] = {
        {"https://www.example.org/page", "", R::success, "www.example.org | https://www.example.org/page | "},
        {"https://example.com/x", " Example ", R::success, "Example | https://example.com/x | "},
        {"x-app://search?q=%%userInput:Question%%", "Search", R::success,
         "Search | x-app://search?q=%%userInput:Question%% | "},
        {"mailto:someone@example.org", "", R::noTitle, nullptr},
        {"tel:01234567890", "", R::noTitle, nullptr},
        {"https://www.example.net", "   ", R::noTitle, nullptr},
        {"no scheme", "Title", R::urlInvalid, nullptr},
        {"https://exa mple.org", "Title", R::urlInvalid, nullptr},
        {"%%userInput%%", "Title", R::urlInvalid, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        store()->allData()->removeAll();
        PostCounter posts(Notifications::datastorageURLAddedOrModified);
        EXPECT_EQ(handler().addURLToDatabase(c.url, c.title, "", std::nullopt), c.result);
        EXPECT_EQ(links(), c.entry ? Strings{c.entry} : Strings{});
        EXPECT_EQ(posts.count, c.entry ? 1 : 0);
    }

    store()->setState(DatastorageState::rebuildData);
    EXPECT_EQ(handler().addURLToDatabase("https://busy.example.org", "Busy", "", std::nullopt), R::databaseNotIdle);
    store()->setState(DatastorageState::idle);
}

TEST_F(DatastorageHandlerURLObjectsTest, AnExistingURLGetsTheTagOrIsReportedAsADuplicate) {
    link("https://example.org/Page", "Page");
    PostCounter posts(Notifications::datastorageURLAddedOrModified);

    // Letter case does not make another URL.
    EXPECT_EQ(handler().addURLToDatabase("https://EXAMPLE.org/Page", "Other", "", std::nullopt), R::entryAlreadyExists);
    EXPECT_EQ(posts.count, 0);

    EXPECT_EQ(handler().addURLToDatabase("https://example.org/page", "Other", "c", "work"), R::success);
    EXPECT_EQ(links(), Strings{"Page | https://example.org/Page | #work"});
    EXPECT_EQ(posts.count, 1);

    // Already tagged: nothing changes, and it is still a success.
    EXPECT_EQ(handler().addURLToDatabase("https://example.org/page", "Other", "c", "work"), R::success);
    EXPECT_EQ(links(), Strings{"Page | https://example.org/Page | #work"});
    EXPECT_EQ(posts.count, 1);

    EXPECT_EQ(handler().addURLToDatabase("https://example.org/new", "New", "", "work"), R::success);
    EXPECT_EQ(links().back(), "New | https://example.org/new | #work");
}

TEST_F(DatastorageHandlerURLObjectsTest, ModifyingReportsEachRefusalAndChangesOnlyWhatDiffers) {
    const auto entry = link("https://example.org/a", "A", "comment");
    link("https://example.org/b", "B");
    PostCounter posts(Notifications::datastorageURLAddedOrModified);

    EXPECT_EQ(handler().modifyURLInDatabase(entry, "https://example.org/a", "A", "comment"), R::nothingChanged);
    EXPECT_EQ(handler().modifyURLInDatabase(entry, "no scheme", "A", "comment"), R::urlInvalid);
    EXPECT_EQ(handler().modifyURLInDatabase(entry, "https://example.org/a", "", "comment"), R::noTitle);
    EXPECT_EQ(handler().modifyURLInDatabase(entry, "https://EXAMPLE.org/B", "A", "comment"), R::entryAlreadyExists);
    EXPECT_TRUE(changes.posts.empty());
    EXPECT_EQ(posts.count, 0);

    EXPECT_EQ(handler().modifyURLInDatabase(entry, "https://example.org/a", "A", "new comment"), R::success);
    EXPECT_EQ(changes.reasons(), Strings{"commentChanged"});
    // Its own URL in another letter case is no duplicate.
    EXPECT_EQ(handler().modifyURLInDatabase(entry, "https://example.org/A?q=%%userInput%%", "A2", "new comment"),
              R::success);
    EXPECT_EQ(changes.reasons(), (Strings{"commentChanged", "nameChanged", "pathChanged"}));
    EXPECT_EQ(entry->nameLowercased(), "a2");
    EXPECT_EQ(posts.count, 2);
}

TEST_F(DatastorageHandlerURLObjectsTest, AnotherEntryThatLooksTheSameStillHoldsTheURL) {
    // Two entries equal in every field (as a doubled import leaves them):
    // the one not being changed is another entry, so the URL is taken.
    const auto entry = link("https://example.org/twin", "Twin");
    const auto twin = TableViewItem::initForURL("https://example.org/twin", "Twin", "");
    ASSERT_TRUE(twin->isEqual(entry));
    store()->allData()->append(twin);

    EXPECT_EQ(handler().modifyURLInDatabase(entry, "https://example.org/twin", "Renamed", ""), R::entryAlreadyExists);
    EXPECT_EQ(entry->name(), "Twin");
}

}  // namespace
