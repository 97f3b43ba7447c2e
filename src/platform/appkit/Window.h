#pragma once
// A top-level window. The kit keeps all its state (visibility, order, key
// status, first responder, frame); the backend only shows it.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Appearance.h"
#include "platform/appkit/BezierPath.h"
#include "platform/appkit/KitBackend.h"
#include "platform/appkit/ModalResponse.h"
#include "platform/appkit/Responder.h"
#include "platform/appkit/View.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Subscription.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

namespace platform {

class View;
class TextField;
class ViewController;
class WindowController;
class Window;
class Screen;
class GraphicsContext;
class DraggingInfo;
class DragDispatcher;

namespace windownotification {
inline const std::string willClose = "NSWindowWillCloseNotification";
inline const std::string didBecomeKey = "NSWindowDidBecomeKeyNotification";
inline const std::string didResignKey = "NSWindowDidResignKeyNotification";
inline const std::string didBecomeMain = "NSWindowDidBecomeMainNotification";
inline const std::string didResignMain = "NSWindowDidResignMainNotification";
inline const std::string didResize = "NSWindowDidResizeNotification";
inline const std::string didMove = "NSWindowDidMoveNotification";
inline const std::string didChangeOcclusionState = "NSWindowDidChangeOcclusionStateNotification";
}  // namespace windownotification

using StyleMask = std::uint64_t;
namespace stylemask {
inline constexpr StyleMask borderless = 0;
inline constexpr StyleMask titled = 1 << 0;
inline constexpr StyleMask closable = 1 << 1;
inline constexpr StyleMask miniaturizable = 1 << 2;
inline constexpr StyleMask resizable = 1 << 3;
inline constexpr StyleMask utilityWindow = 1 << 4;
inline constexpr StyleMask docModalWindow = 1 << 6;
inline constexpr StyleMask nonactivatingPanel = 1 << 7;
inline constexpr StyleMask unifiedTitleAndToolbar = 1 << 12;
inline constexpr StyleMask hudWindow = 1 << 13;
inline constexpr StyleMask fullScreen = 1 << 14;
inline constexpr StyleMask fullSizeContentView = 1 << 15;
}  // namespace stylemask

using WindowLevel = int;
namespace windowlevel {
inline constexpr WindowLevel normal = 0;
inline constexpr WindowLevel floating = 3;
inline constexpr WindowLevel tornOffMenu = 3;
inline constexpr WindowLevel modalPanel = 8;
inline constexpr WindowLevel mainMenu = 24;
inline constexpr WindowLevel statusBar = 25;
inline constexpr WindowLevel popUpMenu = 101;
inline constexpr WindowLevel screenSaver = 1000;
}  // namespace windowlevel

using CollectionBehavior = std::uint64_t;
namespace collectionbehavior {
inline constexpr CollectionBehavior defaultBehavior = 0;
inline constexpr CollectionBehavior canJoinAllSpaces = 1 << 0;
inline constexpr CollectionBehavior moveToActiveSpace = 1 << 1;
inline constexpr CollectionBehavior managed = 1 << 2;
inline constexpr CollectionBehavior transient = 1 << 3;
inline constexpr CollectionBehavior stationary = 1 << 4;
inline constexpr CollectionBehavior participatesInCycle = 1 << 5;
inline constexpr CollectionBehavior ignoresCycle = 1 << 6;
inline constexpr CollectionBehavior fullScreenPrimary = 1 << 7;
inline constexpr CollectionBehavior fullScreenAuxiliary = 1 << 8;
}  // namespace collectionbehavior

enum class TitleVisibility : int { visible = 0, hidden = 1 };

class WindowDelegate {
public:
    virtual ~WindowDelegate() = default;
    virtual bool windowShouldClose(const std::shared_ptr<Window>& sender) { (void)sender; return true; }
    virtual void windowWillClose(const Notification& notification) { (void)notification; }
    virtual void windowDidBecomeKey(const Notification& notification) { (void)notification; }
    virtual void windowDidResignKey(const Notification& notification) { (void)notification; }
    virtual void windowDidResize(const Notification& notification) { (void)notification; }
    virtual void windowDidMove(const Notification& notification) { (void)notification; }
    // A custom field editor for `client`; none: the window's own.
    virtual std::shared_ptr<View> windowWillReturnFieldEditor(const std::shared_ptr<Window>& window,
                                                              const std::shared_ptr<Object>& client) {
        (void)window;
        (void)client;
        return nullptr;
    }
};

class Window : public Responder {
public:
    // `contentRect` is the content area in screen coordinates (y down); the
    // backend adds the decorations around it.
    explicit Window(Rect contentRect = Rect(0, 0, 480, 360),
                    StyleMask style = stylemask::titled | stylemask::closable | stylemask::miniaturizable |
                                      stylemask::resizable);
    ~Window() override;

