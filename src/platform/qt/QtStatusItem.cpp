#include "platform/qt/QtStatusItem.h"

#include <QCursor>
#include <QGuiApplication>

#include "platform/qt/QtImages.h"
#include "platform/qt/QtInput.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

QtStatusItem::QtStatusItem(StatusItem& item)
    : item_(std::static_pointer_cast<StatusItem>(item.shared_from_this())), icon_(new QSystemTrayIcon) {
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) { activated(r); });
}

QtStatusItem::~QtStatusItem() {
    if (icon_) {
        icon_->hide();
        icon_->deleteLater();
    }
}

bool QtStatusItem::trayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void QtStatusItem::update() {
    auto item = item_.lock();
    if (!item || !icon_) return;
    if (auto image = item->image()) icon_->setIcon(iconOfImage(*image));
    if (auto button = item->button()) icon_->setToolTip(toQString(button->toolTip()));
    // Not before it has an image: the tray would show an empty slot.
    icon_->setVisible(item->isVisible() && !icon_->icon().isNull());
}

void QtStatusItem::activated(QSystemTrayIcon::ActivationReason reason) {
    auto item = item_.lock();
    if (!item) return;
    EventType type;
    switch (reason) {
        case QSystemTrayIcon::Trigger: type = EventType::leftMouseDown; break;
        case QSystemTrayIcon::Context: type = EventType::rightMouseUp; break;
        case QSystemTrayIcon::MiddleClick: type = EventType::otherMouseDown; break;
        default: return;
    }
    locate();
    item->nativeClicked(type, modifierFlags(QGuiApplication::queryKeyboardModifiers()));
}

void QtStatusItem::locate() {
    auto item = item_.lock();
    if (!item) return;
    QRect place = icon_ ? icon_->geometry() : QRect();
    if (place.isEmpty()) place = QRect(QCursor::pos(), QSize(1, 1));
    item->nativeGeometryChanged(Rect(place.x(), place.y(), place.width(), place.height()));
}

}  // namespace platform::qt
