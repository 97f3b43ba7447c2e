#pragma once
// The body of the configuration window: a table with one row per entry of
// the store's configuration list, in the list's order, whose cells edit the
// entries in place. Its controller is the table's data source and delegate:
// it reads the list afresh for every question, reloads an entry's row when
// the entry announces a change, turns a click on a column header into the
// filter's sort order, opens the link dialog on a double click on a link the
// user made, and takes files and links dropped onto the table as new
// entries. While the window shows, hotkeys are paused; the data is rebuilt
// when it comes and when it goes, and the configuration saved when it goes.
//
// The table posts "configTableViewSelectionDidChange" with its selected row
// indexes (a platform::IndexSet) whenever the selection changes, and after
// a reload that found no entry to select again.

#include <memory>

#include "platform/appkit/TableView.h"
#include "platform/appkit/ViewController.h"
#include "platform/foundation/Subscription.h"
#include "store/DataStorage.h"
#include "store/TableViewItem.h"

namespace frelt {

// The configuration window's table: takes drags of file URLs and URLs, and
// lets clicks reach its cells' text fields, token fields and recorders.
class ConfigTableView : public platform::TableView {
public:
    explicit ConfigTableView(platform::Rect frame = {});
    ~ConfigTableView() override;

    bool validateProposedFirstResponder(const std::shared_ptr<platform::Responder>& responder,
                                        const platform::Event* event) override;
};

class ConfigViewControllerContent : public platform::ViewController,
                                    public platform::TableViewDataSource,
                                    public platform::TableViewDelegate {
public:
    static constexpr const char* sceneIdentifier = "ConfigViewControllerContent";
    static constexpr double rowHeight = 40.0;
    // A drag of this many files or more is not taken as files.
    static constexpr std::size_t maximumDroppedFiles = 25;

    ConfigViewControllerContent();

    std::weak_ptr<ConfigTableView> dataTableView;

    // Reloads every row; the entry that was selected stays selected where
    // it is now.
    void reloadDataTable();

    // --- data source and delegate
    long numberOfRowsInTableView(platform::TableView& tableView) override;
    double heightOfRow(platform::TableView& tableView, long row) override;
    std::shared_ptr<platform::View> viewForTableColumn(platform::TableView& tableView,
                                                       const std::shared_ptr<platform::TableColumn>& column,
                                                       long row) override;
    void tableViewSelectionDidChange(const platform::Notification& notification) override;
    void sortDescriptorsDidChange(platform::TableView& tableView,
                                  const std::vector<platform::SortDescriptor>& oldDescriptors) override;
    platform::DragOperation validateDrop(platform::TableView& tableView,
                                         const std::shared_ptr<platform::DraggingInfo>& info, long row,
                                         platform::TableViewDropOperation dropOperation) override;
    bool acceptDrop(platform::TableView& tableView, const std::shared_ptr<platform::DraggingInfo>& info, long row,
                    platform::TableViewDropOperation dropOperation) override;
    // The table's double action ("tableViewDoubleClick:").
    void tableViewDoubleClick();
    // "tableViewItemChanged": reloads the row of the first entry with the
    // changed path while the window shows.
    void tableViewItemChangedWith(const platform::Notification& notification);

    // --- lifecycle
    void viewDidLoad() override;
    void viewWillAppear() override;
    void viewDidDisappear() override;

private:
    void postSelection(const platform::IndexSet& rows);
    TableViewItem::Ptr entryAt(long row) const;

    platform::Subscription itemChangedObservation_;
    // The list the rows were last counted from. The filter replaces the
    // store's list before anyone hears of it, so the selected row's entry is
    // read from the list the table was showing.
    std::shared_ptr<DataStorage::EntryArray> shownList_;
};

}  // namespace frelt
