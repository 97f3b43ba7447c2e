// The entry and tag archives in the user defaults: a whole save, teardown and
// load; the keys and classes written; what a save keeps and drops; and how
// unreadable or partly unusable stored archives are handled.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "TableViewItemTestSupport.h"
#include "app/AppDelegate.h"
#include "hotkeys/KeyCombo.h"
#include "platform/appkit/Alert.h"
#include "platform/appkit/ModalScript.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/graphics/Color.h"
#include "sources/urls/URLManager.h"
#include "store/Configuration.h"
#include "store/DataStorage.h"
#include "store/IconTag.h"
#include "store/StoreConstants.h"
#include "store/TagManager.h"

using namespace frelt;
using Strings = std::vector<std::string>;
namespace Keys = DefaultsKeys;

namespace {

KeyCombo::Ptr archivedCombo(Key key, platform::ModifierFlags modifiers = platform::modifierflags::command) {
    return KeyCombo::make(key, modifiers);
}

bool sameCombo(const KeyCombo::Ptr& a, const KeyCombo::Ptr& b) { return a == b || (a && b && *a == *b); }

std::string describe(const std::optional<platform::Color>& color) {
    if (!color) return "-";
    std::string out = std::to_string(static_cast<int>(color->space()));
    for (double c : color->components()) out += "," + std::to_string(c);
    return out;
}

std::string describe(const KeyCombo::Ptr& hotkey) {
    if (!hotkey) return "-";
    return std::string(rawValue(hotkey->key())) + "/" + std::to_string(hotkey->modifiers()) +
           (hotkey->doubledModifiers() ? "/doubled" : "");
}

std::string join(const Strings& parts) {
    std::string out;
    for (const auto& p : parts) out += (out.empty() ? "" : ",") + p;
    return out;
}

// Every stored field of an entry, and the visibility a rebuild derives.
std::string describe(const TableViewItem& e) {
    return e.name() + " | " + e.path() + " | [" + join(e.tags()) + "] | " + e.comment() + " | " +
           rawValue(e.itemType()) + " | " + rawValue(e.itemSource()) + " | color " + describe(e.color()) +
           " | hotkey " + describe(e.hotkey()) + " | visible " + std::to_string(e.isVisible()) + " | favorite " +
           std::to_string(e.isFavorite());
}

std::string describe(const iconTag& t) {
    return t.tagName() + " | " + t.tagSymbol() + " | color " + describe(t.color()) + " | hotkey " +
           describe(t.hotkey()) + " | launchAll " + describe(t.hotkeyLaunchAll()) + " | used " +
           std::to_string(t.tagUsed()) + " | visible " + std::to_string(t.tagVisible()) + " | count " +
           std::to_string(t.tagUseCounter());
}

// The user's entries (tag entries are the proxy's, not the user's).
Strings entriesOfStore() {
    Strings out;
    for (const auto& e : DataStorage::shared()->allData()->toVector())
        if (e && e->itemType() != ListviewItemType::tag) out.push_back(describe(*e));
    return out;
}

Strings tagsOfRegistry() {
    Strings out;
    for (const auto& t : TagManager::shared()->allAvailableTags()->toVector()) out.push_back(describe(*t));
    return out;
}

Strings tagNames() {
    Strings out;
    for (const auto& t : TagManager::shared()->allAvailableTags()->toVector()) out.push_back(t->tagName());
    return out;
}

Strings entryNames() {
    Strings out;
    for (const auto& e : DataStorage::shared()->allData()->toVector())
        if (e && e->itemType() != ListviewItemType::tag) out.push_back(e->name());
    return out;
}

// The objects of a stored list archive, decoded.
platform::ArchiveArray storedList(platform::UserDefaults& defaults, const char* key) {
    const auto data = defaults.dataForKey(key);
    if (!data) return {};
    const auto result = platform::KeyedUnarchiver::unarchiveTopLevelObject(*data);
    EXPECT_TRUE(result) << result.error;
    const auto* list = result.object.asArray();
    EXPECT_NE(list, nullptr) << key << " holds no list";
    return list ? *list : platform::ArchiveArray{};
}

platform::Data archiveOf(platform::ArchiveArray list) {
    return *platform::KeyedArchiver::archivedData(platform::ArchiveObject(std::move(list)));
}

class ConfigurationArchivesTest : public EntryTest {
protected:
    void SetUp() override {
        EntryTest::SetUp();
        // As a launch does: the stored lists are read before anything saves.
        config()->loadConfig();
        config()->setDebugLogging(true);
    }

