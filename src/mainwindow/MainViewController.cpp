#include "mainwindow/MainViewController.h"

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "app/MenuManager.h"
#include "drawing/DrawnViews.h"
#include "mainwindow/MainSearchField.h"
#include "mainwindow/MainSplitView.h"
#include "mainwindow/MainTableView.h"
#include "mainwindow/MainWindowScenes.h"
#include "mainwindow/TableViewCellMainWindow.h"
#include "mainwindow/TableViewPopup.h"
#include "mainwindow/TableViewRowMainWindow.h"
#include "mainwindow/sidebar/SectionViewPopup.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Layer.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/NotificationCenter.h"
#include "sources/icons/IconCacheObject.h"
#include "store/ChangeNotifications.h"
#include "store/DataStorage.h"
#include "store/DataStorageFilterCurrentData.h"
#include "store/LocalizedStrings.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"
#include "store/SystemConfiguration.h"

namespace frelt {

namespace {

void logController(std::string_view message) { log(LogCategory::mainViewController, LogLevel::Default, message); }

// At most this many handed-in paths are listed in the label's tooltip.
constexpr std::size_t tooltipPathLimit = 25;

}  // namespace

MainViewController::MainViewController() {
    registerAction("searchCellAction:", [this](const std::shared_ptr<platform::Object>&) { searchCellAction(); });
    registerAction("tableViewAction:", [this](const std::shared_ptr<platform::Object>&) { tableViewAction(); });
}

MainViewController::~MainViewController() = default;

std::shared_ptr<MainViewController> MainViewController::self() {
    return std::static_pointer_cast<MainViewController>(shared_from_this());
}

// --- modifier keys and handed-in files

void MainViewController::setFlag(bool CurrentModifierFlags::*flag, bool held) {
    if (flags_.*flag == held) return;
    flags_.*flag = held;
    platform::NotificationCenter::defaultCenter().post(Notifications::modifierFlagsChanged, flags_);
}

void MainViewController::setServiceManagerValues(std::vector<std::string> paths) {
    serviceManagerValues_ = std::move(paths);
    serviceManagerValuesChanged();
}

void MainViewController::serviceManagerValuesChanged() {
    const auto label = lblServiceManager.lock();
    if (!label) return;
    const auto& paths = serviceManagerValues_;
    // The label has a strip of its own between the search field and the
    // entries while it shows; hidden, the entries take the strip back.
    auto placeEntries = [&](bool labelShown) {
        const auto table = mainTableView.lock();
        const auto clip = table ? table->superview() : nullptr;
        const auto scroll = clip ? clip->superview() : nullptr;
        if (!scroll || scroll->superview() != label->superview()) return;
        const double top = labelShown ? label->frame().maxY() : label->frame().minY();
        const platform::Rect f = scroll->frame();
        scroll->setFrame(platform::Rect(f.minX(), top, f.width(), std::max(0.0, f.maxY() - top)));
    };
    if (paths.empty()) {
        label->setHidden(true);
        placeEntries(false);
        return;
    }
    placeEntries(true);
    if (paths.size() == 1) {
        label->setStringValue(L10n::services_SendOne.value());
    } else {
        label->setStringValue(
            replacingPlaceholders(L10n::services_SendMany.value(), {{"%var", std::to_string(paths.size())}}));
    }
    std::string tip;
    for (std::size_t i = 0; i < paths.size() && i < tooltipPathLimit; ++i) tip += (i ? "\n" : "") + paths[i];
    if (paths.size() > tooltipPathLimit) tip += "\n...";
    label->setToolTip(tip);
    label->setHidden(false);
}

// --- life cycle

void MainViewController::loadView() {
    layOutMainView(*this);
    view()->forEachInTree([](platform::View& v) { v.awakeFromNib(); });
}

void MainViewController::viewDidLoad() {
    logController("-> viewDidLoad");
    defaultFreltMainViewController::viewDidLoad();
    getValuesFromConfiguration();
    const auto me = self();

    setUpSectionView(me);
    if (const auto scroll = leftScrollView.lock(); scroll && sectionView.lock()) scroll->setDrawsBackground(true);
    if (const auto field = searchField.lock()) {
        field->textDidEndEditingHandler = [weak = std::weak_ptr<MainViewController>(me)] {
            const auto controller = weak.lock();
            if (!controller) return;
            const auto win = controller->view()->window();
            if (!win) return;
            win->makeFirstResponder(controller->mainTableView.lock());
        };
    }
    if (const auto menu = viewMenu.lock()) {
        menu->mouseDownHandler = [weak = std::weak_ptr<MainViewController>(me)] {
            const auto controller = weak.lock();
            const auto button = controller ? controller->viewMenu.lock() : nullptr;
            if (!button) return;
            const auto menus = MenuManager::shared();
            menus->prepareMainMenu();
            // Below the button (the kit's y grows downwards).
            menus->mainMenu->popUp(menus->mainMenu->itemAtIndex(0), {0.0, button->frame().height() + 8.0}, button);
        };
    }
    if (const auto table = mainTableView.lock()) {
        table->setDelegate(me);
        table->setDataSource(me);
        table->setSelectionHighlightStyle(platform::TableViewSelectionHighlightStyle::regular);
        table->setAllowsEmptySelection(false);
        table->setTarget(me);
        table->setDraggingSourceOperationMask(platform::dragoperation::none, true);
        table->registerForDraggedTypes({platform::pasteboardtype::fileURL, platform::pasteboardtype::URL});
    }
    if (const auto split = mainSplitView.lock()) split->setAutosaveName("mainSplitview");
    if (const auto win = view()->window()) win->setAutorecalculatesKeyViewLoop(false);
    if (const auto table = mainTableView.lock(); const auto field = searchField.lock()) {
        table->setNextKeyView(field);
        field->setNextKeyView(table);
    }
    registerObservers();
    logController("<- viewDidLoad");
}

void MainViewController::getValuesFromConfiguration() {
    logController("-> getValuesFromConfiguration");
    const auto config = AppDelegate::shared()->config;
    if (const auto outline = sectionView.lock()) {
        outline->setHeaderExpanded(SourceListItemContentType::headerCategories, !config->sidebarCategoriesCollapsed);
        outline->setHeaderExpanded(SourceListItemContentType::headerTags, !config->sidebarTagsCollapsed);
    }
    if (const auto table = mainTableView.lock()) {
        const auto style = config->useSmallModeInMainView ? MainTableView::RowStyle::smallStyle
                                                          : MainTableView::RowStyle::defaultStyle;
        if (table->rowStyle != style) {
            table->rowStyle = style;
            table->setRowHeight(table->heightForRowStyle());
        }
        if (config->clickType == 0) {
            table->setDoubleAction("tableViewAction:");
            table->setAction("");
        } else {
            table->setDoubleAction("");
            table->setAction("tableViewAction:");
        }
    }
    logController("<- getValuesFromConfiguration");
}

void MainViewController::applyLook() {
    const auto config = AppDelegate::shared()->config;
    if (const auto effect = rightVisualEffectsView.lock()) {
        effect->setState(platform::VisualEffectState::active);
        effect->setHidden(false);
        effect->setAppearance(std::nullopt);
        effect->setMaterial(config->translucentBackgroundRight ? platform::VisualEffectMaterial::popover
                                                               : platform::VisualEffectMaterial::contentBackground);
        effect->setWantsLayer(true);
        if (const auto layer = effect->layer()) layer->setCornerRadius(7.0);
    }
    if (const auto table = mainTableView.lock()) {
        table->setAppearance(std::nullopt);
        if (const auto scroll = rightScrollView.lock()) scroll->setDrawsBackground(false);
    }
    if (const auto box = rightTopBox.lock()) {
        box->setFillColor(platform::Color::clear());
        box->setAppearance(std::nullopt);
        box->setTransparent(true);
    }
    if (const auto field = searchField.lock()) field->setBackgroundColor(platform::Color::clear());
    if (const auto outline = sectionView.lock()) {
        outline->setAppearance(std::nullopt);
        if (const auto scroll = leftScrollView.lock()) scroll->setDrawsBackground(false);
    }
}

void MainViewController::viewWillAppear() {
    logController("-> viewWillAppear");
    applyLook();
    if (const auto outline = sectionView.lock()) {
        outline->updateHoverTrackingArea();
        // The sidebar size may have changed while the window was closed.
        outline->setRowHeight(SystemConfiguration::shared()->sidebarRowHeight());
    }
    setServiceManagerValues({});
    if (const auto cell = searchFieldCell.lock()) cell->setStringValue("");
    // The field starts empty, and so does the search: a list still filtered
    // by the last showing's text would show what the field does not say.
    if (const auto filter = DataStorage::shared()->filterCurrentData(); !filter->searchStringFromSearchField.empty())
        filter->setSearchString("");
    if (const auto field = searchField.lock()) field->setNeedsDisplay(true);
    getValuesFromConfiguration();
    defaultFreltMainViewController::viewWillAppear();
    logController("<- viewWillAppear");
}

void MainViewController::viewDidAppear() {
    logController("-> viewDidAppear");
    if (const auto outline = sectionView.lock()) outline->updateContent(outline->outlineViewStructure->isEmpty());
    const auto table = mainTableView.lock();
    if (table) table->reloadData();
    if (const auto win = view()->window()) {
        win->setInitialFirstResponder(searchField.lock());
        win->makeFirstResponder(searchField.lock());
    }
    installEventMonitors();
    if (table)
        table->refreshQuickLaunchNumber(flags_.controlKey, flags_.optionKey, flags_.commandKey, flags_.shiftKey);
    observeFirstResponder();
    defaultFreltMainViewController::viewDidAppear();
    logController("<- viewDidAppear");
}

void MainViewController::viewWillDisappear() {
    logController("-> viewWillDisappear");
    if (const auto table = mainTableView.lock()) table->popupMenu->tableViewPopover->close();
    if (const auto outline = sectionView.lock(); outline && outline->popupMenu->sectionViewPopover->isShown())
        outline->popupMenu->sectionViewPopover->close();
    removeEventMonitors();
    firstResponderValueObservation_.cancel();
    setCurrentFirstResponderKind(FirstResponderKind::other);
    if (const auto outline = sectionView.lock()) {
        const auto config = AppDelegate::shared()->config;
        config->sidebarCategoriesCollapsed = outline->isHeaderCollapsed(SourceListItemContentType::headerCategories);
        config->sidebarTagsCollapsed = outline->isHeaderCollapsed(SourceListItemContentType::headerTags);
    }
    defaultFreltMainViewController::viewWillDisappear();
    logController("<- viewWillDisappear");
}

// --- event monitors and focus

void MainViewController::installEventMonitors() {
    setModifierFlagsContainOptionKey(false);
    setModifierFlagsContainCommandKey(false);
    setModifierFlagsContainControlKey(false);
    setModifierFlagsContainShiftKey(false);
    const auto app = platform::Application::shared();
    const std::weak_ptr<MainViewController> weak = self();
    // Only while the main window is the key window: keys of other windows
    // of the program (a settings pane, an alert) are theirs.
    auto isKeyMainWindow = [](MainViewController& controller) {
        const auto win = controller.isViewLoaded() ? controller.view()->window() : nullptr;
        return win && win->isVisible() && platform::Application::shared()->keyWindow() == win;
    };
    localMonitorForFlagsChangedEvents_ = app->addLocalMonitorForEventsMatchingMask(
        platform::eventmask::flagsChanged, [weak, isKeyMainWindow](const platform::EventPtr& event) {
            const auto controller = weak.lock();
            if (!controller || !isKeyMainWindow(*controller)) return event;
            const auto flags = event->modifierFlags;
            controller->setModifierFlagsContainOptionKey(flags & platform::modifierflags::option);
            controller->setModifierFlagsContainCommandKey(flags & platform::modifierflags::command);
            controller->setModifierFlagsContainControlKey(flags & platform::modifierflags::control);
            controller->setModifierFlagsContainShiftKey(flags & platform::modifierflags::shift);
            return event;
        });
    localMonitorForKeyDownEvents_ = app->addLocalMonitorForEventsMatchingMask(
        platform::eventmask::keyDown, [weak, isKeyMainWindow](const platform::EventPtr& event) -> platform::EventPtr {
            const auto controller = weak.lock();
            if (!controller || !isKeyMainWindow(*controller)) return event;
            if (FreltManager::shared()->handleKeyDown(*event, *controller)) return nullptr;
            return event;
        });
}

void MainViewController::removeEventMonitors() {
    localMonitorForKeyDownEvents_.cancel();
    if (localMonitorForFlagsChangedEvents_.isActive()) {
        setModifierFlagsContainOptionKey(false);
        setModifierFlagsContainCommandKey(false);
        setModifierFlagsContainControlKey(false);
        setModifierFlagsContainShiftKey(false);
        localMonitorForFlagsChangedEvents_.cancel();
    }
}

void MainViewController::observeFirstResponder() {
    const auto win = view()->window();
    if (!win) return;
    firstResponderValueObservation_.cancel();
    firstResponderValueObservation_ = win->observeFirstResponder(
        [weak = std::weak_ptr<MainViewController>(self())](const std::shared_ptr<platform::Responder>& responder) {
            if (const auto controller = weak.lock()) controller->firstResponderChanged(responder);
        },
        true);
}

void MainViewController::firstResponderChanged(const std::shared_ptr<platform::Responder>& responder) {
    FirstResponderKind kind = FirstResponderKind::other;
    if (std::dynamic_pointer_cast<MainSearchField>(responder) || std::dynamic_pointer_cast<MainSearchFieldEditor>(responder))
        kind = FirstResponderKind::searchField;
    else if (std::dynamic_pointer_cast<MainTableView>(responder))
        kind = FirstResponderKind::entryTable;
    else if (std::dynamic_pointer_cast<MainOutlineView>(responder))
        kind = FirstResponderKind::sidebar;
    const bool changed = kind != currentFirstResponderKind();
    setCurrentFirstResponderKind(kind);
    // The selected row shows whether Return opens it: redrawn with the focus.
    if (changed)
        if (const auto table = mainTableView.lock()) table->focusDidChange();
}

void MainViewController::setFocus(FirstResponderKind kind) {
    std::shared_ptr<platform::Responder> target;
    switch (kind) {
        case FirstResponderKind::entryTable:
            logController("setFocus to mainTableView");
            target = mainTableView.lock();
            break;
        case FirstResponderKind::sidebar: {
            const auto outline = sectionView.lock();
            if (!outline || (outline->isHeaderCollapsed(SourceListItemContentType::headerCategories) &&
                             outline->isHeaderCollapsed(SourceListItemContentType::headerTags)))
                return;
            logController("setFocus to sectionView");
            target = outline;
            break;
        }
        case FirstResponderKind::searchField:
            logController("setFocus to searchField");
            target = searchField.lock();
            break;
        case FirstResponderKind::other: return;
    }
    if (const auto win = isViewLoaded() ? view()->window() : nullptr; win && target) win->makeFirstResponder(target);
}

void MainViewController::searchCellAction() { DataStorage::shared()->filterCurrentData()->applyFilter(); }

// --- notifications

void MainViewController::registerObservers() {
    auto& center = platform::NotificationCenter::defaultCenter();
    const std::weak_ptr<MainViewController> weak = self();
    auto observe = [&](const char* name, void (MainViewController::*handler)(const platform::Notification&)) {
        observers_.push_back(center.observe(name, nullptr, [weak, handler](const platform::Notification& n) {
            if (const auto controller = weak.lock()) ((*controller).*handler)(n);
        }));
    };
    observe(Notifications::didLaunchApplication, &MainViewController::applicationWasLaunchedWith);
    observe(Notifications::currentDataChanged, &MainViewController::currentDataHadChangedWith);
    observe(Notifications::currentDataNotChangedWithLastRequest,
            &MainViewController::currentDataWasNotChangedDuringLastRequestWith);
    observe(Notifications::didTerminateApplication, &MainViewController::applicationWasTerminatedWith);
    observe(Notifications::tableViewItemChanged, &MainViewController::tableViewItemChangedWith);
    observe(Notifications::systemSidebarSizeChanged, &MainViewController::systemSidebarSizeChangedWith);
    observe(Notifications::visibleTagsRebuildNeeded, &MainViewController::visibleTagsRebuildNeededWith);
    observe(Notifications::visibleTagsRedrawNeeded, &MainViewController::visibleTagsRedrawNeededWith);
    observe(Notifications::showPathInMainViewChanged, &MainViewController::showPathInMainViewChangedWith);
    observe(Notifications::currentDataFilterRefreshed, &MainViewController::currentDataFilterRefreshedWith);
    // A thumbnail arriving for a shown entry: the table is not reloaded for
    // it, so its cells are told.
    observers_.push_back(center.observe(IconCacheObject::imageDidChangeNotification, nullptr,
                                        [weak](const platform::Notification& n) {
                                            const auto controller = weak.lock();
                                            const auto* path = n.objectAs<std::string>();
                                            if (!controller || !path || !controller->isVisible()) return;
                                            if (const auto table = controller->mainTableView.lock())
                                                table->iconDidChange(*path);
                                        }));
}

void MainViewController::applicationWasLaunchedWith(const platform::Notification&) {
    if (!isVisible()) return;
    logController("Observer applicationWasLaunched was called");
    const auto outline = sectionView.lock();
    const auto type = outline ? outline->selectedItemContentType() : std::nullopt;
    if (type == SourceListItemContentType::openApplications || type == SourceListItemContentType::lastUsedApplications)
        DataStorage::shared()->filterCurrentData()->applyFilter();
    if (const auto table = mainTableView.lock()) table->reloadData();
}

void MainViewController::currentDataHadChangedWith(const platform::Notification&) {
    if (!isVisible()) {
        logController("Observer currentDataHadChanged was called. View was invisible. Refresh discarded");
        return;
    }
    logController("Observer currentDataHadChanged was called");
    if (const auto table = mainTableView.lock()) {
        table->reloadData();
        if (table->numberOfRows() >= 1) table->selectRowIndexes(platform::IndexSet::withIndex(0), false);
    }
    if (const auto outline = sectionView.lock()) outline->validateCategoryVisibility();
}

void MainViewController::currentDataWasNotChangedDuringLastRequestWith(const platform::Notification&) {
    if (!isVisible()) {
        logController("Observer currentDataWasNotChangedDuringLastRequest was called. View was invisible. Redraw discarded");
        return;
    }
    logController("Observer currentDataWasNotChangedDuringLastRequest was called");
    if (const auto table = mainTableView.lock()) table->redrawData();
}

void MainViewController::applicationWasTerminatedWith(const platform::Notification&) {
    if (!isVisible()) return;
    logController("Observer didTerminateApplication was called");
    const auto outline = sectionView.lock();
    if (outline && outline->selectedItemContentType() == SourceListItemContentType::openApplications)
        DataStorage::shared()->filterCurrentData()->applyFilter();
    if (const auto table = mainTableView.lock()) table->reloadData();
}

void MainViewController::tableViewItemChangedWith(const platform::Notification& notification) {
    if (!isVisible()) return;
    const auto* object = notification.objectAs<std::shared_ptr<TableViewItemChangedNotifyObject>>();
    if (!object || !*object) return;
    const auto& change = **object;
    if (change.path.empty()) return;
    if (change.reason == TableViewItemChangeReason::tagChanged ||
        change.reason == TableViewItemChangeReason::visibilityChanged)
        return;
    logController("Observer tableViewItemChanged was called");
    log(LogCategory::mainViewController, LogLevel::Default, "  - Object: %{public}@", change.path);
    log(LogCategory::mainViewController, LogLevel::Default, "  - NotifyReason: %{public}@",
        change.reason ? std::string(rawValue(*change.reason)) : std::string());
    const auto current = DataStorage::shared()->currentData();
    const auto index =
        current ? current->firstIndexWhere([&](const TableViewItem::Ptr& e) { return e && e->path() == change.path; })
                : std::nullopt;
    if (!index) return;
    const auto table = mainTableView.lock();
    if (!table) return;
    table->reloadDataForRowIndexes(platform::IndexSet::withIndex(long(*index)),
                                   platform::IndexSet::withRange(0, table->numberOfColumns()));
    // The row shows the entry's colour: it takes the entry again too.
    if (auto row = std::dynamic_pointer_cast<TableViewRowMainWindow>(table->rowViewAtRow(long(*index), false)))
        if (const auto entry = MainTableView::currentEntry(long(*index))) row->configure(entry);
}

void MainViewController::systemSidebarSizeChangedWith(const platform::Notification&) {
    logController("Observer systemSidebarSizeChanged was called");
    if (!isVisible()) return;
    if (const auto outline = sectionView.lock()) {
        outline->setNeedsLayout(true);
        outline->reloadData();
    }
}

void MainViewController::visibleTagsRebuildNeededWith(const platform::Notification&) {
    logController("Observer visibleTagsRebuildNeeded was called");
    const auto outline = sectionView.lock();
    if (!outline) return;
    if (isVisible()) outline->updateContent(true);
    else outline->rebuildDataWithNextReload = true;
}

void MainViewController::visibleTagsRedrawNeededWith(const platform::Notification&) {
    logController("Observer visibleTagsRedrawNeeded was called");
    if (!isVisible()) return;
    if (const auto outline = sectionView.lock()) outline->redrawContent();
}

void MainViewController::showPathInMainViewChangedWith(const platform::Notification&) {
    logController("Observer showPathInMainViewChanged was called");
    if (!isVisible()) return;
    // The second line of every visible cell depends on the setting.
    if (const auto table = mainTableView.lock()) {
        table->redrawData();
        table->setNeedsDisplay(true);
    }
}

void MainViewController::currentDataFilterRefreshedWith(const platform::Notification&) {
    // The cell's value only: text being typed stays in the field editor.
    if (const auto cell = searchFieldCell.lock()) cell->setStringValue("");
    if (const auto field = searchField.lock()) field->setNeedsDisplay(true);
}

// --- the entry table

long MainViewController::numberOfRowsInTableView(platform::TableView&) {
    const auto current = DataStorage::shared()->currentData();
    return current ? long(current->count()) : 0;
}

double MainViewController::heightOfRow(platform::TableView& tableView, long) {
    const auto* table = dynamic_cast<MainTableView*>(&tableView);
    return table && table->rowStyle == MainTableView::RowStyle::smallStyle ? MainTableView::smallRowHeight
                                                                           : MainTableView::defaultRowHeight;
}

std::shared_ptr<platform::View> MainViewController::viewForTableColumn(platform::TableView& tableView,
                                                                       const std::shared_ptr<platform::TableColumn>&,
                                                                       long row) {
    auto* table = dynamic_cast<MainTableView*>(&tableView);
    const char* identifier = table ? table->cellIdentifierForRowStyle() : TableViewCellMainWindow::identifierDefault;
    const auto entry = MainTableView::currentEntry(row);
    if (!entry) return nullptr;
    auto cell = std::dynamic_pointer_cast<TableViewCellMainWindow>(
        tableView.makeViewWithIdentifier(identifier, tableView.shared_from_this()));
    if (!cell || !cell->configure(entry)) return nullptr;
    cell->setItemIndex(row);
    return cell;
}

std::shared_ptr<platform::TableRowView> MainViewController::rowViewForRow(platform::TableView& tableView, long row) {
    const auto entry = MainTableView::currentEntry(row);
    if (!entry) return nullptr;
    auto rowView = std::dynamic_pointer_cast<TableViewRowMainWindow>(
        tableView.makeViewWithIdentifier(TableViewRowMainWindow::identifier, tableView.shared_from_this()));
    if (!rowView || !rowView->configure(entry)) return nullptr;
    return rowView;
}

void MainViewController::tableViewSelectionDidChange(const platform::Notification&) {
    if (const auto table = mainTableView.lock()) table->popupMenu->tableViewPopover->close();
}

void MainViewController::tableViewAction() {
    const auto table = mainTableView.lock();
    if (!table || table->clickedRow() < 0) return;
    TableViewItem::Arguments arguments;
    if (!serviceManagerValues_.empty()) arguments = serviceManagerValues_;
    const long row = table->selectedRow();
    if (row < 0) return;
    if (table->popupMenu->tableViewPopover->isShown()) return;
    if (const auto entry = MainTableView::currentEntry(row)) entry->executeWithArguments(arguments);
}

}  // namespace frelt
