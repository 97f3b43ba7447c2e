#pragma once
// The program's item in the desktop's status area (the tray). The status bar
// makes items; an item may have a button (it has one unless the desktop has
// no status area, which tests can ask for), shown in a small window of its
// own so that the button has a frame and a window to pop menus up from.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/Button.h"
#include "platform/appkit/KitBackend.h"

namespace platform {

class Menu;
class StatusItem;
class Window;

// The button of a status item. Drops on it go to the handlers the program
// sets (the button is made by the kit, so the program cannot subclass it).
class StatusBarButton : public Button {
public:
    using DraggingHandler = std::function<DragOperation(const std::shared_ptr<DraggingInfo>&)>;
    using DropHandler = std::function<bool(const std::shared_ptr<DraggingInfo>&)>;

    explicit StatusBarButton(Rect frame = {});

    bool appearsDisabled() const { return appearsDisabled_; }
    void setAppearsDisabled(bool b) { appearsDisabled_ = b; }
    // The edge length the image is shown at.
    Size imageSize() const { return imageSize_; }
    void setImageSize(Size s) { imageSize_ = s; setNeedsDisplay(true); }

    void setDraggingEnteredHandler(DraggingHandler h) { draggingEntered_ = std::move(h); }
    void setDraggingUpdatedHandler(DraggingHandler h) { draggingUpdated_ = std::move(h); }
    void setPerformDragOperationHandler(DropHandler h) { performDrag_ = std::move(h); }
    void setDraggingExitedHandler(std::function<void(const std::shared_ptr<DraggingInfo>&)> h) { draggingExited_ = std::move(h); }

    DragOperation draggingEntered(const std::shared_ptr<DraggingInfo>& info) override;
    DragOperation draggingUpdated(const std::shared_ptr<DraggingInfo>& info) override;
    void draggingExited(const std::shared_ptr<DraggingInfo>& info) override;
    bool performDragOperation(const std::shared_ptr<DraggingInfo>& info) override;

    // The item the button belongs to (set by the item).
    void setStatusItem(const std::shared_ptr<StatusItem>& item) { item_ = item; }

protected:
    // The tray shows the new image.
    void appearanceDidChange() override;

private:
    std::weak_ptr<StatusItem> item_;
    bool appearsDisabled_ = false;
    Size imageSize_;
    DraggingHandler draggingEntered_;
    DraggingHandler draggingUpdated_;
    DropHandler performDrag_;
    std::function<void(const std::shared_ptr<DraggingInfo>&)> draggingExited_;
};

namespace statusitemlength {
inline constexpr double variable = -1;
inline constexpr double square = -2;
}  // namespace statusitemlength

class StatusItem : public Object {
public:
    // The button, or none where the desktop shows no status items.
    std::shared_ptr<StatusBarButton> button() const { return button_; }
    double length() const { return length_; }
    void setLength(double length);
    bool isVisible() const { return visible_; }
    void setVisible(bool b);
    // A menu shown on any click instead of the button's action.
    std::shared_ptr<Menu> menu() const { return menu_; }
    void setMenu(std::shared_ptr<Menu> menu) { menu_ = std::move(menu); }
    const std::string& autosaveName() const { return autosaveName_; }
    void setAutosaveName(std::string name) { autosaveName_ = std::move(name); }
    // The small window that holds the button (none without a button).
    std::shared_ptr<Window> window() const { return window_; }

    // Made by the status bar.
    StatusItem(double length, bool withButton);
    void attachButtonWindow();

    // --- the tray (see KitBackend.h)
    NativeStatusItem* nativeItem() const { return native_.get(); }
    // Asks the application's backend for the tray icon.
    void attachNativeItem();
    // The tray reports where the icon is (global coordinates): the button's
    // window moves there, so menus and popovers open beside it.
    void nativeGeometryChanged(const Rect& geometry);
    // Asks the tray where the icon is now, for what opens beside the button
    // without a click on it (a hotkey shows a popover): many trays tell no
    // place, and the pointer stands in for it, not where the last click was.
    void locate() {
        if (native_) native_->locate();
    }
    // A click on the tray icon, as a mouse event of `type` on the button
    // (the item's menu instead, when it has one).
    void nativeClicked(EventType type, ModifierFlags flags);
    // The image the tray shows: the button's.
    std::shared_ptr<Image> image() const;

private:
    std::unique_ptr<NativeStatusItem> native_;
    double length_;
    bool visible_ = true;
    std::shared_ptr<StatusBarButton> button_;
    std::shared_ptr<Window> window_;
    std::shared_ptr<Menu> menu_;
    std::string autosaveName_;
};

class StatusBar {
public:
    static std::shared_ptr<StatusBar> systemStatusBar();

    // The thickness of the status area (the edge of a square item).
    double thickness() const { return 22; }
    std::shared_ptr<StatusItem> statusItemWithLength(double length);
    void removeStatusItem(const std::shared_ptr<StatusItem>& item);
    const std::vector<std::shared_ptr<StatusItem>>& items() const { return items_; }
    // Whether the desktop offers a status area; items made without one have
    // no button.
    bool isAvailable() const { return available_; }
    void setAvailable(bool b) { available_ = b; }

private:
    std::vector<std::shared_ptr<StatusItem>> items_;
    bool available_ = true;
};

}  // namespace platform
