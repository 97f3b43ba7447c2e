#pragma once
// The fixture of the export and import tests: the entry-source fixture (modal
// script, access restriction) with a store full of everything a user keeps,
// texts of every stored field for comparisons, and the exchange's test hooks
// switched off again after every test.

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "exchange/ExportData.h"
#include "exchange/ExportImportManager.h"
#include "exchange/ExportVersionedBackup.h"
#include "exchange/ImportData.h"
#include "hotkeys/KeyCombo.h"
#include "platform/appkit/Alert.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/PropertyList.h"
#include "platform/graphics/Color.h"
#include "sources/SourcesTestSupport.h"
#include "sources/urls/URLManager.h"
#include "store/Configuration.h"
#include "store/DataStorage.h"
#include "store/TagManager.h"

using Strings = std::vector<std::string>;

// Builds a keyed archive object by object, as the layout documents it.
class ArchiveBuilder {
public:
    ArchiveBuilder() { objects_.emplace_back("$null"); }

    platform::UID add(platform::Value value) {
        objects_.push_back(std::move(value));
        return platform::UID{objects_.size() - 1};
    }
    platform::UID instance(const std::string& className, platform::ValueDictionary fields, Strings supers = {}) {
        auto it = classes_.find(className);
        if (it == classes_.end()) {
            platform::ValueArray chain{platform::Value(className)};
            for (const auto& s : supers) chain.emplace_back(s);
            chain.emplace_back("NSObject");
            const auto record = add(platform::ValueDictionary{{"$classname", className}, {"$classes", chain}});
            it = classes_.emplace(className, record).first;
        }
        fields.insert_or_assign("$class", it->second);
        return add(std::move(fields));
    }
    platform::UID array(platform::ValueArray references) {
        return instance("NSArray", {{"NS.objects", std::move(references)}});
    }
    platform::UID keyCombo(const std::string& key, std::int64_t modifiers) {
        return instance("_TtC5frelt8KeyCombo",
                        {{"key", add(key)}, {"modifiers", modifiers}, {"doubledModifiers", false}});
    }
    platform::Data data(platform::UID root) const {
        const platform::Value top(platform::ValueDictionary{{"$archiver", "NSKeyedArchiver"},
                                                            {"$version", 100000},
                                                            {"$top", platform::ValueDictionary{{"root", root}}},
                                                            {"$objects", objects_}});
        return *platform::PropertyList::write(top, platform::PropertyListFormat::Binary);
    }

private:
    platform::ValueArray objects_;
    std::map<std::string, platform::UID> classes_;
};

// A record archive whose root carries exactly `fields`.
inline platform::Data recordWith(platform::ValueDictionary fields,
                                 const std::function<void(ArchiveBuilder&, platform::ValueDictionary&)>& more = {}) {
    ArchiveBuilder a;
    if (more) more(a, fields);
    return a.data(a.instance("_TtC5frelt16ExportImportData", std::move(fields)));
}

class ExchangeTest : public SourcesTest {
protected:
    void SetUp() override {
        SourcesTest::SetUp();
        // Made now, so that making the settings object later cannot close the
        // log gate again.
        config()->setDebugLogging(true);
    }
    void TearDown() override {
        frelt::ExportData::setStepFaultInjector(nullptr);
        frelt::ExportVersionedBackup::setCreationDateReader(nullptr);
        platform::atomicfile::setFaultInjector(nullptr);
        SourcesTest::TearDown();
    }

    static std::shared_ptr<frelt::Configuration> config() { return frelt::AppDelegate::shared()->config; }
    static std::shared_ptr<frelt::DataStorage> store() { return frelt::DataStorage::shared(); }
    static std::shared_ptr<frelt::TagManager> tagManager() { return frelt::TagManager::shared(); }
    static std::shared_ptr<frelt::URLManager> urlManager() { return frelt::URLManager::shared(); }
    static std::shared_ptr<frelt::ExportImportManager> manager() { return frelt::ExportImportManager::shared(); }

    static frelt::KeyCombo::Ptr combo(frelt::Key key,
                                      platform::ModifierFlags modifiers = platform::modifierflags::command) {
        return frelt::KeyCombo::make(key, modifiers);
    }

