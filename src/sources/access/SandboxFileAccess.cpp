#include "sources/access/SandboxFileAccess.h"

#include "platform/foundation/SingleInstance.h"

namespace frelt {

std::shared_ptr<SandboxFileAccess> SandboxFileAccess::shared() {
    return platform::singleInstance<SandboxFileAccess>([] { return std::make_shared<SandboxFileAccess>(Private{}); });
}

}  // namespace frelt