    static std::shared_ptr<Configuration> config() { return AppDelegate::shared()->config; }
    static std::shared_ptr<DataStorage> store() { return DataStorage::shared(); }
    static std::shared_ptr<TagManager> tags() { return TagManager::shared(); }
    static platform::UserDefaults& defaults() { return *config()->defaults; }
    static std::shared_ptr<platform::ModalScript> script() { return platform::ModalScript::shared(); }

    TableViewItem::Ptr add(const TableViewItem::Ptr& entry) {
        EXPECT_EQ(store()->addToAllData(entry), DataStorage::addResultAdded) << entry->path();
        return entry;
    }
    TableViewItem::Ptr file(const std::string& name, Strings tagList = {}) {
        auto entry = TableViewItem::initForExternalNonSpotlightObject(makeFile("files/" + name));
        entry->setTags(tagList);
        return add(entry);
    }
    iconTag::Ptr registerTag(const std::string& name, const std::string& symbol = "icon_star") {
        auto tag = iconTag::initWithNewName(name, symbol);
        tags()->allAvailableTags()->append(tag);
        return tag;
    }
    // Tears every single instance down, as ending the program does, and
    // makes the store, the registry and the settings afresh (not loaded).
    void relaunch() {
        platform::singleinstance::resetAll();
        platform::Workspace::setShared(workspace);
        config()->setDebugLogging(true);
    }
};

TEST_F(ConfigurationArchivesTest, ASavedStoreComesBackFieldByFieldAfterEverySingleInstanceIsMadeAgain) {
    const platform::Color red = platform::Color::sRGB(1, 0, 0);
    const platform::Color teal = platform::Color::sRGB(0, 0.5, 0.5, 0.75);

    // Entries of every kind the user keeps, with every stored field set.
    auto doc = file("report.txt", {"work", "work|reports"});
    doc->setComment("quarterly numbers");
    doc->setColor(red);
    doc->setHotkey(archivedCombo(Key::r, platform::modifierflags::command | platform::modifierflags::option));
    doc->setIsFavorite(true);
    auto hidden = file("hidden.txt");
    hidden->setIsVisible(false);  // kept hidden; hiding dropped any hotkey
    auto folder = add(TableViewItem::initForExternalNonSpotlightObject(makeFolder("projects")));
    folder->setTags({"work"});
    folder->setColor(teal);
    auto link = add(TableViewItem::initForURL("https://example.org/wiki", "Wiki", "team pages"));
    link->setTags({"web"});
    link->setHotkey(KeyCombo::makeDoubled(platform::modifierflags::shift));
    auto app = add(TableViewItem::initForSpotlightApp(makeApplication("apps/editor.desktop", "Editor"), "Editor"));
    app->setTags({"tools"});
    app->setIsFavorite(true);
    // Found by the search index and untouched: not worth storing.
    add(TableViewItem::initForSpotlightApp(makeApplication("apps/plain.desktop", "Plain"), "Plain"));

    // Tags with their own symbols, colours and hotkeys; one no entry uses.
    // Symbols must be icon names: a load gives any other symbol the default.
    const auto& icons = tags()->iconNames();
    auto work = registerTag("work", icons.at(5));
    work->setColor(teal);
    work->setHotkey(archivedCombo(Key::w));
    work->setHotkeyLaunchAll(archivedCombo(Key::w, platform::modifierflags::command | platform::modifierflags::shift));
    registerTag("web", icons.at(17))->setHotkey(archivedCombo(Key::g));
    registerTag("spare", icons.at(42))->setColor(red);

    // Settings away from what an empty store loads.
    auto c = config();
    c->searchForComments = true;
    c->searchForTags = false;
    c->showPathInMainView = true;
    c->windowViewStyle = 1;
    c->clickType = 1;
    c->alternateFolderBrowser = "/usr/bin/files";
    c->customSpotlightSearchScope = {"/opt/apps", "/srv/tools"};
    c->menubarIcon = "statusbar-3";
    c->entryBackgroundAlphaValue = 0.5f;
    c->mainWindowWidth = MainWindowWidth::with800;
    c->mainWindowHeight = MainWindowHeight::height55;
    c->setSidebarCategoriesShowFiles(true);
    c->setSidebarCategoriesShowFavorites(true);
    c->setSidebarCategoriesShowURLs(false);
    c->globalKeyCombo = archivedCombo(Key::space, platform::modifierflags::option);
    c->globalKeyComboCategoriesShowFiles = archivedCombo(Key::f, platform::modifierflags::control);

    store()->rebuildData(RebuildDataReason::datastorageInitialize);
    const Strings entriesBefore = entriesOfStore();
    const Strings tagsBefore = tagsOfRegistry();
    ASSERT_EQ(entriesBefore.size(), 6u);
    ASSERT_GE(tagsBefore.size(), 5u) << "the rebuild registers the tags of every entry";

    c->saveConfig(false);
    // Nothing of the old run may outlive the teardown.
    c.reset();
    for (auto* entry : {&doc, &hidden, &folder, &link, &app}) entry->reset();
    work.reset();
    relaunch();
    ASSERT_TRUE(entriesOfStore().empty());
    ASSERT_TRUE(tagsOfRegistry().empty());

    config()->loadConfig();
    store()->rebuildData(RebuildDataReason::datastorageInitialize);

    // The untouched index entry is not stored; everything else is.
    Strings expectedEntries = entriesBefore;
    expectedEntries.erase(std::remove_if(expectedEntries.begin(), expectedEntries.end(),
                                         [](const std::string& e) { return e.rfind("Plain |", 0) == 0; }),
                          expectedEntries.end());
    EXPECT_EQ(entriesOfStore(), expectedEntries);
    EXPECT_EQ(tagsOfRegistry(), tagsBefore);
    EXPECT_TRUE(script()->presented().empty());

    const auto& l = *config();
    EXPECT_TRUE(l.searchForComments);
    EXPECT_TRUE(l.showPathInMainView);
    EXPECT_FALSE(l.searchForTags);
    EXPECT_EQ(l.windowViewStyle, 1);
    EXPECT_EQ(l.clickType, 1);
    EXPECT_EQ(l.alternateFolderBrowser, "/usr/bin/files");
    EXPECT_EQ(l.customSpotlightSearchScope, (Strings{"/opt/apps", "/srv/tools"}));
    EXPECT_EQ(l.menubarIcon, "statusbar-3");
    EXPECT_FLOAT_EQ(l.entryBackgroundAlphaValue, 0.5f);
    EXPECT_EQ(l.mainWindowWidth, MainWindowWidth::with800);
    EXPECT_EQ(l.mainWindowHeight, MainWindowHeight::height55);
    EXPECT_TRUE(l.sidebarCategoriesShowFiles());
    EXPECT_TRUE(l.sidebarCategoriesShowFavorites());
    EXPECT_FALSE(l.sidebarCategoriesShowURLs());
    EXPECT_TRUE(sameCombo(l.globalKeyCombo, archivedCombo(Key::space, platform::modifierflags::option)));
    EXPECT_TRUE(sameCombo(l.globalKeyComboCategoriesShowFiles, archivedCombo(Key::f, platform::modifierflags::control)));
    EXPECT_EQ(l.globalKeyComboCategoriesShowURLs, nullptr);
}

TEST_F(ConfigurationArchivesTest, EntriesAndTagsAreStoredUnderTheirKeysWithTheirClassNamesOnlyWhenWorthKeeping) {
    file("a.txt", {"t"});
    add(TableViewItem::initForSpotlightApp(makeApplication("apps/plain.desktop", "Plain"), "Plain"));
    file("b.txt")->setComment("note");
    registerTag("kept", "icon_star");
    registerTag("bare", "");  // no symbol, colour or hotkey: nothing to keep
    registerTag("coloured", "icon_tags")->setColor(platform::Color::sRGB(0, 1, 0));

    config()->saveConfig(false);

    Strings entries;
    for (const auto& o : storedList(defaults(), Keys::applicationData)) {
        const auto entry = o.as<TableViewItem>();
        ASSERT_NE(entry, nullptr);
        entries.push_back(entry->name());
    }
    EXPECT_EQ(entries, (Strings{"a.txt", "b.txt"})) << "in the store's order, without the untouched index entry";
    Strings stored;
    for (const auto& o : storedList(defaults(), Keys::tagData)) {
        const auto tag = o.as<iconTag>();
        ASSERT_NE(tag, nullptr);
        stored.push_back(tag->tagName());
    }
    EXPECT_EQ(stored, (Strings{"kept", "coloured"}));

    // The records carry the module-qualified class names.
    auto holds = [](const platform::Data& data, const std::string& text) {
        return std::search(data.begin(), data.end(), text.begin(), text.end()) != data.end();
    };
    EXPECT_TRUE(holds(*defaults().dataForKey(Keys::applicationData), "frelt.TableViewItem"));
    EXPECT_TRUE(holds(*defaults().dataForKey(Keys::tagData), "frelt.iconTag"));
}

TEST_F(ConfigurationArchivesTest, RemovingTheLastEntriesAndTagsStoresEmptyListsSoTheyDoNotComeBack) {
    struct Case {
        const char* name;
        bool keepAnIndexEntry;  // the store still holds an entry, but none worth keeping
    };
    for (const Case& c : {Case{"no entry left", false}, Case{"nothing worth keeping", true}}) {
        SCOPED_TRACE(c.name);
        file(std::string("doc-") + c.name, {"t"});
        registerTag("t", "icon_star");
        config()->saveConfig(false);
        ASSERT_EQ(storedList(defaults(), Keys::applicationData).size(), 1u);
        ASSERT_EQ(storedList(defaults(), Keys::tagData).size(), 1u);

        // The user removes the entry and the tag.
        store()->allData()->removeAll();
        if (c.keepAnIndexEntry)
            add(TableViewItem::initForSpotlightApp(makeApplication("apps/p.desktop", "P"), "P"));
        tags()->allAvailableTags()->removeAll();
        config()->saveConfig(false);

        EXPECT_TRUE(defaults().dataForKey(Keys::applicationData).has_value());
        EXPECT_TRUE(storedList(defaults(), Keys::applicationData).empty());
        EXPECT_TRUE(defaults().dataForKey(Keys::tagData).has_value());
        EXPECT_TRUE(storedList(defaults(), Keys::tagData).empty());

        relaunch();
        config()->loadConfig();
        EXPECT_TRUE(entryNames().empty());
        EXPECT_TRUE(tagNames().empty());
        EXPECT_TRUE(script()->presented().empty());
    }
}

TEST_F(ConfigurationArchivesTest, AnUnreadableArchiveAlertsOnceIsKeptAsideAndItsKeyRemoved) {
    for (const char* key : {Keys::applicationData, Keys::tagData}) {
        SCOPED_TRACE(key);
        const platform::Data garbage{'b', 'p', 'l', 'i', 's', 't', '0', '0', 0xff, 0x01};
        file("survivor.txt", {"t"});
        registerTag("t");
        config()->saveConfig(false);
        defaults().set(key, platform::Value(garbage));
        relaunch();
        script()->answerAlert([](platform::Alert& alert) {
            EXPECT_EQ(alert.messageText(), "Error loading data");
            EXPECT_EQ(alert.informativeText(), "The data could not be loaded successfully");
            return platform::AlertAnswer{};
        });

        config()->loadConfig();

        EXPECT_TRUE(script()->verifyAllAnswersUsed());
        EXPECT_EQ(script()->presented(), Strings{"alert: Error loading data"});
        EXPECT_FALSE(defaults().objectForKey(key).has_value());
        EXPECT_EQ(defaults().dataForKey(std::string(key) + ".unreadable"), garbage);
        EXPECT_TRUE(store()->enableDataProxies()) << "the proxies are switched on again";
        // Only the unreadable list is lost; the other one loads.
        const bool entriesLost = std::string(key) == Keys::applicationData;
        EXPECT_EQ(entryNames().empty(), entriesLost);
        EXPECT_EQ(tagNames().empty(), !entriesLost);

        // The next launch finds no key and says nothing; the copy stays.
        relaunch();
        config()->loadConfig();
        EXPECT_TRUE(script()->presented().empty());
        EXPECT_EQ(defaults().dataForKey(std::string(key) + ".unreadable"), garbage);

        store()->allData()->removeAll();
        tags()->allAvailableTags()->removeAll();
    }
}

TEST_F(ConfigurationArchivesTest, RecordsThatYieldNoObjectOrAreOfAnotherClassAreSkippedAndTheRestLoads) {
    auto first = TableViewItem::initForExternalNonSpotlightObject(makeFile("first.txt"));
    auto nameless = TableViewItem::initForURL("https://example.org", "", "");  // decodes to no entry
    auto last = TableViewItem::initForURL("https://example.org/last", "Last", "");
    last->setComment("x");
    auto tag = iconTag::initWithNewName("kept", "icon_star");
    auto namelessTag = iconTag::initWithNewName("", "icon_star");  // decodes to no tag
    defaults().set(Keys::applicationData,
                   platform::Value(archiveOf({platform::ArchiveObject(first), platform::ArchiveObject("a text"),
                                              platform::ArchiveObject(nameless), platform::ArchiveObject(tag),
                                              platform::ArchiveObject(last)})));
    defaults().set(Keys::tagData,
                   platform::Value(archiveOf({platform::ArchiveObject(namelessTag), platform::ArchiveObject(first),
                                              platform::ArchiveObject(tag), platform::ArchiveObject::number(3)})));

    config()->loadConfig();

    EXPECT_EQ(entryNames(), (Strings{"first.txt", "Last"}));
    EXPECT_EQ(tagNames(), Strings{"kept"});
    EXPECT_TRUE(script()->presented().empty());
}

TEST_F(ConfigurationArchivesTest, AReadableArchiveThatHoldsNoListLoadsNothingAndStays) {
    file("present.txt", {"t"});
    registerTag("present");
    const auto text = *platform::KeyedArchiver::archivedData(platform::ArchiveObject("not a list"));
    defaults().set(Keys::applicationData, platform::Value(text));
    defaults().set(Keys::tagData, platform::Value(text));

    config()->loadConfig();

    EXPECT_TRUE(entryNames().empty());
    EXPECT_TRUE(tagNames().empty());
    EXPECT_EQ(defaults().dataForKey(Keys::applicationData), text);
    EXPECT_EQ(defaults().dataForKey(Keys::tagData), text);
    EXPECT_TRUE(script()->presented().empty());
}

TEST_F(ConfigurationArchivesTest, OnlyTheSaveAtQuitDropsTagsNoEntryUses) {
    file("a.txt", {"used"});
    store()->rebuildData(RebuildDataReason::datastorageInitialize);
    registerTag("unused", "icon_star");
    ASSERT_EQ(tagNames(), (Strings{"used", "unused"}));

    config()->saveConfig(false);
    EXPECT_EQ(tagNames(), (Strings{"used", "unused"}));
    EXPECT_EQ(storedList(defaults(), Keys::tagData).size(), 2u);

    config()->saveConfig(true);
    EXPECT_EQ(tagNames(), Strings{"used"});
    const auto stored = storedList(defaults(), Keys::tagData);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].as<iconTag>()->tagName(), "used");
}

