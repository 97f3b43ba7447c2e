#include "settings/panes/ConfigViewControllerSandboxAccess.h"

#include <algorithm>

#include "platform/appkit/Image.h"
#include "platform/appkit/Window.h"
#include "platform/appkit/Workspace.h"
#include "platform/foundation/Bookmark.h"
#include "settings/panes/PaneSupport.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/access/SandboxFileAccessPersistDictionary.h"
#include "store/StoreConstants.h"

namespace frelt {

namespace {

std::shared_ptr<SandboxFileAccessProtocol> bookmarkStore() {
    return SandboxFileAccess::shared()->persistanceBookmarkStorage();
}

}  // namespace

// --- the row

void TableViewCellConfigSandboxAccess::configure(const platform::URL& url) {
    currentURL = url;
    if (auto label = labelSandboxPath.lock()) label->setStringValue(url.path());
    refreshState();
}

void TableViewCellConfigSandboxAccess::refreshState() {
    const auto label = labelSandboxPath.lock();
    if (!currentURL) {
        if (label) label->setStringValue("URL invalid");
        return;
    }
    const std::string path = currentURL->path();
    if (label) label->setStringValue(path);
    const bool usable = panes::isReachable(*currentURL) && bookmarkStore()->isBookmarkValid(currentURL);
    if (auto image = imageViewSandboxPath.lock())
        image->setImage(usable ? platform::Workspace::shared()->iconForFile(path)
                               : platform::Image::imageNamed(panes::statusUnknownImage));
    if (label) label->setTextColor(usable ? panes::controlTextColor() : panes::redColor());
}

// --- the pane

ConfigViewControllerSandboxAccess::ConfigViewControllerSandboxAccess() {
    registerAction("actionButtonsClick:", [this](const auto& sender) { actionButtonsClick(sender); });
}

void ConfigViewControllerSandboxAccess::viewDidLoad() {
    platform::ViewController::viewDidLoad();
    panes::showHelp(markDownTextView, helpFile);
    const auto self = sharedAs<ConfigViewControllerSandboxAccess>();
    if (auto table = tableViewSandboxAccess.lock()) {
        table->setDelegate(self);
        table->setDataSource(self);
    }
    const std::weak_ptr<ConfigViewControllerSandboxAccess> weak = self;
    bookmarksObserver_ = platform::NotificationCenter::defaultCenter().observe(
        Notifications::globalBookmarksChanged, nullptr, [weak](const platform::Notification& notification) {
            if (auto pane = weak.lock()) pane->globalBookmarksChangeDetectedWith(notification);
        });
}

void ConfigViewControllerSandboxAccess::viewWillAppear() {
    platform::ViewController::viewWillAppear();
    reloadGrantedLocations();
    if (auto table = tableViewSandboxAccess.lock()) table->reloadData();
    tableViewSelectionDidChange({});
    setPreferredContentSize({800, 600});
}

void ConfigViewControllerSandboxAccess::reloadGrantedLocations() {
    tableViewContent.clear();
    bookmarkStore()->forEachBookmark(
        [this](const platform::URL& url, const platform::Data&) { tableViewContent.push_back(url); });
    std::sort(tableViewContent.begin(), tableViewContent.end(),
              [](const platform::URL& a, const platform::URL& b) { return a.absoluteString() < b.absoluteString(); });
}

void ConfigViewControllerSandboxAccess::actionButtonsClick(const std::shared_ptr<platform::Object>& sender) {
    panes::onSegment(sender, [this] { grantLocation(); }, [this] { withdrawSelectedLocation(); });
}

void ConfigViewControllerSandboxAccess::grantLocation() {
    panes::beginLocationSheet(sharedAs<platform::ViewController>(), true,
                              [](platform::ViewController& pane, platform::ModalResponse response, const auto& urls) {
                                  static_cast<ConfigViewControllerSandboxAccess&>(pane).addChosenLocation(response, urls);
                              });
}

void ConfigViewControllerSandboxAccess::addChosenLocation(platform::ModalResponse response,
                                                          const std::vector<platform::URL>& urls) {
    if (response != platform::modalresponse::ok || urls.empty()) return;
    const platform::URL& url = urls.front();
    // A grant that cannot be made is silently not stored.
    const auto data = platform::bookmark::create(url);
    if (!data) return;
    bookmarkStore()->setBookmark(data, url);
}

void ConfigViewControllerSandboxAccess::withdrawSelectedLocation() {
    const auto table = tableViewSandboxAccess.lock();
    const long row = table ? table->selectedRow() : -1;
    if (row < 0 || static_cast<std::size_t>(row) >= tableViewContent.size()) return;
    bookmarkStore()->clearBookmark(tableViewContent[static_cast<std::size_t>(row)]);
}

void ConfigViewControllerSandboxAccess::globalBookmarksChangeDetectedWith(const platform::Notification&) {
    // While hidden the pane waits: it reloads when it appears.
    const auto window = isViewLoaded() ? view()->window() : nullptr;
    if (!window || !window->isVisible()) return;
    reloadGrantedLocations();
    if (auto table = tableViewSandboxAccess.lock()) table->reloadData();
    tableViewSelectionDidChange({});
}

long ConfigViewControllerSandboxAccess::numberOfRowsInTableView(platform::TableView& tableView) {
    if (&tableView != tableViewSandboxAccess.lock().get()) return 0;
    return static_cast<long>(tableViewContent.size());
}

std::shared_ptr<platform::View> ConfigViewControllerSandboxAccess::viewForTableColumn(
    platform::TableView& tableView, const std::shared_ptr<platform::TableColumn>&, long row) {
    if (&tableView != tableViewSandboxAccess.lock().get()) return nullptr;
    if (row < 0 || static_cast<std::size_t>(row) >= tableViewContent.size()) return nullptr;
    const auto cell = std::dynamic_pointer_cast<TableViewCellConfigSandboxAccess>(
        tableView.makeViewWithIdentifier(TableViewCellConfigSandboxAccess::identifier, shared_from_this()));
    if (!cell) return nullptr;
    cell->configure(tableViewContent[static_cast<std::size_t>(row)]);
    return cell;
}

void ConfigViewControllerSandboxAccess::tableViewSelectionDidChange(const platform::Notification&) {
    panes::enableRemoveWhileSelected(actionButtons, tableViewSandboxAccess);
}

}  // namespace frelt
