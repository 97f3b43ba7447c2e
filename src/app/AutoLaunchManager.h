#pragma once
// Whether Frelt starts when the user logs in: the desktop's autostart entry
// "org.frelt.Frelt.desktop". Every read asks the file anew; every write goes
// straight to it. One instance, made on first use.

#include <memory>

#include "platform/foundation/LoginItem.h"

namespace frelt {

class AutoLaunchManager {
    struct Private {};

public:
    // The name of the autostart entry.
    static constexpr const char* launcherIdentifier = "org.frelt.Frelt";

    static std::shared_ptr<AutoLaunchManager> shared();
    explicit AutoLaunchManager(Private) {}

    bool isLoginItemEnabled() const;
    // A failure is only logged: "SMLoginItemSetEnabled failed!".
    void setLoginItemEnabled(bool enabled);

    bool enabled() const { return isLoginItemEnabled(); }
    void setEnabled(bool enabled) { setLoginItemEnabled(enabled); }

    // The entry written: this program, started without arguments.
    static platform::LoginItem::Entry autostartEntry();
};

}  // namespace frelt
