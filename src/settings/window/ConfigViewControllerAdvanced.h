#pragma once
// The settings window's Advanced pane: debug logging on or off (taken over
// when the pane goes away, so the settings window saves it in the same
// close), bringing back the tag dialogs' confirmations the user silenced,
// and saving a diagnostics report of the settings as they are in memory.

#include <memory>

#include "platform/appkit/Button.h"
#include "platform/appkit/ViewController.h"

namespace frelt {

class ConfigViewControllerAdvanced : public platform::ViewController {
public:
    ConfigViewControllerAdvanced();

    std::weak_ptr<platform::Button> checkBoxEnableDebugLogging;

    void viewWillAppear() override;
    void viewWillDisappear() override;

    void resetAllWarningDialogsClick();
    void exportDiagnosticDataClick();
};

void layOutAdvancedPane(ConfigViewControllerAdvanced& controller);

}  // namespace frelt
