// The diagnostics report: a fixed store line by line against the expected
// text, the forms of empty sections, and saving it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "ExchangeTestSupport.h"
#include "exchange/ExportDiagnosticData.h"
#include "platform/foundation/Bookmark.h"
#include "platform/foundation/Paths.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/discovery/ProxySpotlightQueryFS.h"

using namespace frelt;
namespace fs = std::filesystem;
namespace mf = platform::modifierflags;

namespace {

// "<root>" in the expected text stands for the test's temporary folder.
std::string withRootNamed(std::string text, const std::string& rootPath) {
    for (std::size_t at = text.find(rootPath); at != std::string::npos; at = text.find(rootPath, at))
        text.replace(at, rootPath.size(), "<root>");
    return text;
}

class ExportDiagnosticDataTest : public ExchangeTest {
protected:
    static platform::ValueDictionary information() {
        return {{"CFBundleName", platform::Value("Frelt")},
                {"CFBundleShortVersionString", platform::Value("1.0")},
                {"CFBundleVersion", platform::Value(7)}};  // not a text: left empty
    }
    static ExportDiagnosticData fullReport() {
        ExportDiagnosticData report(information());
        report.addAppInfo();
        report.addConfiguration();
        report.addSearchScopes();
        report.addSpotlightData();
        report.addMainDatabase();
        report.addTags();
        report.addBookmarks();
        report.addHotkeys();
        return report;
    }
    // The lines of one section, between the divider under its title and the next divider.
    static Strings section(const ExportDiagnosticData& report, const std::string& title) {
        const auto& lines = report.exportData;
        auto it = std::find(lines.begin(), lines.end(), title);
        if (it == lines.end() || ++it == lines.end()) return {};
        Strings out;
        for (++it; it != lines.end() && *it != ExportDiagnosticData::divider; ++it) out.push_back(*it);
        return out;
    }
};

TEST_F(ExportDiagnosticDataTest, AFixedStoreGivesTheExpectedReport) {
    makeFolder("home/.local/share/applications");
    const platform::Date used = platform::Date::fromUnixTime(1700000000.5);  // 2023-11-14 22:13:20 UTC

    auto editor = add(TableViewItem::initForSpotlightApp(makeApplication("apps/editor.desktop", "Editor"), "Editor"));
    editor->setTags({"work", "tools"});
    editor->setHotkey(combo(Key::e, mf::command | mf::shift));
    editor->setLastUsedDate(used);
    add(TableViewItem::initForSpotlightApp(makeApplication("apps/hidden.desktop", "Hidden"), "Hidden"))
        ->setIsVisible(false);
    add(TableViewItem::initForShortcutsURL("shortcuts://run-shortcut?name=Morning", "Morning", ""))
        ->setHotkey(combo(Key::m, mf::option));
    add(TableViewItem::initForExternalNonSpotlightObject(makeFolder("projects")))->setTags({"work"});
    add(TableViewItem::initForExternalNonSpotlightObject(makeApplication("mine/tool.desktop", "Tool")));
    auto wiki = add(TableViewItem::initForURL("https://example.org/wiki", "Wiki", ""));
    wiki->setTags({"web"});
    wiki->setHotkey(combo(Key::w, mf::control | mf::option));
    registerTag("work", 5)->setHotkey(combo(Key::one, mf::command));
    tagManager()->tagWithName("work")->setHotkeyLaunchAll(combo(Key::two, mf::command));
    registerTag("web", 17)->setHotkey(combo(Key::three, mf::command));
    registerTag("spare", 40);

    auto c = config();
    c->alternateFolderBrowser = "/usr/bin/files";
    c->clickType = 1;
    c->showPathInMainView = false;
    c->useSmallModeInMainView = true;
    c->setSidebarCategoriesShowFolders(false);
    c->neverRemindMeRenameTagDialog = true;
    c->searchForTags = false;
    c->customSpotlightSearchScope = {"/opt/apps", "/srv/tools"};
    c->globalKeyCombo = combo(Key::space, mf::option);
    c->globalKeyComboCategoriesShowFiles = combo(Key::f, mf::control | mf::option);
    c->globalKeyComboCategoriesShowURLs = combo(Key::u, mf::control | mf::option);
    c->globalKeyComboCategoriesShowActiveApplications = KeyCombo::makeDoubled(mf::control);

    const auto projects = platform::URL::fileURL(root().string() + "/projects", true);
    SandboxFileAccess::shared()->persistanceBookmarkStorage()->setBookmark(platform::bookmark::create(projects),
                                                                           projects);
    store()->setEnableDataProxies(true);
    store()->rebuildData(RebuildDataReason::configViewContent);
    drain();

    const std::string actual = withRootNamed(fullReport().text(), root().string());
    const auto expectedPath = fs::path(FRELT_SOURCE_DIR) / "tests/exchange/data/diagnostics-expected.txt";
    EXPECT_EQ(actual, readText(expectedPath));
}

TEST_F(ExportDiagnosticDataTest, EmptyListsGiveTheirShortForms) {
    store()->setEnableDataProxies(true);
    const auto report = fullReport();
    EXPECT_EQ(section(report, "# Main-Database"),
              (Strings{"No items of type Spotlight available", "", "No items of type Shortcuts available", "",
                       "No items of type Other available", "", "No items of type Tags available", ""}));
    EXPECT_EQ(section(report, "# Hotkeys"),
              (Strings{"", "Hotkeys for categories:", "", "Hotkeys for entries:", "", "Hotkeys to show a tag:", "",
                       "Hotkeys to launch all entries of a tag:", ""}));
    EXPECT_THAT(report.exportData, ::testing::Contains("  customSpotlightSearchScope: "));
    EXPECT_EQ(section(report, "# Tags"), (Strings{"", "", "Items: 0", "", ""}));
    EXPECT_EQ(report.text().back(), '\n');
}

TEST_F(ExportDiagnosticDataTest, ABookmarkThatNoLongerResolvesIsReportedAsSuch) {
    const auto gone = platform::URL::fileURL(root().string() + "/gone", true);
    makeFolder("gone");
    SandboxFileAccess::shared()->persistanceBookmarkStorage()->setBookmark(platform::bookmark::create(gone), gone);
    drain();
    fs::remove(root() / "gone");
    ExportDiagnosticData report;
    report.addBookmarks();
    EXPECT_EQ(report.exportData.at(4), "  key: [" + gone.absoluteString() + "] -> unable to resolve BookmarkData!");
}

TEST_F(ExportDiagnosticDataTest, TheProgramsOwnNameVersionAndBuildHeadTheReport) {
    ExportDiagnosticData report;
    report.addAppInfo();
    ASSERT_EQ(report.exportData.size(), 4u);
    EXPECT_EQ(report.exportData[0], "AppName: Frelt");
    EXPECT_GT(report.exportData[1].size(), std::string("Version: ").size());
    EXPECT_GT(report.exportData[2].size(), std::string("Build: ").size());
    EXPECT_EQ(report.exportData[3], "");
}

TEST_F(ExportDiagnosticDataTest, SavingWritesAtOnceOrAfterAccessAndAFailureIsShown) {
    ExportDiagnosticData report(information());
    report.addAppInfo();
    const auto url = fileURL("report.txt");
    script->answerSavePanel([&](platform::SavePanel& panel) {
        EXPECT_EQ(panel.allowedFileTypes(), Strings{"txt"});
        return platform::PanelAnswer{platform::modalresponse::ok, {url}};
    });
    report.saveToFile();
    EXPECT_EQ(readText(url.path()), "AppName: Frelt\nVersion: 1.0\nBuild: \n");

    // Over an existing file the program may not write, access is asked
    // first; refused, nothing is written.
    restrictAccessTo({"allowed"});
    writeBytes(url.path(), {'o', 'l', 'd'});
    script->chooseInSavePanel(url);
    script->cancelOpenPanel();
    report.saveToFile();
    EXPECT_EQ(readText(url.path()), "old");

    platform::fileaccess::setSimulatedRestriction(std::nullopt);
    platform::atomicfile::setFaultInjector([](platform::atomicfile::Stage stage, const fs::path&) {
        return stage == platform::atomicfile::Stage::Sync ? EIO : 0;
    });
    script->chooseInSavePanel(url);
    script->answerAlert([](platform::Alert& alert) {
        EXPECT_EQ(alert.messageText().rfind("Error on writing strings to file: ", 0), 0u);
        EXPECT_EQ(alert.informativeText(), "Error: Export");
        return platform::AlertAnswer{};
    });
    testing::internal::CaptureStdout();
    report.saveToFile();
    EXPECT_EQ(testing::internal::GetCapturedStdout().rfind("Error on writing strings to file: ", 0), 0u);
    EXPECT_EQ(readText(url.path()), "old");
}

}  // namespace
