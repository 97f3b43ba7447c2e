#pragma once
// The application's delegate: one per process, made on first use. Making it
// makes the live settings object; launching is a separate step.

#include <memory>

#include "platform/appkit/Application.h"
#include "store/Configuration.h"

namespace frelt {

class AppDelegate : public platform::ApplicationDelegate {
    struct Private {};

public:
    // The delegate, made on first use. Every part of the program reaches the
    // settings through AppDelegate::shared()->config.
    static std::shared_ptr<AppDelegate> shared();

    explicit AppDelegate(Private);
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The one live settings object.
    const std::shared_ptr<Configuration> config;

    // At quit: saves the settings (dropping the tags no entry uses) and the
    // granted locations, then writes a versioned backup.
    void applicationWillTerminate(const platform::Notification& notification) override;
};

}  // namespace frelt
