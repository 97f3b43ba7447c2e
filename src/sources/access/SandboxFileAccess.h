#pragma once
// Access to files outside the program's own folders. Linux has no sandbox:
// access is the plain POSIX test, so the instance only has to exist before
// an entry is opened by path.

#include <memory>

namespace frelt {

class SandboxFileAccess {
    struct Private {};

public:
    static std::shared_ptr<SandboxFileAccess> shared();
    explicit SandboxFileAccess(Private) {}
};

}  // namespace frelt
