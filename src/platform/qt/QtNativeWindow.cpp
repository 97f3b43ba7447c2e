#include "platform/qt/QtNativeWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

#include <cmath>
#include <cstdlib>
#include <string>

#include <xcb/xcb.h>

#include "platform/appkit/Application.h"
#include "platform/appkit/SystemColors.h"
#include "platform/qt/QtDesktop.h"
#include "platform/qt/QtFieldEditor.h"
#include "platform/qt/QtGraphicsContext.h"
#include "platform/qt/QtKitBackend.h"
#include "platform/qt/QtMime.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

namespace {

Qt::CursorShape cursorShape(Cursor c) {
    switch (c) {
        case Cursor::arrow: return Qt::ArrowCursor;
        case Cursor::iBeam: return Qt::IBeamCursor;
        case Cursor::pointingHand: return Qt::PointingHandCursor;
        case Cursor::closedHand: return Qt::ClosedHandCursor;
        case Cursor::openHand: return Qt::OpenHandCursor;
        case Cursor::resizeLeftRight: return Qt::SplitHCursor;
        case Cursor::resizeUpDown: return Qt::SplitVCursor;
        case Cursor::crosshair: return Qt::CrossCursor;
    }
    return Qt::ArrowCursor;
}

// The window kinds of the kit as Qt window flags.
Qt::WindowFlags flagsFor(const WindowProperties& p) {
    const bool titled = p.styleMask & (1u << 0);
    Qt::WindowFlags f;
    if (!titled) {
        // Borderless: popovers and the like, without a taskbar entry.
        f = Qt::Tool | Qt::FramelessWindowHint;
    } else {
        f = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (p.styleMask & (1u << 1)) f |= Qt::WindowCloseButtonHint;
        if (p.styleMask & (1u << 2)) f |= Qt::WindowMinimizeButtonHint;
        if (p.styleMask & (1u << 3)) f |= Qt::WindowMaximizeButtonHint;
    }
    // Floating levels and above stay in front of other programs' windows.
    if (p.level >= 3) f |= Qt::WindowStaysOnTopHint;
    // Where the platform draws shadows itself; on X11 they are the
    // compositing manager's, which no standard property reaches.
    if (!p.hasShadow) f |= Qt::NoDropShadowWindowHint;
    return f;
}

QRect outerGeometry(const Rect& frame, const EdgeInsets& e) {
    return QRectF(frame.minX() - e.left, frame.minY() - e.top, frame.width() + e.left + e.right,
                  frame.height() + e.top + e.bottom)
        .toAlignedRect();
}

// Whether the X server's screen has a compositing manager, which alone
// shows a window's clear pixels as clear (without one they are black).
// Outside X11 (the offscreen platform of tests) alpha is taken as shown.
bool compositingManagerRunning() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return true;
    xcb_connection_t* connection = x11->connection();
    int screen = 0;
    if (const char* display = std::getenv("DISPLAY")) {
        char* host = nullptr;
        int number = 0;
        if (xcb_parse_display(display, &host, &number, &screen) == 0) screen = 0;
        std::free(host);
    }
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.c_str()), nullptr);
    if (!atom) return true;
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool running = !owner || owner->owner != XCB_NONE;
    std::free(owner);
    std::free(atom);
    return running;
}

}  // namespace

// --- the widget

