#include "sources/urls/URLManager.h"

#include "platform/foundation/SingleInstance.h"

namespace frelt {

std::shared_ptr<URLManager> URLManager::shared() {
    return platform::singleInstance<URLManager>([] { return std::make_shared<URLManager>(Private{}); });
}

}  // namespace frelt
