#pragma once
// The main window's view controller: the sidebar, the entry table and the
// state the entries consult when they are executed.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mainwindow/MainOutlineView.h"
#include "mainwindow/sidebar/SidebarDataSource.h"

namespace frelt {

// The sidebar's data source and delegate, its selection filter
// (updateMainTableView) and the outlet sectionView come from
// SidebarDataSource.
class MainViewController : public SidebarDataSource {
public:
    MainViewController();
    virtual ~MainViewController() = default;

    // True while Option is held in the main window.
    bool modifierFlagsContainOptionKey = false;
    // The file names the desktop's service last handed to the main window.
    std::vector<std::string> serviceManagerValues;

private:
    std::shared_ptr<MainOutlineView> outlineView_;
};

}  // namespace frelt