WindowWidget::WindowWidget(std::weak_ptr<Window> window, std::weak_ptr<QtKitBackend> backend)
    : QWidget(nullptr), window_(std::move(window)), backend_(std::move(backend)) {
    setMouseTracking(true);
    setAcceptDrops(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    editor_ = std::make_shared<QtFieldEditor>(this, window_);
    if (auto w = window_.lock()) {
        std::weak_ptr<QtFieldEditor> editor = editor_;
        firstResponder_ = w->observeFirstResponder([editor](const std::shared_ptr<Responder>& r) {
            if (auto e = editor.lock()) e->firstResponderChanged(r);
        });
    }
}

WindowWidget::~WindowWidget() {
    firstResponder_.cancel();
    editor_.reset();
}

Point WindowWidget::contentPoint(QPointF p) const {
    const EdgeInsets e = insets();
    return {p.x() - e.left, p.y() - e.top};
}

void WindowWidget::applyProperties(const WindowProperties& p) {
    const bool first = !propertiesApplied_;
    const WindowProperties old = properties_;
    properties_ = p;
    propertiesApplied_ = true;
    if (first || flagsFor(old) != flagsFor(p)) {
        const bool shown = isVisible();
        if (first && !p.opaque) setAttribute(Qt::WA_TranslucentBackground, true);
        setWindowFlags(flagsFor(p));
        if (shown) show();
    }
    if (first || old.title != p.title) setWindowTitle(toQString(p.title));
    if (first || old.alpha != p.alpha) setWindowOpacity(std::clamp(p.alpha, 0.0, 1.0));
    const EdgeInsets e = p.decorationInsets;
    const double dx = e.left + e.right, dy = e.top + e.bottom;
    const bool resizable = p.styleMask & (1u << 3);
    if (resizable) {
        setMinimumSize(QSizeF(p.minSize.width + dx, p.minSize.height + dy).toSize());
        setMaximumSize(QSize(int(std::min(p.maxSize.width + dx, double(QWIDGETSIZE_MAX))),
                             int(std::min(p.maxSize.height + dy, double(QWIDGETSIZE_MAX)))));
    }
    if (!(old.decorationInsets == e)) applyFrame(frame_);
    // After Qt's own writes (flags, title), which these amend.
    if (isVisible()) applyDesktopHints(true);
    update();
}

void WindowWidget::applyDesktopHints(bool mapped) {
    QWindow* handle = windowHandle();
    if (!handle || !x11::available()) return;
    const x11::WindowHints hints = x11::hintsFor(properties_);
    x11::apply(*handle, desktopHints_, hints, mapped);
    desktopHints_ = hints;
}

void WindowWidget::applyFrame(const Rect& frame) {
    frame_ = frame;
    const QRect geometry = outerGeometry(frame, insets());
    placing_ = true;
    const bool resizable = properties_.styleMask & (1u << 3);
    if (!resizable && (properties_.styleMask & 1u)) setFixedSize(geometry.size());
    if (this->geometry() != geometry) setGeometry(geometry);
    placing_ = false;
}

bool WindowWidget::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::WindowActivate:
            if (auto w = kitWindow()) {
                auto backend = backend_.lock();
                if (!backend || backend->activationCounts(this)) w->nativeDidBecomeKey();
                editor_->takeFocus();
            }
            break;
        case QEvent::KeyPress:
            // Tab too: the kit's key view loop moves the focus, not Qt's.
            keyPressEvent(static_cast<QKeyEvent*>(event));
            return true;
        case QEvent::ShortcutOverride: event->accept(); return true;
        default: break;
    }
    return QWidget::event(event);
}

void WindowWidget::showEvent(QShowEvent* event) {
    // Before Qt maps the window: the window manager finds the hints there
    // when it takes the window (a window restored from an icon is still
    // managed).
    if (!event->spontaneous()) applyDesktopHints(false);
    cutToShape_ = !properties_.opaque && !compositingManagerRunning();
    if (auto window = kitWindow()) updateShapeMask(*window);
    QWidget::showEvent(event);
}

void WindowWidget::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Later on the main queue: the hiding may be one step of several (a
    // change of window flags hides and shows again in one go).
    QTimer::singleShot(0, this, [this] { trimAfterHiding(); });
}

void WindowWidget::trimAfterHiding() {
    if (isVisible()) return;
    // Painting freed its blocks by now (glyphs, images, paths). Qt keeps
    // the backing store, a picture of the whole window shared with the X
    // server, as long as the widget lives, and the next showing paints into
    // it without faulting in a new one.
    returnFreedMemorySoon();
}

void WindowWidget::updateShapeMask(const Window& window) {
    QRegion region;
    if (cutToShape_) {
        if (const auto shape = window.decorationShape(Rect(0, 0, width(), height()))) {
            for (const QPolygonF& polygon : painterPath(*shape).toFillPolygons())
                region += QRegion(polygon.toPolygon(), Qt::WindingFill);
        }
    }
    if (region == mask()) return;
    if (region.isEmpty()) clearMask();
    else setMask(region);
}

