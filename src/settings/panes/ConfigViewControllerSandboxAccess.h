#pragma once
// The settings pane of the granted locations: every location of the bookmark
// store, sorted by URL, each marked usable or not; a segment grants one more
// file or folder through an open panel, another withdraws the selected grant.
// The store is the only truth: the list is rebuilt from it when the pane
// appears and whenever the store reports a change while the window shows.
// Grants reach the bookmark file when the store is saved, not with the
// settings. Main thread only.

#include <memory>
#include <optional>
#include <vector>

#include "markdown/CustomMarkdownTextView.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/TableRowView.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/ViewController.h"
#include "platform/appkit/ModalResponse.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/URL.h"

namespace frelt {

class TableViewCellConfigSandboxAccess : public platform::TableCellView {
public:
    static constexpr const char* identifier = "TableViewCellConfigSandboxAccess";

    using platform::TableCellView::TableCellView;

    std::optional<platform::URL> currentURL;
    std::weak_ptr<platform::TextField> labelSandboxPath;
    std::weak_ptr<platform::ImageView> imageViewSandboxPath;

    void configure(const platform::URL& url);
    // Usable (reachable, and its grant resolves and is not stale): the
    // location's icon in the control text colour; otherwise a warning image
    // and a red path.
    void refreshState();
};

class ConfigViewControllerSandboxAccess : public platform::ViewController,
                                          public platform::TableViewDataSource,
                                          public platform::TableViewDelegate {
public:
    static constexpr const char* sceneIdentifier = "ConfigViewControllerSandboxAccess";
    static constexpr const char* helpFile = "help_SandboxAccess.md";

    ConfigViewControllerSandboxAccess();

    std::vector<platform::URL> tableViewContent;
    std::weak_ptr<platform::TableView> tableViewSandboxAccess;
    std::shared_ptr<CustomMarkdownTextView> markDownTextView;
    std::weak_ptr<platform::SegmentedControl> actionButtons;

    void viewDidLoad() override;
    void viewWillAppear() override;

    // Segment 0 grants a location, segment 1 withdraws the selected one.
    void actionButtonsClick(const std::shared_ptr<platform::Object>& sender);
    void globalBookmarksChangeDetectedWith(const platform::Notification& notification);
    // The store's URLs, sorted by their absolute strings.
    void reloadGrantedLocations();
    // The end of the open panel: stores a grant for the chosen location.
    void addChosenLocation(platform::ModalResponse response, const std::vector<platform::URL>& urls);

    long numberOfRowsInTableView(platform::TableView& tableView) override;
    std::shared_ptr<platform::View> viewForTableColumn(platform::TableView& tableView,
                                                       const std::shared_ptr<platform::TableColumn>& column,
                                                       long row) override;
    void tableViewSelectionDidChange(const platform::Notification& notification) override;

private:
    void grantLocation();
    void withdrawSelectedLocation();

    platform::Subscription bookmarksObserver_;
};

}  // namespace frelt