TEST_F(ConfigurationArchivesTest, LoadingTagsGivesASymbolThatIsNoIconNameTheDefaultSymbol) {
    defaults().set(Keys::tagData, platform::Value(archiveOf({platform::ArchiveObject(
                                      iconTag::initWithNewName("odd", "no_such_icon"))})));
    config()->saveConfigTimerReason.clear();

    config()->loadConfig();

    ASSERT_EQ(tagNames(), Strings{"odd"});
    EXPECT_EQ(tags()->allAvailableTags()->toVector()[0]->tagSymbol(), TagManager::defaultTag);
    EXPECT_EQ(config()->saveConfigTimerReason, "Tag: Symbol changed");
}

// The stored lists as an earlier run left them: two entries with tags, and
// their tags with colours.
struct StoredLists {
    platform::Data entries, tags;
};

TEST_F(ConfigurationArchivesTest, NothingIsSavedBeforeTheStoredListsAreLoaded) {
    // Every stored value away from what a fresh settings object holds: each
    // setting, each key combination, entries, tags and URL templates.
    file("a.txt", {"t"});
    registerTag("t")->setColor(platform::Color::sRGB(1, 0, 0));
    auto c = config();
    c->neverRemindMeRemoveTagDialog = c->neverRemindMeRenameTagDialog = true;
    c->useSmallModeInMainView = c->mainPopoverAnimated = c->selectingTagsInMainWindowLaunchAll = true;
    c->selectTagsAndCategoriesOnHover = c->sidebarTagsCollapsed = c->sidebarCategoriesCollapsed = true;
    c->searchForComments = c->searchForTags = c->showPathInMainView = false;
    c->sidebarCategoriesShowNumberOfElementInSidebar = false;
    c->hotkeyBorder = c->translucentBackgroundRight = true;
    c->windowViewStyle = c->clickType = 1;
    c->alternateFolderBrowser = "/usr/bin/files";
    c->customSpotlightSearchScope = {"/opt/apps"};
    c->menubarIcon = "statusbar-3";
    c->entryBackgroundAlphaValue = 0.5f;
    c->mainWindowWidth = MainWindowWidth::with550;
    c->mainWindowHeight = MainWindowHeight::height90;
    c->setSidebarCategoriesShowFolders(false);
    const std::pair<KeyCombo::Ptr*, Key> combos[] = {{&c->globalKeyCombo, Key::a},
                                                     {&c->globalKeyComboCategoriesShowFiles, Key::b},
                                                     {&c->globalKeyComboCategoriesShowURLs, Key::c},
                                                     {&c->globalKeyComboCategoriesShowRecentApplications, Key::d},
                                                     {&c->globalKeyComboCategoriesShowActiveApplications, Key::e},
                                                     {&c->globalKeyComboCategoriesShowFavorites, Key::f},
                                                     {&c->globalKeyComboCategoriesShowShortcuts, Key::g}};
    for (const auto& [field, key] : combos) *field = archivedCombo(key);
    URLManager::shared()->urlTemplates.resize(2);  // two of the built-in ones
    c->saveConfig(false);
    c.reset();
    const auto domain = [] { return defaults().persistentDomainForName(defaults().domainName()); };
    const auto stored = domain();
    ASSERT_TRUE(stored);
    for (const char* k : {Keys::applicationData, Keys::tagData, Keys::urlTemplateData, Keys::globalKeyCombo,
                          Keys::globalKeyComboCategoriesShowShortcuts, Keys::mainWindowHeight, Keys::searchForTags})
        ASSERT_TRUE(stored->count(k)) << k;

    // A save that comes before the launch loaded anything (an early quit, a
    // timer) would store what the fresh objects hold over the user's values.
    relaunch();
    config()->saveConfig(true);
    EXPECT_EQ(domain(), stored);
    EXPECT_TRUE(logs().contains("!! saveConfig skipped: the stored settings have not been loaded yet"));

    // Nor one that comes while loading waits in an alert: after the settings
    // were read, before the key combinations and lists; and last, while the
    // templates load, when all else was read. Loading goes on afterwards.
    const platform::Data damaged{'n', 'o', 't', ' ', 'a', 'n', ' ', 'a', 'r', 'c', 'h', 'i', 'v', 'e'};
    defaults().set(Keys::globalKeyComboCategoriesShowFolders, platform::Value(damaged));
    defaults().set(Keys::urlTemplateData, platform::Value(damaged));
    relaunch();
    const auto damagedDomain = domain();
    for (int i = 0; i < 2; ++i)
        script()->answerAlert([&](platform::Alert& alert) {
            config()->saveConfig(true);
            EXPECT_EQ(domain(), damagedDomain) << "saved inside \"" << alert.messageText() << "\"";
            return platform::AlertAnswer{};
        });
    config()->loadConfig();
    EXPECT_TRUE(script()->verifyAllAnswersUsed());
    EXPECT_EQ(script()->presented(), (Strings{"alert: Error loading KeyCombo from the settings file",
                                              "alert: Error loading urlTemplates from the settings file"}));
    EXPECT_EQ(entryNames(), Strings{"a.txt"});
    EXPECT_EQ(tagNames(), Strings{"t"});
    EXPECT_TRUE(sameCombo(config()->globalKeyComboCategoriesShowShortcuts, archivedCombo(Key::g)));
    EXPECT_EQ(config()->mainWindowHeight, MainWindowHeight::height90);
}

