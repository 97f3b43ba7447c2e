#include "platform/appkit/StatusItem.h"

#include <algorithm>

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

StatusItem::StatusItem(double length, bool withButton) : length_(length) {
    if (withButton) button_ = std::make_shared<StatusBarButton>();
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
    items_.push_back(item);
    return item;
}

void StatusBar::removeStatusItem(const std::shared_ptr<StatusItem>& item) {
    std::erase(items_, item);
    if (item) item->setVisible(false);
}

}  // namespace platform
