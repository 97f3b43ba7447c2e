#pragma once
// The seam between the kit and a desktop backend, in both directions.
//
// Kit to native. The kit keeps every piece of state; a backend only shows
// it. Each kit window owns one NativeWindow, made by the backend's factory
// when the window first needs one and destroyed with the kit window. The
// status item's tray icon is a NativeStatusItem in the same way.
//
// Native to kit, always on the main thread:
// - input: kit events (key codes and modifier bits of the kit, locations
//   in the window's content coordinates) handed to Application::sendEvent;
// - window changes the user or the window manager made: Window::nativeDid…
//   (activated, deactivated, moved or resized, close requested), painting
//   (Window::nativePaint with a GraphicsContext), drags
//   (Window::nativeDragging… with a DraggingInfo);
// - text input and input-method composition for the field editor, through
//   the TextView's NativeTextEditor link;
// - the program lost the focus to another one: Application::deactivate.
//
// Services a backend supplies: text measurement (textMetrics), control
// rendering and text drawing (its GraphicsContext), screens (it calls
// Screen::setScreens), the pointer position, the desktop palette
// (SystemColors and Application::setSystemAppearance), the tray item,
// menus popped up, alerts and file panels (a ModalPresenter it installs),
// the clipboard (the general pasteboard's change handler) and drag sessions.
//
// Blocking calls of the kit (a menu's popUp, runModal) stay nested runs of
// the run loop; a backend shows the native thing without a loop of its own.
// Waiting for input is the run loop's backend (RunLoopBackend), which a
// desktop backend provides alongside.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Appearance.h"
#include "platform/appkit/Cursor.h"
#include "platform/appkit/TextMetrics.h"
#include "platform/graphics/Geometry.h"

namespace platform {

class Window;
class StatusItem;
class DraggingSession;

// Window state the native window shows. The kit makes a new one whenever a
// property changes; the native side applies what differs.
struct WindowProperties {
    std::string title;
    int level = 0;                         // WindowLevel
    std::uint64_t styleMask = 0;           // StyleMask
    std::uint64_t collectionBehavior = 0;  // CollectionBehavior
    double alpha = 1;
    bool opaque = true;
    bool hasShadow = true;
    Size minSize;
    Size maxSize{1e9, 1e9};
    AppearanceName appearance;  // the effective one
    bool titleVisible = true;
    bool titlebarTransparent = false;
    bool movable = true;
    // Room around the content the kit draws in itself (a popover's arrow);
    // the native window is that much larger than the kit window's frame.
    EdgeInsets decorationInsets;
    bool operator==(const WindowProperties&) const = default;
};

class NativeWindow {
public:
    virtual ~NativeWindow() = default;

    virtual void show() = 0;
    virtual void hide() = 0;
    // Puts the window in front of the program's other windows.
    virtual void orderFront() = 0;
    // The content area in global coordinates (decorations go around it).
    virtual void setFrame(const Rect& frame) = 0;
    virtual void setProperties(const WindowProperties& properties) = 0;
    // Gives the window the keyboard focus.
    virtual void makeKey() = 0;
    // Repaint `rect` (content coordinates) soon.
    virtual void setNeedsDisplay(const Rect& rect) = 0;
    virtual void setCursor(Cursor cursor) = 0;
    // The user drags the window by its background: the window manager moves
    // it from the current mouse-down on.
    virtual void beginUserMove() = 0;
};

// The program's icon in the desktop's tray.
class NativeStatusItem {
public:
    virtual ~NativeStatusItem() = default;
    // The item's image, tooltip or visibility changed.
    virtual void update() = 0;
    // Tells the item where the icon is now (StatusItem::nativeGeometryChanged);
    // where the tray tells no place, where the pointer is.
    virtual void locate() {}
};

class KitBackend {
public:
    virtual ~KitBackend() = default;

    virtual std::unique_ptr<NativeWindow> makeNativeWindow(Window& window) = 0;
    // None where the desktop has no tray.
    virtual std::unique_ptr<NativeStatusItem> makeNativeStatusItem(StatusItem& item) {
        (void)item;
        return nullptr;
    }
    // The visible windows, front to back. The default orders each one's
    // native window front, back to front.
    virtual void orderWindows(const std::vector<std::shared_ptr<Window>>& frontToBack);
    // Bring the program to the front (the application was activated).
    virtual void activateApplication() = 0;
    virtual void deactivateApplication() = 0;
    // Carry out a drag the program started (the headless backend keeps none:
    // tests take DraggingSession::current to a DragDispatcher).
    virtual void beginDraggingSession(const std::shared_ptr<DraggingSession>& session) { (void)session; }

    // --- services
    virtual TextMetrics& textMetrics() = 0;
    // The pointer in global coordinates right now; none where only events
    // tell (then Event::mouseLocation keeps the last event's).
    virtual std::optional<Point> pointerLocation() const { return std::nullopt; }
    // Whether a mouse button is held right now, also in another program's
    // window (where a drag from a file manager starts).
    virtual bool pointerButtonsDown() const { return false; }
};

// The backend of tests and tools without a display: nothing is drawn; it
// records what it was asked to do so tests can look. Text is measured with
// fixed advances (HeadlessTextMetrics).
class HeadlessKitBackend : public KitBackend, public std::enable_shared_from_this<HeadlessKitBackend> {
public:
    std::unique_ptr<NativeWindow> makeNativeWindow(Window& window) override;
    void orderWindows(const std::vector<std::shared_ptr<Window>>& frontToBack) override;
    void activateApplication() override;
    void deactivateApplication() override;
    TextMetrics& textMetrics() override { return metrics_; }
    // What the window system would tell about the mouse buttons; tests set it.
    bool pointerButtonsDown() const override { return pointerButtonsDown_; }
    void setPointerButtonsDown(bool down) { pointerButtonsDown_ = down; }

    // One line per request, such as "show 3", "hide 3", "frame 3", "key 3",
    // "display 3", "properties 3", "cursor 3 iBeam", "move 3", "activate".
    const std::vector<std::string>& requests() const { return requests_; }
    void clearRequests() { requests_.clear(); }
    std::size_t count(const std::string& request) const;
    void record(std::string request);
    // Repeated requests merge into one until something else is asked, as a
    // real backend's repaints would.
    void recordMerging(std::string request);

private:
    std::vector<std::string> requests_;
    HeadlessTextMetrics metrics_;
    bool pointerButtonsDown_ = false;
};

}  // namespace platform
