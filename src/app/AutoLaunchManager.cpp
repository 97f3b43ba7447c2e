#include "app/AutoLaunchManager.h"

#include "platform/foundation/SingleInstance.h"
#include "store/Logging.h"

namespace frelt {

std::shared_ptr<AutoLaunchManager> AutoLaunchManager::shared() {
    return platform::singleInstance<AutoLaunchManager>([] { return std::make_shared<AutoLaunchManager>(Private{}); });
}

platform::LoginItem::Entry AutoLaunchManager::autostartEntry() {
    std::string program = platform::LoginItem::currentExecutablePath();
    if (program.empty()) program = "frelt";
    return {"Frelt", "Keyboard launcher in the tray", platform::LoginItem::quotedExecArgument(program),
            launcherIdentifier};
}

bool AutoLaunchManager::isLoginItemEnabled() const { return platform::LoginItem::isEnabled(launcherIdentifier); }

void AutoLaunchManager::setLoginItemEnabled(bool enabled) {
    if (!platform::LoginItem::setEnabled(launcherIdentifier, enabled, autostartEntry()))
        log(LogCategory::general, LogLevel::Default, "SMLoginItemSetEnabled failed!");
}

}  // namespace frelt
