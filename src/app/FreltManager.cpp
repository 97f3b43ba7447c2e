#include "app/FreltManager.h"

#include "platform/foundation/SingleInstance.h"

namespace frelt {

std::shared_ptr<FreltManager> FreltManager::shared() {
    return platform::singleInstance<FreltManager>([] { return std::make_shared<FreltManager>(Private{}); });
}

std::shared_ptr<MainViewController> FreltManager::viewControllerMain() {
    std::lock_guard lock(m_);
    if (!viewControllerMain_) viewControllerMain_ = std::make_shared<MainViewController>();
    return viewControllerMain_;
}

}  // namespace frelt