    // A number that names the window to the backend, unique in the process.
    int windowNumber() const { return windowNumber_; }

    // --- content
    // Made on first use: a view filling the content area.
    std::shared_ptr<View> contentView();
    void setContentView(const std::shared_ptr<View>& view);
    std::shared_ptr<ViewController> contentViewController() const { return contentViewController_; }
    // Moves the controller's view in as the content view; the window takes the
    // view's size.
    void setContentViewController(const std::shared_ptr<ViewController>& vc);
    std::shared_ptr<WindowController> windowController() const { return windowController_.lock(); }
    void setWindowController(const std::shared_ptr<WindowController>& wc);
    std::shared_ptr<WindowDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<WindowDelegate>& d) { delegate_ = d; }

    // --- frame
    Rect frame() const { return frame_; }
    void setFrame(const Rect& frame, bool display, bool animate = false);
    void setFrameOrigin(Point p) { setFrame(Rect(p, frame_.size), true); }
    void setContentSize(Size s) { setFrame(Rect(frame_.origin, s), true); }
    Size minSize() const { return minSize_; }
    void setMinSize(Size s);
    Size maxSize() const { return maxSize_; }
    void setMaxSize(Size s);
    // Centres the window a little above the middle of the screen that holds
    // the pointer (else its own screen), wholly inside the screen's visible
    // part as far as its size allows.
    void center();
    // Whether anyone placed the window (moved it, centred it, or the window
    // manager did) since it was made. A window run modally that nobody
    // placed opens centred.
    bool hasBeenPlaced() const { return placed_; }
    // The screen holding most of the window; the main screen when none does.
    std::shared_ptr<Screen> screen() const;

    // --- order and visibility
    bool isVisible() const { return visible_; }
    void orderFront(const std::shared_ptr<Object>& sender = nullptr);
    void orderFrontRegardless();
    void orderBack(const std::shared_ptr<Object>& sender = nullptr);
    void orderOut(const std::shared_ptr<Object>& sender = nullptr);
    void makeKeyAndOrderFront(const std::shared_ptr<Object>& sender = nullptr);
    void makeKeyWindow();
    void makeMainWindow();
    // Hides the window after telling the delegate and observers (the
    // notification "NSWindowWillCloseNotification" is posted synchronously).
    virtual void close();
    // Asks windowShouldClose of the delegate (and the controller) first.
    void performClose(const std::shared_ptr<Object>& sender = nullptr);
    bool isReleasedWhenClosed() const { return releasedWhenClosed_; }
    void setReleasedWhenClosed(bool b) { releasedWhenClosed_ = b; }
    bool hidesOnDeactivate() const { return hidesOnDeactivate_; }
    void setHidesOnDeactivate(bool b) { hidesOnDeactivate_ = b; }
    WindowLevel level() const { return level_; }
    void setLevel(WindowLevel l);
    CollectionBehavior collectionBehavior() const { return collectionBehavior_; }
    void setCollectionBehavior(CollectionBehavior b);
    StyleMask styleMask() const { return styleMask_; }
    void setStyleMask(StyleMask m);