// An empty list is stored only when this run emptied the list; one that
// loaded nothing stays as stored, so whatever it held can still be had back.
TEST_F(ConfigurationArchivesTest, AStoredListThatLoadedNothingIsNotOverwrittenByAnEmptyOne) {
    const auto noEntries = archiveOf({platform::ArchiveObject("a text"), platform::ArchiveObject::number(3)});
    const auto noList = *platform::KeyedArchiver::archivedData(platform::ArchiveObject("not a list"));
    defaults().set(Keys::applicationData, platform::Value(noEntries));
    defaults().set(Keys::tagData, platform::Value(noList));
    relaunch();
    config()->loadConfig();
    ASSERT_TRUE(entryNames().empty());

    config()->saveConfig(true);

    EXPECT_EQ(defaults().dataForKey(Keys::applicationData), noEntries);
    EXPECT_EQ(defaults().dataForKey(Keys::tagData), noList);
}

// Before a rebuild has counted the tags, every tag reads as unused: the save
// at quit must not take that for the truth and drop them all.
TEST_F(ConfigurationArchivesTest, TheSaveAtQuitDropsUnusedTagsOnlyAfterACompletedCount) {
    struct Case {
        const char* name;
        bool entriesUnreadable;  // the launch rebuild then finds no entry and refuses
    };
    for (const Case& c : {Case{"quit before the first rebuild", false}, Case{"entries unreadable", true}}) {
        SCOPED_TRACE(c.name);
        file(std::string("doc-") + c.name, {"used"});
        registerTag("used")->setColor(platform::Color::sRGB(1, 0, 0));
        registerTag("spare")->setHotkey(archivedCombo(Key::s));
        config()->saveConfig(false);
        if (c.entriesUnreadable)
            defaults().set(Keys::applicationData, platform::Value(platform::Data{'b', 'p', 'l', 'i', 's', 't'}));

        relaunch();
        if (c.entriesUnreadable) script()->answerAlert([](platform::Alert&) { return platform::AlertAnswer{}; });
        config()->loadConfig();
        if (c.entriesUnreadable) {
            store()->rebuildData(RebuildDataReason::datastorageInitialize);  // refused: no entry
            EXPECT_FALSE(tags()->tagUsageCounted());
            // The search index then delivers an application: a count runs, but
            // over what is left, not over the user's entries.
            add(TableViewItem::initForSpotlightApp(makeApplication("apps/found.desktop", "Found"), "Found"));
            store()->rebuildData(RebuildDataReason::spotlightDatabaseFirstUpdate);
        }
        config()->saveConfig(true);

        EXPECT_EQ(tagNames(), (Strings{"used", "spare"}));
        EXPECT_EQ(storedList(defaults(), Keys::tagData).size(), 2u);
        EXPECT_TRUE(logs().contains(c.entriesUnreadable ? "!! unused tags kept: the stored entries could not be read"
                                                        : "!! unused tags kept: their use has not been counted yet"));

        relaunch();
        config()->loadConfig();
        store()->allData()->removeAll();
        tags()->allAvailableTags()->removeAll();
        config()->saveConfig(false);
    }
}

TEST_F(ConfigurationArchivesTest, TheArchiveOperationsLogTheirNamesWhenLoggingIsOn) {
    logs().clear();
    config()->saveAllDataArray();
    config()->saveTagDataArray(false);
    config()->loadAllDataArray();
    config()->loadTagDataArray();
    for (const char* line : {"saveAllDataArray", "saveTagDataArray", "loadAllDataArray", "loadTagDataArray"})
        EXPECT_TRUE(logs().contains(line)) << line;
}

}  // namespace
