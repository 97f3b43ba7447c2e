#pragma once
// The main window's view controller: the sidebar, the entry table and the
// state the entries consult when they are executed.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mainwindow/MainOutlineView.h"

namespace frelt {

class MainViewController {
public:
    MainViewController();
    virtual ~MainViewController() = default;

    // True while Option is held in the main window.
    bool modifierFlagsContainOptionKey = false;
    // The file names the desktop's service last handed to the main window.
    std::vector<std::string> serviceManagerValues;
    // The sidebar outline (owned by the view hierarchy).
    std::weak_ptr<MainOutlineView> sectionView;

    // Refreshes the entry table for the sidebar's current selection; nothing
    // when the selection has not changed.
    void updateMainTableView();
    // The sidebar selection the entry table shows.
    const std::optional<std::string>& shownTagName() const { return shownTagName_; }

private:
    std::shared_ptr<MainOutlineView> outlineView_;
    std::optional<std::string> shownTagName_;
};

}  // namespace frelt