void WindowWidget::paintEvent(QPaintEvent* event) {
    auto window = kitWindow();
    if (window) updateShapeMask(*window);
    QPainter painter(this);
    if (!window) return;
    const AppearanceName appearance = window->effectiveAppearance();
    QtGraphicsContext context(painter, appearance);
    const EdgeInsets e = insets();
    const QRectF all(0, 0, width(), height());
    if (!properties_.opaque) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(event->rect(), Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else {
        painter.fillRect(event->rect(), qColor(Color::named("System", "windowBackgroundColor"), appearance));
    }
    window->drawDecorations(context, Rect(0, 0, all.width(), all.height()));
    context.saveGraphicsState();
    context.translate(e.left, e.top);
    const Rect content(0, 0, width() - e.left - e.right, height() - e.top - e.bottom);
    context.clipToRect(content);
    const QRect dirty = event->rect().translated(-int(e.left), -int(e.top));
    const Rect dirtyRect = Rect(dirty.x(), dirty.y(), dirty.width(), dirty.height()).intersection(content);
    window->nativePaint(context, dirtyRect);
    context.restoreGraphicsState();
    editor_->reposition(e.left, e.top);
}

void WindowWidget::sendMouse(QMouseEvent* event, bool press) {
    auto window = kitWindow();
    if (!window) return;
    int clicks = 0;
    if (press) {
        clicks = pressedClickCount_ = clicks_.press(event->button(), event->globalPosition(), event->timestamp());
    } else if (event->type() == QEvent::MouseButtonRelease) {
        clicks = pressedClickCount_;
    }
    if (auto e = mouseEvent(*event, contentPoint(event->position()), window, clicks)) Application::shared()->sendEvent(e);
    event->accept();
}

void WindowWidget::mousePressEvent(QMouseEvent* event) { sendMouse(event, true); }
void WindowWidget::mouseDoubleClickEvent(QMouseEvent* event) { sendMouse(event, true); }
void WindowWidget::mouseReleaseEvent(QMouseEvent* event) { sendMouse(event, false); }
void WindowWidget::mouseMoveEvent(QMouseEvent* event) { sendMouse(event, false); }

void WindowWidget::wheelEvent(QWheelEvent* event) {
    if (auto window = kitWindow()) Application::shared()->sendEvent(scrollEvent(*event, contentPoint(event->position()), window));
    event->accept();
}

void WindowWidget::keyPressEvent(QKeyEvent* event) {
    if (auto window = kitWindow()) Application::shared()->sendEvent(keyEvent(*event, window));
    event->accept();
}

void WindowWidget::keyReleaseEvent(QKeyEvent* event) {
    if (auto window = kitWindow()) Application::shared()->sendEvent(keyEvent(*event, window));
    event->accept();
}

void WindowWidget::leaveEvent(QEvent*) {
    // Far outside every view, so tracking areas hear the mouse leave.
    if (auto window = kitWindow())
        Application::shared()->sendEvent(Event::mouseEvent(EventType::mouseMoved, Point{-1e6, -1e6}, 0, window, 0));
}

void WindowWidget::reportGeometry() {
    if (placing_) return;
    auto window = kitWindow();
    if (!window || !isVisible()) return;
    const EdgeInsets e = insets();
    const QRect g = geometry();
    const Rect frame(g.x() + e.left, g.y() + e.top, g.width() - e.left - e.right, g.height() - e.top - e.bottom);
    if (frame == frame_) return;
    frame_ = frame;
    window->nativeFrameDidChange(frame);
}

void WindowWidget::moveEvent(QMoveEvent*) { reportGeometry(); }
void WindowWidget::resizeEvent(QResizeEvent*) { reportGeometry(); }

void WindowWidget::closeEvent(QCloseEvent* event) {
    // The kit decides: the window may refuse, and closing hides it there.
    event->ignore();
    if (auto window = kitWindow()) window->nativeCloseRequested();
}

std::shared_ptr<DraggingInfo> WindowWidget::draggingInfo(QDropEvent* event) {
    auto window = kitWindow();
    auto backend = backend_.lock();
    auto session = backend ? backend->draggingSession() : nullptr;
    std::shared_ptr<Pasteboard> pasteboard;
    std::shared_ptr<Object> source;
    DragOperation mask;
    if (session && event->source()) {
        // Our own drag: the kit's drag pasteboard and source, the local mask.
        pasteboard = session->draggingPasteboard();
        source = session->source();
        mask = session->sourceOperationMask(true);
    } else {
        pasteboard = Pasteboard::withUniqueName();
        if (const QMimeData* mime = event->mimeData()) pasteboard->replaceItemsFromDesktop(itemsOf(*mime));
        mask = operationsOf(event->possibleActions());
    }
    return std::make_shared<DraggingInfo>(pasteboard, mask, contentPoint(event->position()), window, source);
}

void WindowWidget::answerDrag(QDropEvent* event, DragOperation operation) {
    const Qt::DropAction action = dropActionOf(operation & operationsOf(event->possibleActions()));
    if (operation == dragoperation::none || action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void WindowWidget::dragEnterEvent(QDragEnterEvent* event) {
    auto window = kitWindow();
    if (!window) return event->ignore();
    drag_ = draggingInfo(event);
    // Accepted in any case: the destination under the pointer may change as
    // it moves; each move answers for its own place.
    const DragOperation op = window->nativeDraggingUpdated(drag_);
    answerDrag(event, op);
    event->accept();
}

void WindowWidget::dragMoveEvent(QDragMoveEvent* event) {
    auto window = kitWindow();
    if (!window || !drag_) return event->ignore();
    drag_->setDraggingLocation(contentPoint(event->position()));
    answerDrag(event, window->nativeDraggingUpdated(drag_));
}

void WindowWidget::dragLeaveEvent(QDragLeaveEvent*) {
    if (auto window = kitWindow()) window->nativeDraggingExited();
    drag_.reset();
}

void WindowWidget::dropEvent(QDropEvent* event) {
    auto window = kitWindow();
    if (!window || !drag_) return event->ignore();
    drag_->setDraggingLocation(contentPoint(event->position()));
    const DragOperation op = window->nativeDraggingUpdated(drag_);
    const Qt::DropAction action = dropActionOf(op & operationsOf(event->possibleActions()));
    bool taken = false;
    if (op != dragoperation::none) taken = window->nativeDraggingDropped();
    else window->nativeDraggingExited();  // refused here: the drag is over all the same
    drag_.reset();
    if (!taken || action == Qt::IgnoreAction) return event->ignore();
    event->setDropAction(action);
    event->accept();
}

// --- the native window

namespace {
// The offscreen platform of the picture tests has no stacking order.
bool stacks() { return QGuiApplication::platformName() != QLatin1String("offscreen"); }
}  // namespace

QtNativeWindow::QtNativeWindow(Window& window, std::weak_ptr<QtKitBackend> backend)
    : widget_(new WindowWidget(std::static_pointer_cast<Window>(window.shared_from_this()), backend)), backend_(backend) {
    takesFocus_ = window.canBecomeKeyWindow();
    if (!takesFocus_) widget_->setAttribute(Qt::WA_ShowWithoutActivating, true);
}

QtNativeWindow::~QtNativeWindow() {
    if (!widget_) return;
    // The widget may be in the middle of one of its own events (a click that
    // released the window): it goes once that has returned.
    widget_->forgetWindow();
    widget_->hide();
    widget_->deleteLater();
}

void QtNativeWindow::show() {
    if (!widget_) return;
    widget_->show();
    if (takesFocus_ && stacks()) widget_->raise();
}

void QtNativeWindow::hide() {
    if (widget_) widget_->hide();
}

void QtNativeWindow::orderFront() {
    if (widget_ && widget_->isVisible() && stacks()) widget_->raise();
}

void QtNativeWindow::setFrame(const Rect& frame) {
    if (widget_) widget_->applyFrame(frame);
}

void QtNativeWindow::setProperties(const WindowProperties& properties) {
    if (widget_) widget_->applyProperties(properties);
}

void QtNativeWindow::makeKey() {
    if (!widget_ || !widget_->isVisible()) return;
    if (!widget_->isActiveWindow()) {
        if (auto backend = backend_.lock()) backend->focusRequested(widget_);
        if (stacks()) widget_->raise();
        widget_->activateWindow();
    }
    if (auto editor = widget_->fieldEditor(); editor && editor->isShowing()) editor->takeFocus();
    else widget_->setFocus(Qt::ActiveWindowFocusReason);
}

void QtNativeWindow::setNeedsDisplay(const Rect& rect) {
    if (!widget_) return;
    const EdgeInsets e = widget_->insets();
    widget_->update(QRectF(rect.minX() + e.left, rect.minY() + e.top, rect.width(), rect.height()).toAlignedRect());
}

void QtNativeWindow::setCursor(Cursor cursor) {
    if (widget_) widget_->setCursor(cursorShape(cursor));
}

void QtNativeWindow::beginUserMove() {
    if (!widget_) return;
    if (auto* handle = widget_->windowHandle()) handle->startSystemMove();
}

}  // namespace platform::qt