    frelt::TableViewItem::Ptr add(const frelt::TableViewItem::Ptr& entry) {
        EXPECT_EQ(store()->addToAllData(entry), frelt::DataStorage::addResultAdded) << entry->path();
        return entry;
    }
    frelt::iconTag::Ptr registerTag(const std::string& name, std::size_t icon) {
        auto tag = frelt::iconTag::initWithNewName(name, tagManager()->iconNames().at(icon));
        tagManager()->allAvailableTags()->append(tag);
        return tag;
    }

    // Entries of every kind and source with every stored field set, nested
    // tags with symbols, colours and hotkeys, URL templates, a global hotkey
    // and every exported setting away from its default.
    void fillStore() {
        namespace mf = platform::modifierflags;
        using frelt::TableViewItem;
        const auto red = platform::Color::sRGB(1, 0, 0);
        const auto teal = platform::Color::sRGB(0, 0.5, 0.5, 0.75);

        auto doc = add(TableViewItem::initForExternalNonSpotlightObject(makeFile("files/report \"Q1\", final.txt")));
        doc->setTags({"work", "work|reports"});
        doc->setComment("numbers, \"quoted\"\nand a second line");
        doc->setColor(red);
        doc->setHotkey(combo(frelt::Key::r, mf::command | mf::option));
        doc->setIsFavorite(true);
        auto folder = add(TableViewItem::initForExternalNonSpotlightObject(makeFolder("projects")));
        folder->setTags({"work"});
        folder->setColor(teal);
        auto link = add(TableViewItem::initForURL("https://example.org/wiki?q=%%userInput:Find%%", "Wiki", "pages"));
        link->setTags({"web"});
        link->setHotkey(frelt::KeyCombo::makeDoubled(mf::shift));
        add(TableViewItem::initForShortcutsURL("shortcuts://run-shortcut?name=Morning", "Morning", ""))
            ->setTags({"routines"});
        auto app = add(TableViewItem::initForSpotlightApp(makeApplication("apps/editor.desktop", "Editor"), "Editor"));
        app->setTags({"tools|text"});
        app->setIsFavorite(true);
        auto hiddenApp = add(TableViewItem::initForSpotlightApp(makeApplication("apps/old.desktop", "Old"), "Old"));
        hiddenApp->setIsVisible(false);
        add(TableViewItem::initForExternalNonSpotlightObject(makeApplication("mine/tool.desktop", "Tool")))
            ->setComment("added by hand");

        auto work = registerTag("work", 5);
        work->setColor(teal);
        work->setHotkey(combo(frelt::Key::w));
        work->setHotkeyLaunchAll(combo(frelt::Key::w, mf::command | mf::shift));
        registerTag("work|reports", 9)->setColor(red);
        registerTag("web", 17)->setHotkey(combo(frelt::Key::g));
        registerTag("tools|text", 23);
        registerTag("routines", 31)->setHotkeyLaunchAll(combo(frelt::Key::m, mf::control | mf::option));

        urlManager()->urlTemplates = {
            std::make_shared<frelt::urlTemplateData>("Search", "https://s.example/?q=%%userInput:Term%%"),
            std::make_shared<frelt::urlTemplateData>("Call", "tel:%%userInput%%")};

        auto c = config();
        c->globalKeyCombo = combo(frelt::Key::space, mf::option);
        c->windowViewStyle = 1;
        c->clickType = 1;
        c->mainPopoverAnimated = true;
        c->alternateFolderBrowser = "/usr/bin/files";
        c->customSpotlightSearchScope = {"/opt/apps", "/srv/tools"};
        c->searchForComments = false;
        c->searchForTags = false;
        c->selectingTagsInMainWindowLaunchAll = true;
        c->entryBackgroundAlphaValue = 0.65f;
        c->useSmallModeInMainView = true;
        c->showPathInMainView = false;
        c->mainWindowWidth = frelt::MainWindowWidth::with550;
        c->mainWindowHeight = frelt::MainWindowHeight::height90;
        drain();
    }

