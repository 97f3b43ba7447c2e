#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "SettingsWindowSupport.h"
#include "platform/appkit/ModalScript.h"
#include "settings/window/ConfigViewControllerAdvanced.h"
#include "settings/window/ConfigViewControllerGeneral.h"
#include "support/KitHarness.h"

using namespace frelt;

namespace {

class AdvancedPaneTest : public SettingsWindowTest {
protected:
    void SetUp() override {
        SettingsWindowTest::SetUp();
        window = openSettings();
        pane = showPane<ConfigViewControllerAdvanced>(window, "ConfigViewControllerAdvanced");
        ASSERT_TRUE(pane);
    }
    void leaveAndReturn() {
        showPane<ConfigViewControllerGeneral>(window, "ConfigViewControllerGeneral");
        showPane<ConfigViewControllerAdvanced>(window, "ConfigViewControllerAdvanced");
    }
    std::string exportReport(const std::string& name) {
        const auto file = home() / name;
        platform::ModalScript::shared()->chooseInSavePanel(platform::URL::fileURL(file.string()));
        pane->exportDiagnosticDataClick();
        drain();
        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::shared_ptr<platform::Window> window;
    std::shared_ptr<ConfigViewControllerAdvanced> pane;
};

TEST_F(AdvancedPaneTest, DebugLoggingChangesOnlyWhenThePaneIsLeft) {
    // The fixture opened the log gate through the setting.
    ASSERT_TRUE(config().debugLogging());
    const auto checkbox = pane->checkBoxEnableDebugLogging.lock();
    EXPECT_TRUE(isOnButton(checkbox));
    kit::clickView(checkbox);
    kit::clickView(checkbox);
    leaveAndReturn();
    EXPECT_TRUE(config().debugLogging()) << "ticked and unticked again";

    kit::clickView(checkbox);
    EXPECT_TRUE(config().debugLogging()) << "a click alone changes nothing";
    EXPECT_NE(exportReport("before.txt").find("  debugLogging: true"), std::string::npos)
        << "the report shows the configuration in memory";
    leaveAndReturn();
    EXPECT_FALSE(config().debugLogging());
    EXPECT_NE(exportReport("after.txt").find("  debugLogging: false"), std::string::npos);
}

TEST_F(AdvancedPaneTest, ResettingBringsBackBothTagConfirmations) {
    config().neverRemindMeRenameTagDialog = true;
    config().neverRemindMeRemoveTagDialog = true;
    pane->resetAllWarningDialogsClick();
    EXPECT_FALSE(config().neverRemindMeRenameTagDialog);
    EXPECT_FALSE(config().neverRemindMeRemoveTagDialog);
}

}  // namespace
