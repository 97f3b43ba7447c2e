// URL templates: the built-in list, the placeholder list, and how the list is
// saved to and loaded from the user defaults, bad stored data included.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SourcesTestSupport.h"
#include "app/AppDelegate.h"
#include "platform/appkit/Alert.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/UserDefaults.h"
#include "sources/urls/URLManager.h"
#include "sources/urls/URLRegExParser.h"
#include "store/Configuration.h"
#include "store/StoreConstants.h"
#include "store/TableViewItem.h"

using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

constexpr const char* kKey = DefaultsKeys::urlTemplateData;

class URLTemplatesTest : public SourcesTest {
protected:
    static std::shared_ptr<Configuration> config() { return AppDelegate::shared()->config; }
    static platform::UserDefaults& defaults() { return *config()->defaults; }
    static std::shared_ptr<URLManager> manager() { return URLManager::shared(); }

    static std::shared_ptr<urlTemplateData> make(const std::string& title, const std::string& value) {
        return std::make_shared<urlTemplateData>(title, value);
    }
    static Strings listed() {
        Strings out;
        for (const auto& t : manager()->urlTemplates) out.push_back(t->title + " = " + t->value);
        return out;
    }
    static platform::Data archiveOf(platform::ArchiveArray list) {
        return *platform::KeyedArchiver::archivedData(platform::ArchiveObject(std::move(list)));
    }
    void expectAlert(const std::string& message, const std::string& informative) {
        script->answerAlert([message, informative](platform::Alert& alert) {
            EXPECT_EQ(alert.messageText(), message);
            EXPECT_EQ(alert.informativeText(), informative);
            return platform::AlertAnswer{};
        });
    }
};

TEST_F(URLTemplatesTest, WithoutStoredTemplatesTheTenBuiltInsLoad) {
    config()->loadURLTemplateDataArray();

    const auto& templates = manager()->urlTemplates;
    Strings titles;
    for (const auto& t : templates) titles.push_back(t->title);
    EXPECT_EQ(titles, (Strings{"Send Mail", "Search in Wikipedia", "Search in Google", "Search in Apple Maps",
                               "Search in IMDB", "Search in Amazon", "Search in Twitter", "Search in Reddit",
                               "Start a Phone-Call", "Send a Text Message"}));
    ASSERT_EQ(templates.size(), 10u);
    // The hosts are ours to choose; scheme and what follows the host are fixed.
    struct Shape {
        const char* prefix;
        const char* suffix;
    };
    const Shape shapes[] = {
        {"mailto:", "?subject=Support%20Question"},
        {"https://", "/w/index.php?search=%%userInput:Search in Wikipedia%%"},
        {"https://", "/search?q=%%userInput:Search in Google%%"},
        {"http://", "/?q=%%userInput:Locate%%"},
        {"https://", "/find?q=%%userInput:Search in IMDB%%"},
        {"https://", "/s?k=%%userInput:Search in Amazon%%"},
        {"https://", "/search?q=%%userInput:Search in Twitter%%"},
        {"https://", "/search/?q=%%userInput:Search in Reddit%%"},
        {"tel:01234567890", ""},
        {"sms:01234567890", ""},
    };
    for (std::size_t i = 0; i < templates.size(); ++i) {
        const std::string& value = templates[i]->value;
        SCOPED_TRACE(value);
        EXPECT_EQ(value.rfind(shapes[i].prefix, 0), 0u);
        const std::string suffix = shapes[i].suffix;
        EXPECT_TRUE(value.size() >= suffix.size() && value.compare(value.size() - suffix.size(), suffix.size(), suffix) == 0);
        EXPECT_TRUE(ParsedURL::make(value)) << "every built-in template is a valid template";
    }

    Strings placeholders;
    for (const auto& p : manager()->urlPlaceholders) placeholders.push_back(p->title + " = " + p->value);
    EXPECT_EQ(placeholders, (Strings{"Input-Placeholder = %%userInput:Question%%",
                                     "SelectFileObjects-Placeholder = %%selectedFileObjects%%"}));
    EXPECT_TRUE(script->presented().empty());
}

