#include "platform/linux/X11HotkeyServices.h"

#include <cstdlib>
#include <memory>

#include "platform/carbon/HotKeyService.h"
#include "platform/carbon/InputSources.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/linux/X11Connection.h"
#include "platform/linux/X11HotKeyService.h"
#include "platform/linux/XInputModifierMonitor.h"
#include "platform/linux/XkbInputSources.h"

namespace platform::x11 {
namespace {
struct MonitorTag {};
// Lives as long as the installed services (reset with them between tests).
using InstalledMonitor = ResettableValue<MonitorTag, std::shared_ptr<XInputModifierMonitor>>;
}  // namespace

bool installHotkeyServices(const std::optional<std::string>& displayName) {
    const auto connection = X11Connection::open(displayName);
    if (!connection) {
        auto refusing = std::make_shared<HeadlessHotKeyService>();
        refusing->setUnavailable("Global hotkeys are unavailable: there is no X11 display.");
        HotKeyService::setShared(refusing);
        return false;
    }
    std::optional<std::string> limitation;
    if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland && *wayland)
        limitation = "Global hotkeys work only while a Frelt window has the focus: the desktop runs Wayland.";
    HotKeyService::setShared(X11HotKeyService::make(connection, limitation));
    if (auto sources = XkbInputSourceService::make(connection)) InputSourceService::setShared(sources);
    InstalledMonitor::set(XInputModifierMonitor::start(connection));
    return true;
}

}  // namespace platform::x11
