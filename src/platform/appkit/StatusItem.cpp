#include "platform/appkit/StatusItem.h"

#include <algorithm>
#include <cmath>

#include "platform/appkit/Application.h"
#include "platform/appkit/Menu.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/SingleInstance.h"

namespace platform {

StatusBarButton::StatusBarButton(Rect frame) : Button(frame) {
    setBordered(false);
    setButtonType(ButtonType::momentaryChange);
}

DragOperation StatusBarButton::draggingEntered(const std::shared_ptr<DraggingInfo>& info) {
    return draggingEntered_ ? draggingEntered_(info) : Button::draggingEntered(info);
}

DragOperation StatusBarButton::draggingUpdated(const std::shared_ptr<DraggingInfo>& info) {
    if (draggingUpdated_) return draggingUpdated_(info);
    return draggingEntered(info);
}

void StatusBarButton::draggingExited(const std::shared_ptr<DraggingInfo>& info) {
    if (draggingExited_) draggingExited_(info);
    else Button::draggingExited(info);
}

bool StatusBarButton::performDragOperation(const std::shared_ptr<DraggingInfo>& info) {
    return performDrag_ ? performDrag_(info) : Button::performDragOperation(info);
}

void StatusBarButton::appearanceDidChange() {
    Button::appearanceDidChange();
    if (auto item = item_.lock())
        if (auto* native = item->nativeItem()) native->update();
}

StatusItem::StatusItem(double length, bool withButton) : length_(length) {
    if (withButton) button_ = std::make_shared<StatusBarButton>();
}

void StatusItem::setVisible(bool b) {
    if (b == visible_) return;
    visible_ = b;
    if (native_) native_->update();
}

std::shared_ptr<Image> StatusItem::image() const { return button_ ? button_->image() : nullptr; }

void StatusItem::attachNativeItem() {
    if (!button_ || native_) return;
    button_->setStatusItem(std::static_pointer_cast<StatusItem>(shared_from_this()));
    if (auto backend = Application::shared()->backend()) native_ = backend->makeNativeStatusItem(*this);
    if (native_) native_->update();
}

void StatusItem::nativeGeometryChanged(const Rect& geometry) {
    if (!window_) return;
    const Size size = window_->frame().size;
    window_->setFrameOrigin({std::round(geometry.midX() - size.width / 2), std::round(geometry.midY() - size.height / 2)});
}

void StatusItem::nativeClicked(EventType type, ModifierFlags flags) {
    assertMainThread("StatusItem::nativeClicked");
    if (!button_ || !window_) return;
    const Rect b = button_->frame();
    const Point centre{b.midX(), b.midY()};
    if (menu_) {
        if (type == EventType::leftMouseDown || type == EventType::rightMouseUp)
            menu_->popUp(nullptr, Point{b.minX(), b.maxY()}, window_->contentView());
        return;
    }
    auto app = Application::shared();
    app->sendEvent(Event::mouseEvent(type, centre, flags, window_));
    // A press the tray reports alone still ends, so the button does not stay
    // highlighted; the action mask decides whether it acts on it.
    if (type == EventType::leftMouseDown)
        app->sendEvent(Event::mouseEvent(EventType::leftMouseUp, centre, flags, window_));
}

void StatusItem::setLength(double length) {
    length_ = length;
    if (!button_) return;
    const double edge = StatusBar::systemStatusBar()->thickness();
    const double width = length_ >= 0 ? length_ : edge;
    button_->setFrame(Rect(0, 0, width, edge));
    if (window_) window_->setContentSize({width, edge});
}

void StatusItem::attachButtonWindow() {
    if (!button_ || window_) return;
    const double edge = StatusBar::systemStatusBar()->thickness();
    const double width = length_ >= 0 ? length_ : edge;
    window_ = std::make_shared<Window>(Rect(0, 0, width, edge), stylemask::borderless);
    window_->setLevel(windowlevel::statusBar);
    button_->setFrame(Rect(0, 0, width, edge));
    window_->contentView()->addSubview(button_);
}

std::shared_ptr<StatusBar> StatusBar::systemStatusBar() {
    return singleInstance<StatusBar>([] { return std::make_shared<StatusBar>(); });
}

std::shared_ptr<StatusItem> StatusBar::statusItemWithLength(double length) {
    assertMainThread("StatusBar::statusItemWithLength");
    auto item = std::make_shared<StatusItem>(length, available_);
    item->attachButtonWindow();
    item->attachNativeItem();
    items_.push_back(item);
    return item;
}

void StatusBar::removeStatusItem(const std::shared_ptr<StatusItem>& item) {
    std::erase(items_, item);
    if (item) item->setVisible(false);
}

}  // namespace platform