    // Everything an import replaces, emptied or set elsewhere.
    void clearEverything() {
        store()->allData()->removeAll();
        tagManager()->allAvailableTags()->removeAll();
        urlManager()->urlTemplates.clear();
        auto c = config();
        c->globalKeyCombo = nullptr;
        c->windowViewStyle = 0;
        c->clickType = 0;
        c->mainPopoverAnimated = false;
        c->alternateFolderBrowser.clear();
        c->customSpotlightSearchScope.clear();
        c->searchForComments = true;
        c->searchForTags = true;
        c->selectingTagsInMainWindowLaunchAll = false;
        c->entryBackgroundAlphaValue = 0.2f;
        c->useSmallModeInMainView = false;
        c->showPathInMainView = true;
        drain();
    }

    // --- Texts of what is stored, for comparisons -----------------------------------

    static std::string describe(const std::optional<platform::Color>& color) {
        if (!color) return "-";
        std::string out;
        for (double c : color->components()) out += std::to_string(c) + " ";
        return out;
    }
    static std::string describe(const frelt::KeyCombo::Ptr& hotkey) {
        if (!hotkey) return "-";
        return std::string(rawValue(hotkey->key())) + "+" + std::to_string(hotkey->modifiers()) +
               (hotkey->doubledModifiers() ? " doubled" : "");
    }
    // The entries the user keeps, every archived field.
    static Strings keptEntries() {
        Strings out;
        for (const auto& e : store()->allData()->toVector()) {
            if (!e || !e->shouldSavedToConfig()) continue;
            std::string tags;
            for (const auto& t : e->tags()) tags += t + ";";
            out.push_back(e->name() + " | " + e->path() + " | " + tags + " | " + e->comment() + " | " +
                          rawValue(e->itemType()) + " | " + rawValue(e->itemSource()) + " | " + describe(e->color()) +
                          " | " + describe(e->hotkey()) + " | visible=" + std::to_string(e->isVisible()) +
                          " | favorite=" + std::to_string(e->isFavorite()));
        }
        return out;
    }
    static Strings registeredTags() {
        Strings out;
        for (const auto& t : tagManager()->allAvailableTags()->toVector())
            out.push_back(t->tagName() + " | " + t->tagSymbol() + " | " + describe(t->color()) + " | " +
                          describe(t->hotkey()) + " | " + describe(t->hotkeyLaunchAll()));
        return out;
    }
    static Strings templates() {
        Strings out;
        for (const auto& t : urlManager()->urlTemplates) out.push_back(t->title + " = " + t->value);
        return out;
    }
    // Every setting an import writes, and the two it keeps.
    static Strings settings() {
        const auto c = config();
        return {"global " + describe(c->globalKeyCombo),
                "style " + std::to_string(c->windowViewStyle),
                "click " + std::to_string(c->clickType),
                "animated " + std::to_string(c->mainPopoverAnimated),
                "browser " + c->alternateFolderBrowser,
                "scope " +
                    (c->customSpotlightSearchScope.empty() ? std::string() : c->customSpotlightSearchScope.front()) +
                    "/" + std::to_string(c->customSpotlightSearchScope.size()),
                "comments " + std::to_string(c->searchForComments),
                "tags " + std::to_string(c->searchForTags),
                "launchAll " + std::to_string(c->selectingTagsInMainWindowLaunchAll),
                "alpha " + std::to_string(c->entryBackgroundAlphaValue),
                "small " + std::to_string(c->useSmallModeInMainView),
                "path " + std::to_string(c->showPathInMainView),
                std::string("width ") + rawValue(c->mainWindowWidth),
                std::string("height ") + rawValue(c->mainWindowHeight)};
    }
    // All of the above in one list.
    static Strings everything() {
        Strings out;
        for (const auto& part : {keptEntries(), registeredTags(), templates(), settings()})
            out.insert(out.end(), part.begin(), part.end());
        return out;
    }

    // --- Files ---------------------------------------------------------------------------

    platform::URL exportURL(const std::string& name = "export.frelt_ExportData") const { return fileURL(name); }
    static platform::Data readBytes(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return platform::Data(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static std::string readText(const std::filesystem::path& path) {
        const auto bytes = readBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }
    static void writeBytes(const std::filesystem::path& path, const platform::Data& bytes) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    // Scripts the next alert, checking its texts.
    void expectAlert(const std::string& message, const std::string& informative) {
        script->answerAlert([message, informative](platform::Alert& alert) {
            EXPECT_EQ(alert.messageText(), message);
            EXPECT_EQ(alert.informativeText(), informative);
            return platform::AlertAnswer{};
        });
    }
};
