#pragma once
// A kit window on screen: one top-level QWidget. It paints the kit's view
// tree through a QtGraphicsContext, turns Qt's input into kit events for
// Application::sendEvent, reports activation, moves, resizes and close
// requests to the kit window, and takes drags for the kit's destinations.

#include <QPointer>
#include <QWidget>

#include <memory>

#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/KitBackend.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/Subscription.h"
#include "platform/qt/QtInput.h"
#include "platform/qt/X11WindowHints.h"

namespace platform::qt {

class QtKitBackend;
class QtFieldEditor;

class WindowWidget : public QWidget {
    Q_OBJECT
public:
    WindowWidget(std::weak_ptr<Window> window, std::weak_ptr<QtKitBackend> backend);
    ~WindowWidget() override;

    std::shared_ptr<Window> kitWindow() const { return window_.lock(); }
    // The window the kit no longer has: the widget goes quietly.
    void forgetWindow() { window_.reset(); }
    void applyProperties(const WindowProperties& properties);
    void applyFrame(const Rect& frame);
    EdgeInsets insets() const { return properties_.decorationInsets; }
    // Content coordinates of a point in the widget.
    Point contentPoint(QPointF p) const;
    std::shared_ptr<QtFieldEditor> fieldEditor() const { return editor_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void sendMouse(QMouseEvent* event, bool press);
    void updateShapeMask(const Window& window);
    // The window manager's side of the properties (X11 only): desktops,
    // taskbar, the name in the decoration, moving.
    void applyDesktopHints(bool mapped);
    void reportGeometry();
    // What painting left behind goes back once Qt is done with the hiding.
    // The window's picture (its backing store) stays: a fresh one costs
    // every page of it again at the next showing.
    void trimAfterHiding();
    // The drag's DraggingInfo for the kit, made at its entry.
    std::shared_ptr<DraggingInfo> draggingInfo(QDropEvent* event);
    void answerDrag(QDropEvent* event, DragOperation operation);

    std::weak_ptr<Window> window_;
    std::weak_ptr<QtKitBackend> backend_;
    WindowProperties properties_;
    bool propertiesApplied_ = false;
    Rect frame_;
    bool placing_ = false;
    // Set at each showing while the window has clear parts and no
    // compositing manager runs: the window is then cut to its shape.
    bool cutToShape_ = false;
    x11::WindowHints desktopHints_;
    ClickCounter clicks_;
    int pressedClickCount_ = 1;
    std::shared_ptr<QtFieldEditor> editor_;
    Subscription firstResponder_;
    std::shared_ptr<DraggingInfo> drag_;
};

class QtNativeWindow : public NativeWindow {
public:
    QtNativeWindow(Window& window, std::weak_ptr<QtKitBackend> backend);
    ~QtNativeWindow() override;

    WindowWidget* widget() const { return widget_; }

    void show() override;
    void hide() override;
    void orderFront() override;
    void setFrame(const Rect& frame) override;
    void setProperties(const WindowProperties& properties) override;
    void makeKey() override;
    void setNeedsDisplay(const Rect& rect) override;
    void setCursor(Cursor cursor) override;
    void beginUserMove() override;

private:
    QPointer<WindowWidget> widget_;
    std::weak_ptr<QtKitBackend> backend_;
    bool takesFocus_ = true;
};

}  // namespace platform::qt