    // --- key and main status
    bool isKeyWindow() const;
    bool isMainWindow() const;
    virtual bool canBecomeKeyWindow() const;
    virtual bool canBecomeMainWindow() const;
    // Hooks called when the status changes (after the application updated it).
    virtual void becomeKeyWindow();
    virtual void resignKeyWindow();
    virtual bool isModalPanel() const { return modalPanel_; }
    void setModalPanel(bool b) { modalPanel_ = b; }
    // The window a sheet is attached to, and the sheet of a window.
    std::shared_ptr<Window> sheetParent() const { return sheetParent_.lock(); }
    std::shared_ptr<Window> attachedSheet() const { return attachedSheet_; }
    bool isSheet() const { return !sheetParent_.expired(); }
    // Attaches `sheet`; `completion` runs with the code given to endSheet.
    void beginSheet(const std::shared_ptr<Window>& sheet, std::function<void(ModalResponse)> completion);
    void endSheet(const std::shared_ptr<Window>& sheet, ModalResponse code = modalresponse::stop);

    // --- first responder
    std::shared_ptr<Responder> firstResponder() const { return firstResponder_.lock(); }
    // Asks the current first responder to resign and the new one to become;
    // either answer false keeps the current one. None makes the window itself
    // first responder. Answers whether the change happened.
    bool makeFirstResponder(const std::shared_ptr<Responder>& responder);
    using FirstResponderObserver = std::function<void(const std::shared_ptr<Responder>& newFirstResponder)>;
    // Calls `observer` now with the current first responder (when `initial`)
    // and after every change, until the observation goes.
    [[nodiscard]] Subscription observeFirstResponder(FirstResponderObserver observer, bool initial = true);
    std::shared_ptr<View> initialFirstResponder() const { return initialFirstResponder_.lock(); }
    void setInitialFirstResponder(const std::shared_ptr<View>& v) { initialFirstResponder_ = v; }
    bool autorecalculatesKeyViewLoop() const { return autorecalculatesKeyViewLoop_; }
    void setAutorecalculatesKeyViewLoop(bool b) { autorecalculatesKeyViewLoop_ = b; }
    // Links the key views of the content in reading order (top to bottom,
    // left to right).
    void recalculateKeyViewLoop();
    // The views of the content that accept first responder, in that order.
    std::vector<std::shared_ptr<View>> keyViewsInReadingOrder();
    // The next (or previous) view after `view` in reading order that can take
    // the keyboard, round the end; from none (the window) the first (last).
    std::shared_ptr<View> keyViewAfter(const View* view, bool forward);
    void selectNextKeyView(const std::shared_ptr<Object>& sender = nullptr);
    void selectPreviousKeyView(const std::shared_ptr<Object>& sender = nullptr);

    // The shared text editor controls edit in. Asks the delegate first; then
    // the window's own, made on first use by the installed factory (the
    // desktop backend's) or, with none installed, the kit's text view. None
    // when the window has none yet and `create` is false.
    std::shared_ptr<View> fieldEditor(bool create, const std::shared_ptr<Object>& client);
    using FieldEditorFactory = std::function<std::shared_ptr<View>()>;
    // Null returns to the kit's text view. Reset with the single instances.
    static void setFieldEditorFactory(FieldEditorFactory factory);
    // Sets and clears the view that is being edited through the field editor
    // (controls do this when editing begins and ends).
    std::shared_ptr<Object> fieldEditorClient() const { return fieldEditorClient_.lock(); }
    void setFieldEditorClient(const std::shared_ptr<Object>& client) { fieldEditorClient_ = client; }

