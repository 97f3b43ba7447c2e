#include "app/FreltWindowEnum.h"

#include "app/FreltManager.h"
#include "store/Logging.h"

namespace frelt {

const char* rawValue(FreltWindowEnum kind) {
    switch (kind) {
    case FreltWindowEnum::main: return "main";
    }
    return "";
}

void closeWindow(FreltWindowEnum kind) {
    log(LogCategory::freltManager, LogLevel::Default, "closeWindow: %{public}@", std::string(rawValue(kind)));
    // The main window is shown as a popover or a window from state 3 on;
    // closing it leaves it made but not visible.
    const auto manager = FreltManager::shared();
    if (kind == FreltWindowEnum::main && manager->mainWindowState() >= FreltManager::shownAsAttachedPopover)
        manager->setMainWindowState(FreltManager::windowNotVisible);
}

}  // namespace frelt
