#include <string>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "store/DataStorage.h"
#include "store/IconTag.h"
#include "store/Logging.h"
#include "store/ProxyTags.h"
#include "store/StoreConstants.h"
#include "store/TagManager.h"
#include "store/TableViewItem.h"
#include "support/FreltTest.h"

using namespace frelt;

namespace {

using Names = std::vector<std::string>;

class ProxyTagsTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        logging::setDebugLoggingEnabled(true);
    }
    void TearDown() override {
        logging::setDebugLoggingEnabled(false);
        FreltTest::TearDown();
    }

    static iconTag::Ptr tag(const std::string& name) { return iconTag::initWithNewName(name, TagManager::defaultTag); }
    static std::shared_ptr<ProxyTags::TagArray> tags(std::vector<std::string> names) {
        std::vector<iconTag::Ptr> list;
        for (const auto& n : names) list.push_back(tag(n));
        return ProxyTags::TagArray::create(std::move(list));
    }

    // "type:name" of every entry, in order.
    static Names contents(const ProxyTags::EntryArray& entries) {
        Names out;
        entries.forEach([&](const TableViewItem::Ptr& e) { out.push_back(e->itemTypeRawValue() + ":" + e->name()); });
        return out;
    }

    bool logged(const std::string& message) const { return const_cast<ProxyTagsTest*>(this)->logs().contains(message); }
};

TEST_F(ProxyTagsTest, RefreshAddsEntriesForVisibleTagsInTheirOrder) {
    auto app = TableViewItem::initForSpotlightApp("/apps/a.desktop", "App");
    auto allData = ProxyTags::EntryArray::create({app});
    ProxyTags::refreshTags(*allData, *tags({"Home", "Work|Mail"}));

    EXPECT_EQ(contents(*allData), (Names{"application:App", "tag:Tag [Home]", "tag:Tag [Work|Mail]"}));
    const auto added = *allData->last();
    EXPECT_EQ(added->path(), "Work|Mail");
    EXPECT_EQ(added->itemSource(), ListviewItemSource::tags);
    EXPECT_TRUE(added->isFoundByTags());
    EXPECT_TRUE(logged("Proxy: Tags - Refreshing Tags-Entries in AllData"));
    EXPECT_TRUE(logged("Proxy: Tags - Added: Tag [Work|Mail]"));
}

TEST_F(ProxyTagsTest, ExistingEntryIsValidatedAndDuplicatesAndStrangersGo) {
    auto kept = TableViewItem::initForTag("Work", "Tag [Work]");
    auto duplicate = TableViewItem::initForTag("Work", "Tag [Work]");
    auto otherCase = TableViewItem::initForTag("work", "Tag [work]");
    auto gone = TableViewItem::initForTag("Old", "Tag [Old]");
    // Not a tag entry: never touched, whatever its name.
    auto lookalike = TableViewItem::initForSpotlightApp("/apps/t.desktop", "Tag [Old]");
    auto allData = ProxyTags::EntryArray::create({kept, lookalike, duplicate, otherCase, gone});

    ProxyTags::refreshTags(*allData, *tags({"Work"}));

    ASSERT_EQ(allData->count(), 2u);
    EXPECT_EQ(*allData->first(), kept);
    EXPECT_EQ(*allData->last(), lookalike);
    EXPECT_TRUE(logged("Proxy: Tags - Validated: Tag [Work]"));
    EXPECT_FALSE(logged("Proxy: Tags - Added: Tag [Work]"));
}

TEST_F(ProxyTagsTest, CanonicallyEquivalentNamesBelongToTheTag) {
    auto decomposed = TableViewItem::initForTag("Cafe\u0301", "Tag [Cafe\u0301]");
    auto allData = ProxyTags::EntryArray::create({decomposed});
    ProxyTags::refreshTags(*allData, *tags({"Caf\u00e9"}));
    ASSERT_EQ(allData->count(), 1u);
    EXPECT_EQ(*allData->first(), decomposed);
}

TEST_F(ProxyTagsTest, NoVisibleTagsRemovesEveryTagEntry) {
    auto allData = ProxyTags::EntryArray::create(
        {TableViewItem::initForTag("A", "Tag [A]"), TableViewItem::initForSpotlightApp("/apps/a.desktop", "App")});
    ProxyTags::refreshTags(*allData, *tags({}));
    EXPECT_EQ(contents(*allData), (Names{"application:App"}));
}

