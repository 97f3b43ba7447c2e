#include "store/ShowAlert.h"

#include "platform/appkit/Alert.h"
#include "platform/dispatch/Dispatch.h"
#include "store/LocalizedStrings.h"

namespace frelt {

namespace {

void runAlert(const std::string& messageText, const std::string& informativeText) {
    auto alert = platform::Alert::make();
    alert->setMessageText(messageText);
    alert->setInformativeText(informativeText);
    alert->setAlertStyle(platform::AlertStyle::informational);
    alert->addButton(L10n::dialogtext_ok.value());
    (void)alert->runModal();
}

}  // namespace

void showAlert(const std::string& messageText, const std::string& informativeText) {
    if (platform::dispatch::isMainThread()) {
        runAlert(messageText, informativeText);
        return;
    }
    platform::dispatch::Queue::main()->sync([&] { runAlert(messageText, informativeText); });
}

}  // namespace frelt
