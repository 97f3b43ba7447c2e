#include "platform/appkit/KitBackend.h"

#include <algorithm>

#include "platform/appkit/Window.h"

namespace platform {

namespace {
std::string line(const char* what, const Window& w) { return std::string(what) + " " + std::to_string(w.windowNumber()); }
}  // namespace

void HeadlessKitBackend::showWindow(Window& window) { requests_.push_back(line("show", window)); }
void HeadlessKitBackend::hideWindow(Window& window) { requests_.push_back(line("hide", window)); }
void HeadlessKitBackend::orderWindows(const std::vector<std::shared_ptr<Window>>&) { requests_.push_back("order"); }
void HeadlessKitBackend::setWindowFrame(Window& window, const Rect&) { requests_.push_back(line("frame", window)); }
void HeadlessKitBackend::updateWindowProperties(Window& window) { requests_.push_back(line("properties", window)); }
void HeadlessKitBackend::makeKeyWindow(Window& window) { requests_.push_back(line("key", window)); }
void HeadlessKitBackend::setNeedsDisplay(Window& window, const Rect&) {
    // One line per window until it is painted; repeated requests merge, as a
    // real backend's would.
    const std::string l = line("display", window);
    if (requests_.empty() || requests_.back() != l) requests_.push_back(l);
}
void HeadlessKitBackend::activateApplication() { requests_.push_back("activate"); }
void HeadlessKitBackend::deactivateApplication() { requests_.push_back("deactivate"); }

std::size_t HeadlessKitBackend::count(const std::string& request) const {
    return std::size_t(std::count(requests_.begin(), requests_.end(), request));
}

}  // namespace platform
