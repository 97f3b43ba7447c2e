#pragma once
// The main window's view controller: the sidebar, the entry table and the
// state the entries consult when they are executed.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainWindowBase.h"
#include "mainwindow/MainOutlineView.h"
#include "mainwindow/sidebar/SidebarDataSource.h"

namespace frelt {

// The modifier keys held in the main window: the object of
// "modifierFlagsChanged".
struct CurrentModifierFlags {
    bool optionKey = false;
    bool commandKey = false;
    bool controlKey = false;
    bool shiftKey = false;
    bool operator==(const CurrentModifierFlags&) const = default;
};

// The sidebar's data source and delegate, its selection filter
// (updateMainTableView) and the outlet sectionView come from
// SidebarDataSource.
class MainViewController : public defaultFreltMainViewController, public SidebarDataSource {
public:
    MainViewController();

    // The modifier keys held while the main window is key. Each change posts
    // "modifierFlagsChanged" with all four; setting the value held posts nothing.
    bool modifierFlagsContainOptionKey() const { return flags_.optionKey; }
    bool modifierFlagsContainCommandKey() const { return flags_.commandKey; }
    bool modifierFlagsContainControlKey() const { return flags_.controlKey; }
    bool modifierFlagsContainShiftKey() const { return flags_.shiftKey; }
    void setModifierFlagsContainOptionKey(bool held) { setFlag(&CurrentModifierFlags::optionKey, held); }
    void setModifierFlagsContainCommandKey(bool held) { setFlag(&CurrentModifierFlags::commandKey, held); }
    void setModifierFlagsContainControlKey(bool held) { setFlag(&CurrentModifierFlags::controlKey, held); }
    void setModifierFlagsContainShiftKey(bool held) { setFlag(&CurrentModifierFlags::shiftKey, held); }

    // The file paths handed to the program (opened with it, dropped on the
    // tray item, sent by the file manager); the next entry opened gets them.
    const std::vector<std::string>& serviceManagerValues() const { return serviceManagerValues_; }
    void setServiceManagerValues(std::vector<std::string> paths) { serviceManagerValues_ = std::move(paths); }


    void loadView() override;

private:
    void setFlag(bool CurrentModifierFlags::*flag, bool held);

    CurrentModifierFlags flags_;
    std::vector<std::string> serviceManagerValues_;
    std::shared_ptr<MainOutlineView> outlineView_;
};

}  // namespace frelt
