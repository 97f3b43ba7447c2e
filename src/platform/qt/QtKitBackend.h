#pragma once
// The kit's desktop backend on Qt 6 Widgets: each kit window a top-level
// QWidget (QtNativeWindow), the tray item a QSystemTrayIcon, drags QDrag,
// text measured with Qt's fonts.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include <memory>

#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/KitBackend.h"
#include "platform/qt/QtText.h"

class QWidget;

namespace platform::qt {

class QtRunLoopBackend;

class QtKitBackend : public QObject, public KitBackend, public std::enable_shared_from_this<QtKitBackend> {
    Q_OBJECT
public:
    explicit QtKitBackend(std::shared_ptr<QtRunLoopBackend> runLoop);
    ~QtKitBackend() override;

    std::unique_ptr<NativeWindow> makeNativeWindow(Window& window) override;
    std::unique_ptr<NativeStatusItem> makeNativeStatusItem(StatusItem& item) override;
    void activateApplication() override;
    void deactivateApplication() override;
    void beginDraggingSession(const std::shared_ptr<DraggingSession>& session) override;
    TextMetrics& textMetrics() override { return metrics_; }
    std::optional<Point> pointerLocation() const override;
    bool pointerButtonsDown() const override;

    // The drag this program started while it is under way.
    std::shared_ptr<DraggingSession> draggingSession() const { return dragging_; }
    // The widget that shows a kit window (none while it has none of ours).
    static QWidget* widgetOf(Window& window);
    const std::shared_ptr<QtRunLoopBackend>& runLoop() const { return runLoop_; }

    // The kit asked to give `widget` the focus: activations of other windows
    // that arrive meanwhile are the window system catching up with earlier
    // requests, not the user's, and must not bounce the focus back.
    void focusRequested(QWidget* widget);
    // Whether an activation of `widget` is the user's (or answers the last
    // request) rather than a stale one.
    bool activationCounts(QWidget* widget);

private:
    void runDrag(const std::shared_ptr<DraggingSession>& session);

    std::shared_ptr<QtRunLoopBackend> runLoop_;
    QtTextMetrics metrics_;
    std::shared_ptr<DraggingSession> dragging_;
    QPointer<QWidget> focusRequest_;
    QElapsedTimer focusRequestAge_;
};

}  // namespace platform::qt