TEST_F(URLTemplatesTest, SavedTemplatesComeBackInOrderWithoutIncompleteOnes) {
    manager()->urlTemplates = {make("Search", "https://example.org/?q=%%userInput:Term%%"),
                               make("", "https://example.org/untitled"),  // added in the settings, never filled
                               make("Blank title stays", ""),             // no value
                               make("   ", "x-app://spaces"),            // a title of blanks is a title
                               make("Mail", "mailto:a@example.org")};
    config()->saveURLTemplateDataArray();

    // The stored records: only complete templates, under their class and ancestor.
    const auto stored = platform::KeyedUnarchiver::unarchiveTopLevelObject(*defaults().dataForKey(kKey));
    ASSERT_TRUE(stored) << stored.error;
    ASSERT_TRUE(stored.object.asArray());
    EXPECT_EQ(stored.object.asArray()->size(), 3u);
    const auto bytes = *defaults().dataForKey(kKey);
    const std::string raw(bytes.begin(), bytes.end());
    for (const char* name : {"frelt.urlTemplateData", "frelt.urlBaseData", "value", "title"})
        EXPECT_NE(raw.find(name), std::string::npos) << name;

    manager()->urlTemplates.clear();
    config()->loadURLTemplateDataArray();
    EXPECT_EQ(listed(), (Strings{"Search = https://example.org/?q=%%userInput:Term%%", "    = x-app://spaces",
                                 "Mail = mailto:a@example.org"}));
    EXPECT_TRUE(script->presented().empty());
}

TEST_F(URLTemplatesTest, AnEmptyStoredListStaysEmpty) {
    manager()->urlTemplates.clear();
    config()->saveURLTemplateDataArray();
    ASSERT_TRUE(defaults().dataForKey(kKey));

    config()->loadURLTemplateDataArray();
    EXPECT_TRUE(manager()->urlTemplates.empty()) << "deleted built-ins do not come back";
}

TEST_F(URLTemplatesTest, ARecordThatDoesNotDecodeIsLeftOutAndTheRestLoads) {
    // Written by a version that saved a fresh empty template with the rest.
    defaults().set(kKey, platform::Value(archiveOf({platform::ArchiveObject(make("First", "x-app://1")),
                                                     platform::ArchiveObject(make("", "x-app://no-title")),
                                                     platform::ArchiveObject(make("No value", "")),
                                                     platform::ArchiveObject(make("Last", "x-app://2"))})));
    config()->loadURLTemplateDataArray();
    EXPECT_EQ(listed(), (Strings{"First = x-app://1", "Last = x-app://2"}));
    EXPECT_TRUE(script->presented().empty());
}

TEST_F(URLTemplatesTest, UnreadableDataAlertsIsKeptAsideAndTheNextLoadBuildsTheBuiltIns) {
    const platform::Data garbage{'b', 'p', 'l', 'i', 's', 't', '0', '0', 0x01, 0x02};
    // Readable, but holding a class a template list never holds.
    const auto foreign = archiveOf({platform::ArchiveObject(make("Kept?", "x-app://1")),
                                    platform::ArchiveObject(TableViewItem::initForURL("https://example.org", "E", ""))});
    for (const auto& data : {garbage, foreign}) {
        defaults().set(kKey, platform::Value(data));
        expectAlert("Error loading urlTemplates from the settings file", "Error: Configuration");

        config()->loadURLTemplateDataArray();

        EXPECT_TRUE(manager()->urlTemplates.empty());
        EXPECT_FALSE(defaults().objectForKey(kKey).has_value());
        EXPECT_EQ(defaults().dataForKey(std::string(kKey) + ".unreadable"), data);

        config()->loadURLTemplateDataArray();
        EXPECT_EQ(manager()->urlTemplates.size(), 10u);
    }
    EXPECT_EQ(script->presented(), (Strings{"alert: Error loading urlTemplates from the settings file",
                                            "alert: Error loading urlTemplates from the settings file"}));
}

TEST_F(URLTemplatesTest, AStoredObjectThatIsNoListLoadsNothingSilentlyAndStays) {
    const auto text = *platform::KeyedArchiver::archivedData(platform::ArchiveObject("not a list"));
    defaults().set(kKey, platform::Value(text));

    config()->loadURLTemplateDataArray();

    EXPECT_TRUE(manager()->urlTemplates.empty());
    EXPECT_EQ(defaults().dataForKey(kKey), text);
    EXPECT_TRUE(script->presented().empty());
}

TEST_F(URLTemplatesTest, CleanUpDropsIncompleteTemplatesAndKeepsTheOrder) {
    manager()->urlTemplates = {make("b", "x:b"), make("", ""), make("a", "x:a"), make("c", "")};
    manager()->cleanUpAndSortTemplates();
    EXPECT_EQ(listed(), (Strings{"b = x:b", "a = x:a"}));
}

}  // namespace
