#pragma once
// The status item in the desktop's tray: a QSystemTrayIcon showing the
// button's image. A click (Trigger) is a left mouse-down on the button, the
// context click a right mouse-up, each with the modifiers held; the button's
// window moves to the icon's place first (to the pointer where the tray
// reports no place), so menus and popovers open beside it.

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>

#include "platform/appkit/StatusItem.h"

namespace platform::qt {

class QtStatusItem : public QObject, public NativeStatusItem {
    Q_OBJECT
public:
    explicit QtStatusItem(StatusItem& item);
    ~QtStatusItem() override;

    static bool trayAvailable();
    void update() override;
    void locate() override;
    QSystemTrayIcon* trayIcon() const { return icon_; }
    // What a click of `reason` does (the tray's signal, and tests).
    void activated(QSystemTrayIcon::ActivationReason reason);

private:
    std::weak_ptr<StatusItem> item_;
    QPointer<QSystemTrayIcon> icon_;
};

}  // namespace platform::qt
