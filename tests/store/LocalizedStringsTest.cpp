#include <gtest/gtest.h>

#include <set>

#include "store/LocalizedStrings.h"
#include "support/FreltTest.h"

using namespace frelt;

class LocalizedStringsTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        localization::resetCache();  // texts other tests looked up are cached
    }
    void TearDown() override {
        localization::setTranslationLookup(nullptr);
        localization::resetCache();
        FreltTest::TearDown();
    }
};

TEST_F(LocalizedStringsTest, WithoutTranslationsEveryTextIsItsEnglishValue) {
    const auto& all = localization::allStrings();
    EXPECT_EQ(all.size(), 92u);
    std::set<std::string> keys;
    for (const auto* s : all) {
        EXPECT_EQ(s->value(), s->english) << s->key;
        EXPECT_TRUE(keys.insert(s->key).second) << "duplicate key " << s->key;
    }
    EXPECT_EQ(L10n::mainMenu_showInfo.value(), "About Frelt...");
    EXPECT_EQ(L10n::predefinedTag_Office_OtherSuites.value(), "Office|OnlyOffice and WPS");
    EXPECT_EQ(L10n::mainMenu_showVersionHistory.value(), "What's new?");
    EXPECT_EQ(L10n::confirmRenameDialogInformativeText.value(), "Current name:\n'%oldname'\n\nNew name:\n'%newname'");
}

TEST_F(LocalizedStringsTest, TranslationIsLookedUpOnceAndKept) {
    int lookups = 0;
    localization::setTranslationLookup([&](const std::string& key) -> std::optional<std::string> {
        ++lookups;
        if (key == "dialogtext_cancel") return std::string("Abbrechen");
        return std::nullopt;
    });
    EXPECT_EQ(L10n::dialogtext_cancel.value(), "Abbrechen");
    EXPECT_EQ(L10n::dialogtext_cancel.value(), "Abbrechen");
    EXPECT_EQ(L10n::dialogtext_ok.value(), "OK");
    EXPECT_EQ(lookups, 2);
}

TEST_F(LocalizedStringsTest, PlaceholdersAreReplacedEverywhereAndLiterally) {
    struct Case {
        std::string text;
        std::vector<std::pair<std::string, std::string>> replacements;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {L10n::launchAllWarnInformativeText.value(), {{"%currentEntries", "12"}},
         "The list contains current 12 entries. If you confirm the dialog, all entries are launched one after the "
         "other. Do you really want to start all entries?"},
        {"%currentEntries of %currentEntries", {{"%currentEntries", "3"}}, "3 of 3"},
        {L10n::services_SendMany.value(), {{"%var", "3"}}, "Send 3 Objects to:"},
        {"no placeholder here", {{"%var", "3"}}, "no placeholder here"},
        {"%VAR stays", {{"%var", "3"}}, "%VAR stays"},
        {"'%oldname' -> '%newname'", {{"%oldname", "a|b"}, {"%newname", "%oldname"}}, "'a|b' -> '%oldname'"},
    };
    for (const auto& c : cases) EXPECT_EQ(replacingPlaceholders(c.text, c.replacements), c.expected) << c.text;
}
