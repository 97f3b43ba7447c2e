#include "app/FirstRunConfig.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "ShellTestSupport.h"
#include "platform/foundation/Paths.h"
#include "store/DataStorage.h"
#include "store/LocalizedStrings.h"

using namespace frelt;
namespace fs = std::filesystem;

namespace {

class FirstRunConfigTest : public ShellTest {
protected:
    // An application's desktop entry in the system's applications folder of
    // this test, as an entry of the store.
    std::string addApplication(const std::string& desktopId, const fs::path& folder = {}) {
        const fs::path where = folder.empty() ? platform::Paths::dataDirs().back() / "applications" : folder;
        fs::create_directories(where);
        const auto path = where / desktopId;
        std::ofstream(path) << "[Desktop Entry]\nType=Application\nName=" << desktopId << "\nExec=true\n";
        EXPECT_EQ(DataStorage::shared()->addToAllData(TableViewItem::initForExternalNonSpotlightObject(path.string())), 0);
        return path.string();
    }
    static std::vector<std::string> tagsOf(const std::string& path) {
        const auto entry = DataStorage::shared()->entryWithPath(path);
        return entry ? entry->tags() : std::vector<std::string>{};
    }
};

TEST_F(FirstRunConfigTest, TheTwelveTagsKeepTheirNamesAndOrder) {
    std::vector<std::string> tags;
    std::set<std::string> ids;
    for (const auto& [id, tag] : FirstRunConfig::predefinedDesktopIds()) {
        if (tags.empty() || tags.back() != tag) tags.push_back(tag);
        EXPECT_TRUE(ids.insert(id).second) << id << " appears twice";
        EXPECT_EQ(id.substr(id.size() - 8), ".desktop");
    }
    EXPECT_EQ(tags, (std::vector<std::string>{"Office", "Office|LibreOffice", "Office|OnlyOffice and WPS", "Development",
                                              "Development|Tools", "Graphics", "Tools", "Tools|System", "Webdesign",
                                              "Video", "Texteditors", "Backup"}));
    // Each id is matched in every applications folder, the user's first.
    FirstRunConfig config;
    config.loadPredefinedAppTags();
    EXPECT_EQ(config.predefinedAppTag.size(), ids.size() * platform::Paths::applicationFolders().size());
    const auto own = (platform::Paths::dataHome() / "applications" / "org.gnome.Calculator.desktop").string();
    EXPECT_EQ(config.predefinedAppTag.at(own), "Tools|System");
}

TEST_F(FirstRunConfigTest, KnownApplicationsGetTheirTagWhateverTheyCarriedBefore) {
    const auto calculator = addApplication("org.gnome.Calculator.desktop");
    const auto gimp = addApplication("gimp.desktop", platform::Paths::dataHome() / "applications");
    const auto writer = addApplication("libreoffice-writer.desktop");
    const auto unknown = addApplication("org.example.Unknown.desktop");
    DataStorage::shared()->entryWithPath(writer)->setTags({"Mine", "Other"});
    // The same path in other letter cases is the same application.
    std::string upperPath = calculator;
    upperPath.replace(upperPath.find("org.gnome.Calculator"), 20, "ORG.GNOME.CALCULATOR");
    FirstRunConfig config;
    config.loadPredefinedAppTags();
    config.predefinedAppTag.erase(calculator);
    config.predefinedAppTag[upperPath] = "Tools|System";
    config.applyPredefinedAppTags();
    EXPECT_EQ(tagsOf(calculator), std::vector<std::string>{"Tools|System"});
    EXPECT_EQ(tagsOf(gimp), std::vector<std::string>{"Graphics"});
    EXPECT_EQ(tagsOf(writer), std::vector<std::string>{"Office|LibreOffice"});
    EXPECT_TRUE(tagsOf(unknown).empty());
    EXPECT_TRUE(logs().contains("-> RebuildData - Request initiated: First run"));
}

TEST_F(FirstRunConfigTest, WithNoKnownApplicationTheRebuildStillRuns) {
    addApplication("org.example.Unknown.desktop");
    FirstRunConfig config;
    config.loadPredefinedAppTags();
    config.applyPredefinedAppTags();
    EXPECT_TRUE(logs().contains("-> RebuildData - Request initiated: First run"));
}

}  // namespace
