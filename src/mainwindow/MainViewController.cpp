#include "mainwindow/MainViewController.h"

#include "platform/appkit/View.h"
#include "platform/foundation/NotificationCenter.h"
#include "store/StoreConstants.h"

namespace frelt {

MainViewController::MainViewController() : outlineView_(std::make_shared<MainOutlineView>()) {
    sectionView = outlineView_;
}

void MainViewController::loadView() {
    // The window's size comes from the settings whenever it is shown.
    setView(std::make_shared<platform::View>(platform::Rect(0, 0, 700, 500)));
}

void MainViewController::setFlag(bool CurrentModifierFlags::*flag, bool held) {
    if (flags_.*flag == held) return;
    flags_.*flag = held;
    platform::NotificationCenter::defaultCenter().post(Notifications::modifierFlagsChanged, flags_);
}

}  // namespace frelt
