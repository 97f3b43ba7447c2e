#include "settings/window/ConfigViewControllerAdvanced.h"

#include "app/AppDelegate.h"
#include "app/InterfaceResources.h"
#include "exchange/ExportDiagnosticData.h"
#include "settings/window/SettingsLayout.h"
#include "store/Configuration.h"

namespace frelt {

using namespace settingslayout;
using platform::Rect;

ConfigViewControllerAdvanced::ConfigViewControllerAdvanced() {
    registerAction("resetAllWarningDialogsClick:", [this](const auto&) { resetAllWarningDialogsClick(); });
    registerAction("exportDiagnosticDataClick:", [this](const auto&) { exportDiagnosticDataClick(); });
}

void ConfigViewControllerAdvanced::viewWillAppear() {
    ViewController::viewWillAppear();
    setPreferredContentSize({800, 150});
    if (auto checkbox = checkBoxEnableDebugLogging.lock())
        checkbox->setState(stateFor(AppDelegate::shared()->config->debugLogging()));
}

void ConfigViewControllerAdvanced::viewWillDisappear() {
    ViewController::viewWillDisappear();
    if (auto checkbox = checkBoxEnableDebugLogging.lock()) AppDelegate::shared()->config->setDebugLogging(isOn(*checkbox));
}

void ConfigViewControllerAdvanced::resetAllWarningDialogsClick() {
    auto& config = *AppDelegate::shared()->config;
    config.neverRemindMeRenameTagDialog = false;
    config.neverRemindMeRemoveTagDialog = false;
}

void ConfigViewControllerAdvanced::exportDiagnosticDataClick() {
    ExportDiagnosticData report;
    report.addAppInfo();
    report.addConfiguration();
    report.addSearchScopes();
    report.addSpotlightData();
    report.addMainDatabase();
    report.addTags();
    report.addBookmarks();
    report.addHotkeys();
    report.saveToFile();
}

void layOutAdvancedPane(ConfigViewControllerAdvanced& controller) {
    auto root = std::make_shared<platform::View>(Rect(0, 0, 800, 150));
    const auto self = controller.shared_from_this();
    controller.checkBoxEnableDebugLogging =
        addCheckbox(*root, "Write debug messages to the log", Rect(40, 24, 400, 22), self);
    addLabel(*root, "Ask again before renaming or removing a tag:", Rect(40, 66, 400, 20));
    addButton(*root, "Reset Warnings", Rect(460, 60, 180, 28), self, "resetAllWarningDialogsClick:");
    addLabel(*root, "A report of the settings and data for support:", Rect(40, 106, 400, 20));
    addButton(*root, "Export Diagnostics…", Rect(460, 100, 180, 28), self, "exportDiagnosticDataClick:");
    controller.setView(root);
}

}  // namespace frelt
