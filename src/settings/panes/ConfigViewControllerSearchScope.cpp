#include "settings/panes/ConfigViewControllerSearchScope.h"

#include <algorithm>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Window.h"
#include "platform/appkit/Workspace.h"
#include "platform/foundation/Bookmark.h"
#include "settings/panes/PaneSupport.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/access/SandboxFileAccessPersistDictionary.h"
#include "store/Configuration.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"

namespace frelt {

namespace {

std::shared_ptr<Configuration> configuration() { return AppDelegate::shared()->config; }

platform::URL folderURL(const std::string& path) { return platform::URL::fileURL(path, true); }

bool contains(const std::vector<std::string>& list, const std::string& path) {
    return std::find(list.begin(), list.end(), path) != list.end();
}

bool isListed(const std::string& path) {
    const auto settings = configuration();
    return contains(settings->customSpotlightSearchScope, path) ||
           contains(settings->spotlightDefaultSearchScope(), path);
}

// Asks for read access (the permission panel may show) and logs the answer.
void runAccessTest(const platform::URL& url) {
    const bool granted = SandboxFileAccess::shared()->hasAccess(url, Permissions::readAccess()).hasAccess;
    if (!configuration()->debugLogging()) return;
    logDefault(LogLevel::Default,
               granted ? "Access-Test for %{public}@ -> Access possible" : "Access-Test for %{public}@ -> Access denied",
               url.absoluteString());
}

}  // namespace

// --- the row

TableViewCellConfigSearchScope::TableViewCellConfigSearchScope(platform::Rect frame) : platform::TableCellView(frame) {
    registerAction("btnAccessLockedClick:", [this](const auto&) { testAccess(); });
}

void TableViewCellConfigSearchScope::updateIcon() {
    const auto image = imageViewSearchscopePath.lock();
    if (!image) return;
    image->setImage(panes::isReachable(folderURL(currentPath))
                        ? platform::Workspace::shared()->iconForFile(currentPath)
                        : platform::Image::imageNamed(panes::statusUnknownImage));
}

void TableViewCellConfigSearchScope::updateAccessState() {
    updateIcon();
    const auto label = labelSearchScopePath.lock();
    const auto lock = btnAccessLocked.lock();
    auto show = [&](const platform::Color& colour, bool lockShown) {
        if (label) label->setTextColor(colour);
        if (lock) lock->setHidden(!lockShown);
    };
    if (readOnlySystemPath) return show(panes::darkGrayColor(), false);
    const platform::URL url = folderURL(currentPath);
    if (!panes::isReachable(url)) return show(panes::redColor(), false);
    const auto access = SandboxFileAccess::shared()->accessInfo(url);
    if ((access.permissions & (Permissions::bookmark() | Permissions::readOnly())).rawValue() != 0)
        return show(panes::controlTextColor(), false);
    const bool covered = SandboxFileAccess::shared()->persistanceBookmarkStorage()->bookmarkData(url).has_value();
    show(covered ? panes::controlTextColor() : panes::redColor(), !covered);
}

void TableViewCellConfigSearchScope::testAccess() {
    runAccessTest(folderURL(currentPath));
    updateAccessState();
}

// --- the pane

ConfigViewControllerSearchScope::ConfigViewControllerSearchScope() {
    registerAction("actionButtonsClick:", [this](const auto& sender) { actionButtonsClick(sender); });
}

void ConfigViewControllerSearchScope::viewDidLoad() {
    platform::ViewController::viewDidLoad();
    panes::showHelp(markDownTextView, helpFile);
    const auto self = sharedAs<ConfigViewControllerSearchScope>();
    if (auto table = tableViewSpotlightSearchScope.lock()) {
        table->setDelegate(self);
        table->setDataSource(self);
    }
    const std::weak_ptr<ConfigViewControllerSearchScope> weak = self;
    scopeObserver_ = platform::NotificationCenter::defaultCenter().observe(
        Notifications::customSpotlightSearchScopeChanged, nullptr, [weak](const platform::Notification& notification) {
            if (auto pane = weak.lock()) pane->customSpotlightSearchScopeChangeDetectedWith(notification);
        });
}

void ConfigViewControllerSearchScope::viewWillAppear() {
    platform::ViewController::viewWillAppear();
    reloadList();
    setPreferredContentSize({800, 600});
}

void ConfigViewControllerSearchScope::reloadList() {
    rebuildSearchScopeList();
    if (auto table = tableViewSpotlightSearchScope.lock()) table->reloadData();
    tableViewSelectionDidChange({});
}

void ConfigViewControllerSearchScope::rebuildSearchScopeList() {
    searchScopesForConfig.clear();
    const auto settings = configuration();
    for (const auto& path : settings->spotlightDefaultSearchScope())
        searchScopesForConfig.push_back(std::make_shared<SearchScopeEntryForConfig>(path, true));
    for (const auto& path : settings->customSpotlightSearchScope)
        searchScopesForConfig.push_back(std::make_shared<SearchScopeEntryForConfig>(path, false));
}

void ConfigViewControllerSearchScope::actionButtonsClick(const std::shared_ptr<platform::Object>& sender) {
    panes::onSegment(sender, [this] { addFolder(); }, [this] { removeSelectedFolder(); });
}

void ConfigViewControllerSearchScope::addFolder() {
    panes::beginLocationSheet(sharedAs<platform::ViewController>(), false,
                              [](platform::ViewController& pane, platform::ModalResponse response, const auto& urls) {
                                  static_cast<ConfigViewControllerSearchScope&>(pane).addChosenFolder(response, urls);
                              });
}

void ConfigViewControllerSearchScope::addChosenFolder(platform::ModalResponse response,
                                                      const std::vector<platform::URL>& urls) {
    if (response != platform::modalresponse::ok || urls.empty()) return;
    const platform::URL& url = urls.front();
    const std::string path = url.path();
    if (isListed(path)) return;
    if (panes::isReachable(url)) {
        const auto store = SandboxFileAccess::shared()->persistanceBookmarkStorage();
        // A folder the store already covers needs no grant of its own; a
        // grant that cannot be made leaves the access test to ask.
        if (!store->bookmarkData(url))
            if (const auto data = platform::bookmark::create(url)) store->setBookmark(data, url);
        runAccessTest(url);
    }
    // The access test may have run a modal panel: look again.
    if (isListed(path)) return;
    configuration()->customSpotlightSearchScope.push_back(path);
    platform::NotificationCenter::defaultCenter().post(Notifications::customSpotlightSearchScopeChanged);
    reloadList();
}

void ConfigViewControllerSearchScope::removeSelectedFolder() {
    const auto table = tableViewSpotlightSearchScope.lock();
    const long row = table ? table->selectedRow() : -1;
    if (row < 0 || static_cast<std::size_t>(row) >= searchScopesForConfig.size()) return;
    auto& own = configuration()->customSpotlightSearchScope;
    const auto it = std::find(own.begin(), own.end(), searchScopesForConfig[static_cast<std::size_t>(row)]->path);
    if (it == own.end()) return;
    own.erase(it);
    // The observer shows the list again.
    platform::NotificationCenter::defaultCenter().post(Notifications::customSpotlightSearchScopeChanged);
}

void ConfigViewControllerSearchScope::customSpotlightSearchScopeChangeDetectedWith(const platform::Notification&) {
    const auto open = FreltManager::shared()->openWindowTypes();
    if (std::find(open.begin(), open.end(), FreltWindowEnum::settings) == open.end()) return;
    reloadList();
}

long ConfigViewControllerSearchScope::numberOfRowsInTableView(platform::TableView& tableView) {
    if (&tableView != tableViewSpotlightSearchScope.lock().get()) return 0;
    return static_cast<long>(searchScopesForConfig.size());
}

std::shared_ptr<platform::View> ConfigViewControllerSearchScope::viewForTableColumn(
    platform::TableView& tableView, const std::shared_ptr<platform::TableColumn>&, long row) {
    if (&tableView != tableViewSpotlightSearchScope.lock().get()) return nullptr;
    if (row < 0 || static_cast<std::size_t>(row) >= searchScopesForConfig.size()) return nullptr;
    const auto cell = std::dynamic_pointer_cast<TableViewCellConfigSearchScope>(
        tableView.makeViewWithIdentifier(TableViewCellConfigSearchScope::identifier, shared_from_this()));
    if (!cell) return nullptr;
    const auto& entry = *searchScopesForConfig[static_cast<std::size_t>(row)];
    cell->currentPath = entry.path;
    cell->readOnlySystemPath = entry.readonlySystemPath;
    if (auto label = cell->labelSearchScopePath.lock()) label->setStringValue(entry.path);
    cell->updateAccessState();
    return cell;
}

bool ConfigViewControllerSearchScope::shouldSelectRow(platform::TableView&, long row) {
    if (row < 0 || static_cast<std::size_t>(row) >= searchScopesForConfig.size()) return false;
    return !searchScopesForConfig[static_cast<std::size_t>(row)]->readonlySystemPath;
}

void ConfigViewControllerSearchScope::tableViewSelectionDidChange(const platform::Notification&) {
    panes::enableRemoveWhileSelected(actionButtons, tableViewSpotlightSearchScope);
}

}  // namespace frelt