    // --- events
    // Routes an event the application hands over: keys to the first
    // responder, mouse downs to the
    // view under the mouse (which may become first responder), mouse ups and
    // drags to the view that got the down, mouse moves to tracking areas.
    virtual void sendEvent(const Event& event);
    // At the end of the view chain, as in any desktop dialog: Tab and
    // Shift-Tab move along the key view loop, Return and Enter press the
    // default button (the one whose key equivalent is Return), Escape cancels
    // (cancelOperation); other keys go to the window controller.
    void keyDown(const Event& event) override;
    // Escape: the cancel button (key equivalent Escape) when there is one,
    // otherwise a closable window closes as if its close button was clicked.
    void cancelOperation(const std::shared_ptr<Object>& sender) override;
    // Offers a key equivalent to every visible view, depth first; the
    // application calls it before the key goes to the first responder.
    // Unclaimed, Ctrl+W closes a closable window that no modal session holds.
    bool performKeyEquivalent(const Event& event) override;
    // The view that received the last mouse down (it gets the ups and drags).
    std::shared_ptr<View> mouseDownView() const { return mouseDownView_.lock(); }

    // --- decoration state
    const std::string& title() const { return title_; }
    void setTitle(std::string t);
    const std::string& subtitle() const { return subtitle_; }
    // Shown after the title, in the same line.
    void setSubtitle(std::string t);
    TitleVisibility titleVisibility() const { return titleVisibility_; }
    void setTitleVisibility(TitleVisibility v);
    bool titlebarAppearsTransparent() const { return titlebarTransparent_; }
    void setTitlebarAppearsTransparent(bool b);
    bool isMovableByWindowBackground() const { return movableByBackground_; }
    void setMovableByWindowBackground(bool b) { movableByBackground_ = b; }
    bool isMovable() const { return movable_; }
    void setMovable(bool b);
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool b);
    // None: the desktop's window background.
    const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<Color> c) { backgroundColor_ = std::move(c); }
    bool hasShadow() const { return hasShadow_; }
    void setHasShadow(bool b);
    double alphaValue() const { return alpha_; }
    void setAlphaValue(double a);
    const std::optional<AppearanceName>& appearance() const { return appearance_; }
    void setAppearance(std::optional<AppearanceName> a);
    AppearanceName effectiveAppearance() const;
    const std::string& identifier() const { return identifier_; }
    void setIdentifier(std::string id) { identifier_ = std::move(id); }

    // Asks the backend to repaint `rect` (content coordinates) of the window.
    void viewNeedsDisplay(const Rect& rect);
    // Paints every view that needs it (the backend calls it, tests may too).
    void displayIfNeeded();

    // --- the native side (see KitBackend.h)
    // The native window of the application's backend; made when `create`
    // (the window is shown), else none until then. None without a backend.
    // It goes with the kit window.
    NativeWindow* nativeWindow(bool create = false);
    // The state the native window shows.
    WindowProperties nativeProperties() const;
    // Room around the content the window draws itself (none by default).
    virtual EdgeInsets decorationInsets() const { return {}; }
    // Draws what lies in the decoration insets and under the content, in
    // the native window's coordinates (`bounds` is the content frame with
    // the insets around it, its origin at 0, 0).
    virtual void drawDecorations(GraphicsContext& context, const Rect& bounds) {
        (void)context;
        (void)bounds;
    }
    // The outline of a window that is not rectangular, in the same
    // coordinates as `drawDecorations`; none: the whole rectangle. Where the
    // screen cannot show transparency, the window is cut to it.
    virtual std::optional<BezierPath> decorationShape(const Rect& bounds) const {
        (void)bounds;
        return std::nullopt;
    }
    // The window manager gave the window the keyboard focus.
    void nativeDidBecomeKey();
    // The user or the window manager moved or resized the window (the
    // content area, global coordinates).
    void nativeFrameDidChange(const Rect& frame);
    // The user asked the window manager to close the window.
    void nativeCloseRequested();
    // Paint `dirty` (content coordinates) into `context`: layout first, then
    // the view tree; views needing display are painted and cleared. A view
    // marked while the pass runs (a cell that refreshes its subviews as it
    // draws) asks the native window again only when the pass did not draw
    // it after the mark: that repaint comes in the next frame, once.
    void nativePaint(GraphicsContext& context, const Rect& dirty);
    // A drag over the window: enter and update both come here, with the
    // location in content coordinates in `info`; answers the operation the
    // destination under it accepts.
    DragOperation nativeDraggingUpdated(const std::shared_ptr<DraggingInfo>& info);
    void nativeDraggingExited();
    // A drag is over the window (between an update and its drop or exit).
    bool hasDragInside() const { return nativeDrag_ != nullptr; }
    // The user dropped; true when a destination took the drop.
    bool nativeDraggingDropped();
    // The view that shows the keyboard focus ring: the first responder, or
    // the control a field editor edits for; none when it asks for no ring.
    std::shared_ptr<View> focusRingView() const;

    // The window controller (the next responder unless one was set).
    std::shared_ptr<Responder> nextResponder() const override;

    // --- kit internals (the application keeps the order and key status)
    void setVisibleState(bool v) { visible_ = v; }
    // A view tree leaves the window: when it holds the first responder, the
    // window becomes first responder without asking anyone.
    void resetFirstResponderIfInside(const View& view);

