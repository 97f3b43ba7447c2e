#include "mainwindow/MainViewController.h"

namespace frelt {

MainViewController::MainViewController() : outlineView_(std::make_shared<MainOutlineView>()) {
    sectionView = outlineView_;
}

void MainViewController::updateMainTableView() {
    const auto outline = sectionView.lock();
    if (!outline) return;
    if (outline->selectedTagName() == shownTagName_) return;
    shownTagName_ = outline->selectedTagName();
}

}  // namespace frelt
