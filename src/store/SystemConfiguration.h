#pragma once
// Values that follow the desktop's own settings rather than the program's:
// the size of sidebar rows, icons and text (from the system-wide sidebar
// size "NSTableViewDefaultSizeMode" in the global domain of the user
// defaults) and the screen under the mouse.
//
// The one instance watches the key from its creation on and posts
// "systemSidebarSizeChanged" (no object) after a change, on the thread that
// made it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/appkit/Screen.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/Value.h"
#include "store/StoreConstants.h"

namespace frelt {

enum class SidebarSize : std::uint8_t { small, medium, large };

// The fixed measures (in points) of each sidebar size.
struct SidebarMetrics {
    double iconSize;
    double rowHeight;
    double textSize;
};
SidebarMetrics sidebarMetrics(SidebarSize size);

// The size a stored "NSTableViewDefaultSizeMode" value means: 1, 2, 3 are
// small, medium, large; anything else (absent, not a whole number, out of
// range) is medium.
SidebarSize sidebarSizeFromDefaultsValue(const std::optional<platform::Value>& value);

class SystemConfiguration {
    struct Private {
        explicit Private() = default;
    };

public:
    static constexpr const char* tableViewDefaultSizeModeKey = DefaultsKeys::tableViewDefaultSizeMode;

    static std::shared_ptr<SystemConfiguration> shared();

    explicit SystemConfiguration(Private);
    SystemConfiguration(const SystemConfiguration&) = delete;
    SystemConfiguration& operator=(const SystemConfiguration&) = delete;

    SidebarSize sidebarSize() const { return sidebarSize_; }
    double sidebarIconSize() const { return sidebarIconSize_; }
    double sidebarRowHeight() const { return sidebarRowHeight_; }
    double sidebarRowHeightHeader() const { return sidebarRowHeightHeader_; }
    double sidebarTextSize() const { return sidebarTextSize_; }
    std::int64_t sidebarVerticalSpacing() const { return sidebarVerticalSpacing_; }

    // The size the user defaults hold now; no side effect.
    SidebarSize currentSidebarSize() const;
    // Reads the size and sets the four sidebar fields from it; posts nothing.
    void updateSidebarSize();
    // The first screen whose frame holds the mouse; none when off every one.
    std::shared_ptr<platform::Screen> screenUnderMouse() const;

    // What a change of the watched key runs: other keys are ignored; the
    // sizes are updated and "systemSidebarSizeChanged" is posted.
    void observeValueForKeyPath(const std::string& keyPath);

private:
    SidebarSize sidebarSize_ = SidebarSize::medium;
    // The icon starts at the large measure; the main window calls
    // updateSidebarSize() before it is first shown, so this never shows.
    double sidebarIconSize_ = 20.0;
    double sidebarRowHeight_ = 28.0;
    double sidebarRowHeightHeader_ = 25.0;
    double sidebarTextSize_ = 13.0;
    std::int64_t sidebarVerticalSpacing_ = 0;
    platform::Subscription observation_;
};

}  // namespace frelt
