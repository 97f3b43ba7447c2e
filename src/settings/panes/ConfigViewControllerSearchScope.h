#pragma once
// The settings pane of the search scope: the folders in which the search for
// applications looks. The built-in default folders come first and cannot be
// selected or removed; the user's own folders follow, kept in the
// configuration. An own folder is added through an open panel (storing a
// grant for it when the bookmark store has none) and removed again; each own
// row shows whether the program can read its folder, and a lock button on a
// closed folder asks the user for access. A changed list takes effect at the
// next launch. Main thread only.

#include <memory>
#include <string>
#include <vector>

#include "markdown/CustomMarkdownTextView.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/ModalResponse.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/TableRowView.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/ViewController.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/URL.h"

namespace frelt {

// One row of the list.
class SearchScopeEntryForConfig {
public:
    SearchScopeEntryForConfig(std::string path, bool readonlySystemPath)
        : path(std::move(path)), readonlySystemPath(readonlySystemPath) {}
    std::string path;
    // A default folder: neither selectable nor removable.
    bool readonlySystemPath;
};

class TableViewCellConfigSearchScope : public platform::TableCellView {
public:
    static constexpr const char* identifier = "TableViewCellConfigSearchScope";

    explicit TableViewCellConfigSearchScope(platform::Rect frame = {});

    std::string currentPath;
    bool readOnlySystemPath = true;
    std::weak_ptr<platform::TextField> labelSearchScopePath;
    std::weak_ptr<platform::Button> btnAccessLocked;
    std::weak_ptr<platform::ImageView> imageViewSearchscopePath;

    void updateIcon();
    // Icon, path colour and lock button from the folder's state now.
    void updateAccessState();
    // The lock button: asks for access (the permission panel may show),
    // logs the answer and shows the state again.
    void testAccess();
};

class ConfigViewControllerSearchScope : public platform::ViewController,
                                        public platform::TableViewDataSource,
                                        public platform::TableViewDelegate {
public:
    static constexpr const char* sceneIdentifier = "ConfigViewControllerSearchScope";
    static constexpr const char* helpFile = "help_SearchScope.md";

    ConfigViewControllerSearchScope();

    std::vector<std::shared_ptr<SearchScopeEntryForConfig>> searchScopesForConfig;
    std::weak_ptr<platform::TableView> tableViewSpotlightSearchScope;
    std::shared_ptr<CustomMarkdownTextView> markDownTextView;
    std::weak_ptr<platform::SegmentedControl> actionButtons;

    void viewDidLoad() override;
    void viewWillAppear() override;

    // The default folders, then the own ones; the table is not reloaded.
    void rebuildSearchScopeList();
    // Segment 0 adds a folder, segment 1 removes the selected own folder.
    void actionButtonsClick(const std::shared_ptr<platform::Object>& sender);
    void addChosenFolder(platform::ModalResponse response, const std::vector<platform::URL>& urls);
    void removeSelectedFolder();
    void customSpotlightSearchScopeChangeDetectedWith(const platform::Notification& notification);

    long numberOfRowsInTableView(platform::TableView& tableView) override;
    std::shared_ptr<platform::View> viewForTableColumn(platform::TableView& tableView,
                                                       const std::shared_ptr<platform::TableColumn>& column,
                                                       long row) override;
    bool shouldSelectRow(platform::TableView& tableView, long row) override;
    void tableViewSelectionDidChange(const platform::Notification& notification) override;

private:
    void addFolder();
    void reloadList();

    platform::Subscription scopeObserver_;
};

}  // namespace frelt
