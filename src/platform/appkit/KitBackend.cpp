#include "platform/appkit/KitBackend.h"

#include <algorithm>

#include "platform/appkit/Window.h"

namespace platform {

void KitBackend::orderWindows(const std::vector<std::shared_ptr<Window>>& frontToBack) {
    for (auto it = frontToBack.rbegin(); it != frontToBack.rend(); ++it) {
        if (auto* native = (*it)->nativeWindow()) native->orderFront();
    }
}

namespace {

const char* cursorName(Cursor c) {
    switch (c) {
        case Cursor::arrow: return "arrow";
        case Cursor::iBeam: return "iBeam";
        case Cursor::pointingHand: return "pointingHand";
        case Cursor::closedHand: return "closedHand";
        case Cursor::openHand: return "openHand";
        case Cursor::resizeLeftRight: return "resizeLeftRight";
        case Cursor::resizeUpDown: return "resizeUpDown";
        case Cursor::crosshair: return "crosshair";
    }
    return "arrow";
}

class HeadlessNativeWindow : public NativeWindow {
public:
    HeadlessNativeWindow(std::weak_ptr<HeadlessKitBackend> backend, int number)
        : backend_(std::move(backend)), number_(std::to_string(number)) {}

    void show() override { say("show"); }
    void hide() override { say("hide"); }
    void orderFront() override {}
    void setFrame(const Rect&) override { say("frame"); }
    void setProperties(const WindowProperties&) override { say("properties"); }
    void makeKey() override { say("key"); }
    void setNeedsDisplay(const Rect&) override {
        if (auto b = backend_.lock()) b->recordMerging("display " + number_);
    }
    void setCursor(Cursor cursor) override { say(std::string("cursor"), std::string(" ") + cursorName(cursor)); }
    void beginUserMove() override { say("move"); }

private:
    void say(const std::string& what, const std::string& detail = {}) {
        if (auto b = backend_.lock()) b->record(what + " " + number_ + detail);
    }

    std::weak_ptr<HeadlessKitBackend> backend_;
    std::string number_;
};

}  // namespace

std::unique_ptr<NativeWindow> HeadlessKitBackend::makeNativeWindow(Window& window) {
    return std::make_unique<HeadlessNativeWindow>(weak_from_this(), window.windowNumber());
}

void HeadlessKitBackend::orderWindows(const std::vector<std::shared_ptr<Window>>&) { record("order"); }
void HeadlessKitBackend::activateApplication() { record("activate"); }
void HeadlessKitBackend::deactivateApplication() { record("deactivate"); }

void HeadlessKitBackend::record(std::string request) { requests_.push_back(std::move(request)); }

void HeadlessKitBackend::recordMerging(std::string request) {
    if (requests_.empty() || requests_.back() != request) requests_.push_back(std::move(request));
}

std::size_t HeadlessKitBackend::count(const std::string& request) const {
    return std::size_t(std::count(requests_.begin(), requests_.end(), request));
}

}  // namespace platform
