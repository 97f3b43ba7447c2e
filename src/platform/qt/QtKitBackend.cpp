#include "platform/qt/QtKitBackend.h"

#include <QCursor>
#include <QDrag>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "platform/appkit/Application.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/RunLoop.h"
#include "platform/qt/QtImages.h"
#include "platform/qt/QtMime.h"
#include "platform/qt/QtNativeWindow.h"
#include "platform/qt/QtRunLoopBackend.h"
#include "platform/qt/QtStatusItem.h"
#include "platform/qt/X11WindowHints.h"

namespace platform::qt {

QtKitBackend::QtKitBackend(std::shared_ptr<QtRunLoopBackend> runLoop) : runLoop_(std::move(runLoop)) {}

QtKitBackend::~QtKitBackend() = default;

std::unique_ptr<NativeWindow> QtKitBackend::makeNativeWindow(Window& window) {
    return std::make_unique<QtNativeWindow>(window, weak_from_this());
}

std::unique_ptr<NativeStatusItem> QtKitBackend::makeNativeStatusItem(StatusItem& item) {
    if (!QtStatusItem::trayAvailable()) return nullptr;
    return std::make_unique<QtStatusItem>(item);
}

void QtKitBackend::activateApplication() {}
void QtKitBackend::deactivateApplication() {}

std::optional<Point> QtKitBackend::pointerLocation() const {
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) return std::nullopt;
    const QPoint p = QCursor::pos();
    return Point{double(p.x()), double(p.y())};
}

bool QtKitBackend::pointerButtonsDown() const {
    // Qt knows only the buttons pressed in the program's own windows.
    if (const auto down = x11::pointerButtonsDown()) return *down;
    return QGuiApplication::mouseButtons() != Qt::NoButton;
}

QWidget* QtKitBackend::widgetOf(Window& window) {
    auto* native = dynamic_cast<QtNativeWindow*>(window.nativeWindow());
    return native ? native->widget() : nullptr;
}

void QtKitBackend::focusRequested(QWidget* widget) {
    focusRequest_ = widget;
    focusRequestAge_.start();
}

bool QtKitBackend::activationCounts(QWidget* widget) {
    // A request the window system has not answered within a second was
    // refused; the user's clicks count again.
    if (!focusRequest_ || focusRequestAge_.elapsed() > 1000) {
        focusRequest_.clear();
        return true;
    }
    if (focusRequest_ != widget) return false;
    focusRequest_.clear();
    return true;
}

void QtKitBackend::beginDraggingSession(const std::shared_ptr<DraggingSession>& session) {
    if (!session) return;
    // After the mouse event that began it has been handled: QDrag runs a
    // loop of its own until the drop.
    std::weak_ptr<QtKitBackend> self = weak_from_this();
    QTimer::singleShot(0, this, [self, session] {
        if (auto backend = self.lock()) backend->runDrag(session);
    });
}

void QtKitBackend::runDrag(const std::shared_ptr<DraggingSession>& session) {
    // The drag starts from the key window (where the mouse went down).
    auto key = Application::shared()->keyWindow();
    QWidget* source = key ? widgetOf(*key) : nullptr;
    if (!source || !(QGuiApplication::mouseButtons() & Qt::LeftButton)) return;
    auto* drag = new QDrag(source);
    drag->setMimeData(mimeDataOf(session->draggingPasteboard()->items()).release());
    // The picture: the first item's components, at their places.
    if (!session->draggingItems().empty()) {
        const auto& item = session->draggingItems().front();
        const Rect frame = item.draggingFrame;
        const qreal scale = source->devicePixelRatioF();
        QPixmap picture(QSizeF(frame.width() * scale, frame.height() * scale).toSize());
        picture.setDevicePixelRatio(scale);
        picture.fill(Qt::transparent);
        {
            QPainter painter(&picture);
            for (const auto& component : item.imageComponents) {
                if (!component.contents) continue;
                const QPixmap part = pixmapOfImage(*component.contents, QSizeF(component.frame.width(), component.frame.height()), scale);
                painter.setOpacity(0.8);
                painter.drawPixmap(QPointF(component.frame.minX(), component.frame.minY()), part);
            }
        }
        drag->setPixmap(picture);
        const QPoint cursor = source->mapFromGlobal(QCursor::pos());
        const Point inContent = static_cast<WindowWidget*>(source)->contentPoint(cursor);
        if (auto table = std::dynamic_pointer_cast<View>(session->source())) {
            const Point origin = table->convertPointToWindow(frame.origin);
            drag->setHotSpot(QPointF(inContent.x - origin.x, inContent.y - origin.y).toPoint());
        }
    }
    dragging_ = session;
    runLoop_->enterForeignLoop(RunLoopMode::eventTracking);
    const Qt::DropActions actions = dropActionsOf(session->sourceOperationMask(true) | session->sourceOperationMask(false));
    drag->exec(actions, dropActionOf(session->sourceOperationMask(false)));
    runLoop_->leaveForeignLoop();
    dragging_.reset();
}

}  // namespace platform::qt
