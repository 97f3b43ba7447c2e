#pragma once
// The content of the main window, shown as a popover under the tray icon or
// as a window of its own: the sidebar and, beside it, the search field and
// the entry table, with a menu button and a label for handed-in files.
//
// The controller wires those views when its view loads and applies the
// look and the settings each time it is about to appear; it refreshes the
// sidebar and the entry table on the store's notifications while the view
// is on screen; while on screen it watches the keys (key downs go to the
// main window's keyboard handling, modifier changes become the four flags
// below, broadcast as "modifierFlagsChanged") and which view has the focus
// (currentFirstResponderKind). It holds the file paths handed to the
// program, which the next opened entry receives. It is the entry table's
// data source, delegate and drop target, and the sidebar's (SidebarDataSource,
// which also holds the outlet sectionView and turns the sidebar's selection
// into the entry table's filter, updateMainTableView).

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainWindowBase.h"
#include "mainwindow/MainOutlineView.h"
#include "mainwindow/MainWindowFocus.h"
#include "mainwindow/sidebar/SidebarDataSource.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/ViewController.h"
#include "platform/foundation/Subscription.h"

namespace frelt {

class DrawnButtonMenu;
class MainSearchField;
class MainSearchFieldCell;
class MainSplitView;
class MainTableView;
class MainViewDraggingDestination;

class MainViewController : public defaultFreltMainViewController,
                           public SidebarDataSource,
                           public platform::TableViewDataSource,
                           public platform::TableViewDelegate {
public:
    MainViewController();
    ~MainViewController() override;

    // --- outlets, connected by the scene
    std::weak_ptr<MainTableView> mainTableView;
    std::weak_ptr<MainSearchField> searchField;
    std::weak_ptr<MainSearchFieldCell> searchFieldCell;
    std::weak_ptr<platform::Box> leftTopBox;
    std::weak_ptr<platform::Box> rightTopBox;
    std::weak_ptr<platform::VisualEffectView> rightVisualEffectsView;
    std::weak_ptr<platform::TextField> lblServiceManager;
    std::weak_ptr<DrawnButtonMenu> viewMenu;
    std::weak_ptr<MainSplitView> mainSplitView;
    std::weak_ptr<MainViewDraggingDestination> mainDraggingDestination;
    std::weak_ptr<platform::ScrollView> leftScrollView;
    std::weak_ptr<platform::ScrollView> rightScrollView;

    // True from the end of viewDidAppear to the end of viewWillDisappear.
    bool isVisible() const { return currentState() == defaultFreltMainViewControllerState::viewDidAppear; }

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
    // tray item or the window, sent by the file manager); the next entry
    // opened gets them. Every assignment updates the label that says so.
    const std::vector<std::string>& serviceManagerValues() const { return serviceManagerValues_; }
    void setServiceManagerValues(std::vector<std::string> paths);

    // --- life cycle
    // Builds the views (the layout of the scene) and wakes them.
    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidAppear() override;
    void viewWillDisappear() override;
    // The sidebar's headers, the row style and the click behaviour from the
    // settings.
    void getValuesFromConfiguration();

    // Moves the keyboard focus to the entry table, the sidebar (not while
    // both its headers are collapsed) or the search field.
    void setFocus(FirstResponderKind kind);
    // The search field's action: runs the entry filter again.
    void searchCellAction();

    // The sidebar's data source, delegate and drops share their names with
    // the entry table's; both are served.
    using SidebarDataSource::acceptDrop;
    using SidebarDataSource::validateDrop;
    using SidebarDataSource::viewForTableColumn;

    // --- the entry table's data source and delegate
    long numberOfRowsInTableView(platform::TableView& tableView) override;
    double heightOfRow(platform::TableView& tableView, long row) override;
    std::shared_ptr<platform::View> viewForTableColumn(platform::TableView& tableView,
                                                       const std::shared_ptr<platform::TableColumn>& column,
                                                       long row) override;
    std::shared_ptr<platform::TableRowView> rowViewForRow(platform::TableView& tableView, long row) override;
    void tableViewSelectionDidChange(const platform::Notification& notification) override;
    // Opens the selected entry on the table's click or double click.
    void tableViewAction();

    // --- drops onto the entry table, and rows dragged out of it
    // (MainViewControllerDrops.cpp). Files or links dropped onto an entry
    // that takes them open it with them; otherwise, with a tag selected in
    // the sidebar, up to 24 files or the first of up to 24 links are added
    // to that tag. A drag offering only copy never opens an entry.
    platform::DragOperation validateDrop(platform::TableView& tableView,
                                         const std::shared_ptr<platform::DraggingInfo>& info, long row,
                                         platform::TableViewDropOperation dropOperation) override;
    bool acceptDrop(platform::TableView& tableView, const std::shared_ptr<platform::DraggingInfo>& info, long row,
                    platform::TableViewDropOperation dropOperation) override;
    // The entry's path under the program's own type, nothing else.
    std::shared_ptr<platform::PasteboardWriting> pasteboardWriterForRow(platform::TableView& tableView,
                                                                        long row) override;

    // --- the notification handlers
    void applicationWasLaunchedWith(const platform::Notification& notification);
    void currentDataHadChangedWith(const platform::Notification& notification);
    void currentDataWasNotChangedDuringLastRequestWith(const platform::Notification& notification);
    void applicationWasTerminatedWith(const platform::Notification& notification);
    void tableViewItemChangedWith(const platform::Notification& notification);
    void systemSidebarSizeChangedWith(const platform::Notification& notification);
    void visibleTagsRebuildNeededWith(const platform::Notification& notification);
    void visibleTagsRedrawNeededWith(const platform::Notification& notification);
    void showPathInMainViewChangedWith(const platform::Notification& notification);
    void currentDataFilterRefreshedWith(const platform::Notification& notification);

private:
    void setFlag(bool CurrentModifierFlags::*flag, bool held);
    void applyLook();
    void installEventMonitors();
    void removeEventMonitors();
    void observeFirstResponder();
    void firstResponderChanged(const std::shared_ptr<platform::Responder>& responder);
    void registerObservers();
    void serviceManagerValuesChanged();
    std::shared_ptr<MainViewController> self();

    CurrentModifierFlags flags_;
    std::vector<std::string> serviceManagerValues_;
    platform::Subscription localMonitorForKeyDownEvents_;
    platform::Subscription localMonitorForFlagsChangedEvents_;
    platform::Subscription firstResponderValueObservation_;
    std::vector<platform::Subscription> observers_;
};

}  // namespace frelt
