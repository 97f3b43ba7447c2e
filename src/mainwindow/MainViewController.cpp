#include "mainwindow/MainViewController.h"

namespace frelt {

MainViewController::MainViewController() : outlineView_(std::make_shared<MainOutlineView>()) {
    sectionView = outlineView_;
}

}  // namespace frelt
