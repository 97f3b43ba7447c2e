#include "app/AppDelegate.h"

#include "platform/foundation/SingleInstance.h"

namespace frelt {

std::shared_ptr<AppDelegate> AppDelegate::shared() {
    return platform::singleInstance<AppDelegate>([] { return std::make_shared<AppDelegate>(Private{}); });
}

AppDelegate::AppDelegate(Private) : config(std::make_shared<Configuration>()) {}

}  // namespace frelt