TEST_F(ProxyTagsTest, EnabledLogsOnlyRealChanges) {
    ProxyTags proxy;
    EXPECT_FALSE(proxy.enabled());
    EXPECT_FALSE(proxy.initialized());
    proxy.setEnabled(false);
    proxy.setEnabled(true);
    proxy.setEnabled(true);
    proxy.setEnabled(false);
    EXPECT_EQ(logs().messages(), (Names{"Proxy: Tags enabled: true", "Proxy: Tags enabled: false"}));
    EXPECT_EQ(logs().records().front().category, "tagsProxy");
    EXPECT_EQ(logs().records().front().level, platform::LogLevel::Info);
}

// The registry and the store as the program runs them: tag changes reach
// allData through the registry's visible-tag rebuild.
class ProxyTagsStoreTest : public ProxyTagsTest {
protected:
    void SetUp() override {
        ProxyTagsTest::SetUp();
        store = DataStorage::shared();
        tagManager = TagManager::shared();
        store->allData()->append(TableViewItem::initForSpotlightApp("/apps/a.desktop", "App"));
        proxy.setup();
        proxy.setInitialized(true);
    }

    iconTag::Ptr addVisibleTag(const std::string& name) {
        auto t = tag(name);
        t->setTagVisible(true);
        tagManager->allAvailableTags()->append(t);
        return t;
    }

    ProxyTags proxy;
    std::shared_ptr<DataStorage> store;
    std::shared_ptr<TagManager> tagManager;
};

TEST_F(ProxyTagsStoreTest, TagEntriesFollowTheVisibleTagsWhileEnabled) {
    proxy.setEnabled(true);
    auto work = addVisibleTag("Work");
    tagManager->rebuildVisibleTags();
    EXPECT_EQ(contents(*store->allData()), (Names{"application:App", "tag:Tag [Work]"}));

    auto home = addVisibleTag("Home");
    tagManager->rebuildVisibleTags();
    EXPECT_EQ(contents(*store->allData()), (Names{"application:App", "tag:Tag [Work]", "tag:Tag [Home]"}));

    work->setTagName("Office");
    tagManager->rebuildVisibleTags();
    EXPECT_EQ(contents(*store->allData()), (Names{"application:App", "tag:Tag [Home]", "tag:Tag [Office]"}));

    home->setTagVisible(false);
    tagManager->rebuildVisibleTags();
    EXPECT_EQ(contents(*store->allData()), (Names{"application:App", "tag:Tag [Office]"}));

    // A change of a visible tag's use counter refreshes as well.
    store->allData()->append(TableViewItem::initForTag("Stale", "Tag [Stale]"));
    platform::NotificationCenter::defaultCenter().post(Notifications::visibleTagsUseCounterChanged);
    EXPECT_EQ(contents(*store->allData()), (Names{"application:App", "tag:Tag [Office]"}));
}

TEST_F(ProxyTagsStoreTest, NothingChangesWhileDisabled) {
    addVisibleTag("Work");
    tagManager->rebuildVisibleTags();
    platform::NotificationCenter::defaultCenter().post(Notifications::visibleTagsRebuildNeeded);
    EXPECT_EQ(contents(*store->allData()), (Names{"application:App"}));
    EXPECT_FALSE(logged("Proxy: Tags - Refreshing Tags-Entries in AllData"));

    // Enabling alone does not refresh; the next notification does.
    proxy.setEnabled(true);
    EXPECT_EQ(contents(*store->allData()), (Names{"application:App"}));
    platform::NotificationCenter::defaultCenter().post(Notifications::visibleTagsRebuildNeeded);
    EXPECT_EQ(contents(*store->allData()), (Names{"application:App", "tag:Tag [Work]"}));

    // Disabled again: the entries stay as they are though the tag is gone.
    proxy.setEnabled(false);
    tagManager->allAvailableTags()->removeAll();
    tagManager->rebuildVisibleTags();
    EXPECT_EQ(contents(*store->allData()), (Names{"application:App", "tag:Tag [Work]"}));
}

}  // namespace