protected:
    // Subclasses (panels, popover windows) adjust the hiding step.
    virtual void willOrderOut() {}
    // Tells the native window the properties changed.
    void propertiesChanged();

private:
    // The first editable text field in reading order outside tables.
    std::shared_ptr<TextField> firstField();
    // A modal window, a sheet, or a window with a default button.
    bool isDialog();
    // Whether a modal session runs for this window (or a sheet of it).
    bool isHeldByModalSession() const;
    friend class Application;
    void show(bool makeKey);
    void hideWindow();
    void notifyFirstResponderChange();
    void redrawFocusRings();
    void routeMouseMoved(const Event& event);
    void updateCursor(const std::shared_ptr<View>& hit);

    std::unique_ptr<NativeWindow> native_;
    std::weak_ptr<KitBackend> nativeBackend_;
    bool frameFromNative_ = false;
    bool placed_ = false;
    // Inside nativePaint: marks wait for the end of the pass.
    bool painting_ = false;
    Cursor cursor_ = Cursor::arrow;
    std::unique_ptr<DragDispatcher> nativeDrag_;

    int windowNumber_;
    Rect frame_;
    Size minSize_;
    Size maxSize_{1e9, 1e9};
    StyleMask styleMask_;
    std::shared_ptr<View> contentView_;
    std::shared_ptr<ViewController> contentViewController_;
    std::weak_ptr<WindowController> windowController_;
    std::weak_ptr<WindowDelegate> delegate_;
    bool visible_ = false;
    bool closing_ = false;
    bool hiddenByDeactivation_ = false;
    bool releasedWhenClosed_ = false;
    bool hidesOnDeactivate_ = false;
    WindowLevel level_ = windowlevel::normal;
    // The level the window had before it came up key over a window of a
    // higher level; it returns to it once ordered out.
    std::optional<WindowLevel> ownLevel_;
    CollectionBehavior collectionBehavior_ = collectionbehavior::defaultBehavior;
    bool modalPanel_ = false;
    std::weak_ptr<Window> sheetParent_;
    std::shared_ptr<Window> attachedSheet_;
    std::function<void(ModalResponse)> sheetCompletion_;
    std::weak_ptr<Responder> firstResponder_;
    // The view whose focus ring was last asked for: its ring lies outside
    // the view, where nothing else redraws once the focus moves on.
    std::weak_ptr<View> focusRingShown_;
    ObserverList<FirstResponderObserver> firstResponderObservers_;
    std::weak_ptr<View> initialFirstResponder_;
    bool autorecalculatesKeyViewLoop_ = false;
    std::shared_ptr<View> fieldEditor_;
    std::weak_ptr<Object> fieldEditorClient_;
    std::weak_ptr<View> mouseDownView_;
    std::string title_;
    std::string subtitle_;
    TitleVisibility titleVisibility_ = TitleVisibility::visible;
    bool titlebarTransparent_ = false;
    bool movableByBackground_ = false;
    bool movable_ = true;
    bool opaque_ = true;
    std::optional<Color> backgroundColor_;
    bool hasShadow_ = true;
    double alpha_ = 1;
    std::optional<AppearanceName> appearance_;
    std::string identifier_;
};

}  // namespace platform
