#include "settings/dialogs/TagsDialog.h"

#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/HotKeyManager.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/Window.h"
#include "settings/ConfigCells.h"
#include "settings/RecorderStyle.h"
#include "settings/dialogs/DialogWindows.h"
#include "store/DataStorage.h"
#include "store/LocalizedStrings.h"
#include "store/TagManager.h"

namespace frelt {

using platform::Rect;

// --- the hotkey cells

iconTag::Ptr TableViewCellConfigEditTagsHotkeyCell::registeredTag() const {
    auto tag = currentTag.lock();
    // Other views may keep a deleted tag alive; only the registry's count.
    if (!tag || !TagManager::shared()->allAvailableTags()->contains(tag)) return nullptr;
    return tag;
}

void TableViewCellConfigEditTagsHotkeyCell::setUpTag(const iconTag::Ptr& tag) {
    currentTag = tag;
    const auto recorder = hotkey.lock();
    if (!recorder) return;
    applyDefaultStyle(*recorder, std::dynamic_pointer_cast<RecordViewDelegate>(shared_from_this()));
    const auto registered = registeredTag();
    recorder->setKeyCombo(registered ? shownCombo(*registered) : nullptr);
    setNeedsDisplay(true);
}

bool TableViewCellConfigEditTagsHotkeyCell::recordViewCanRecordKeyCombo(RecordView&, const KeyCombo::Ptr& keyCombo) {
    return !keyCombo || !HotKeyCenter::shared()->isRegistered(*keyCombo);
}

void TableViewCellConfigEditTagsHotkeyCell::recordViewDidChangeKeyCombo(RecordView&, const KeyCombo::Ptr& keyCombo) {
    if (const auto tag = registeredTag()) storeCombo(*tag, keyCombo);
}

// --- the dialog

ConfigViewControllerTags::ConfigViewControllerTags() {
    registerAction("configRemoveTag:", [this](const std::shared_ptr<platform::Object>&) { configRemoveTag(); });
}

void ConfigViewControllerTags::viewDidLoad() {
    const auto table = tagTableView.lock();
    if (!table) return;
    const auto self = std::dynamic_pointer_cast<ConfigViewControllerTags>(shared_from_this());
    table->setDelegate(self);
    table->setDataSource(self);
}

void ConfigViewControllerTags::viewWillAppear() {
    HotKeyManager::shared()->setHotkeysPaused(true);
    if (const auto table = tagTableView.lock()) table->reloadData();
    if (const auto window = view()->window()) {
        window->setTitle(L10n::configViewControllerTagsWindowTitle);
        window->setSubtitle(L10n::configViewControllerTagsWindowSubTitle);
    }
}

void ConfigViewControllerTags::viewDidDisappear() {
    DataStorage::shared()->rebuildData(RebuildDataReason::configViewTags);
    HotKeyManager::shared()->setHotkeysPaused(false);
    // Only the dialog's own session: when its window's closing has ended it
    // already, the innermost one left belongs to whoever opened the dialog.
    const auto app = platform::Application::shared();
    const auto window = view()->window();
    if (window && app->modalWindow() == window) app->stopModal();
}

void ConfigViewControllerTags::configRemoveTag() {
    const auto table = tagTableView.lock();
    if (!table) return;
    const long row = table->selectedRow();
    if (row < 0) return;
    if (TagManager::shared()->deleteTagWithConfirmation(row))
        table->removeRowsAtIndexes(platform::IndexSet{row}, platform::tableviewanimation::effectFade);
}

bool ConfigViewControllerTags::textFieldValueChanged(const std::string& oldValue, const std::string& newValue) {
    const bool renamed = TagManager::shared()->renameTag(oldValue, newValue);
    if (renamed) {
        if (const auto table = tagTableView.lock()) table->reloadData();
    }
    return renamed;
}

long ConfigViewControllerTags::numberOfRowsInTableView(platform::TableView&) {
    return static_cast<long>(TagManager::shared()->allAvailableTags()->count());
}

std::shared_ptr<platform::View> ConfigViewControllerTags::viewForTableColumn(
    platform::TableView& tableView, const std::shared_ptr<platform::TableColumn>& column, long row) {
    const auto tag = (*TagManager::shared()->allAvailableTags())[row];
    if (!tag || !*tag || !column) return nullptr;
    const auto self = shared_from_this();
    const auto& identifier = column->identifier();
    if (identifier == columnEntry) {
        auto cell = std::dynamic_pointer_cast<TableViewCellConfigEditTags>(tableView.makeViewWithIdentifier(cellEntry, self));
        if (!cell) return nullptr;
        cell->setTag(*tag);
        if (auto field = cell->tokenTextfield.lock())
            field->customTextFieldDelegate = std::dynamic_pointer_cast<CustomTextFieldDelegate>(self);
        return cell;
    }
    const char* cellIdentifier = identifier == columnHotkey            ? cellHotkey
                                 : identifier == columnHotkeyLaunchAll ? cellHotkeyLaunchAll
                                                                       : nullptr;
    if (!cellIdentifier) return nullptr;
    auto cell = std::dynamic_pointer_cast<TableViewCellConfigEditTagsHotkeyCell>(
        tableView.makeViewWithIdentifier(cellIdentifier, self));
    if (!cell) return nullptr;
    cell->setUpTag(*tag);
    return cell;
}

// --- the scenes

namespace {

constexpr double tagsDialogWidth = 640, tagsDialogHeight = 420;
constexpr double nameWidth = 320, hotkeyWidth = 140;

std::shared_ptr<platform::View> makeNameCell() {
    auto cell = std::make_shared<TableViewCellConfigEditTags>(Rect(0, 0, nameWidth, ConfigViewControllerTags::rowHeight));
    auto symbol = std::make_shared<platform::Button>(Rect(4, 4, 24, 22));
    symbol->setBordered(false);
    symbol->setTarget(cell);
    symbol->setAction("symbolButton_click:");
    auto name = std::make_shared<CustomTextFieldForEditingTags>(Rect(34, 4, nameWidth - 40, 22));
    cell->addSubview(symbol);
    cell->addSubview(name);
    cell->symbolButton = symbol;
    cell->setUpNameField(name);
    cell->setTextField(name);
    return cell;
}

template <class Cell>
std::shared_ptr<platform::View> makeHotkeyCell() {
    auto cell = std::make_shared<Cell>(Rect(0, 0, hotkeyWidth, ConfigViewControllerTags::rowHeight));
    auto recorder = RecordView::make(Rect(4, 4, hotkeyWidth - 8, 22));
    cell->addSubview(recorder);
    cell->hotkey = recorder;
    return cell;
}

void layOutTagsDialog(ConfigViewControllerTags& controller) {
    using namespace platform::autoresizing;
    auto root = std::make_shared<platform::View>(Rect(0, 0, tagsDialogWidth, tagsDialogHeight));
    root->setAutoresizesSubviews(true);

    auto table = std::make_shared<TagTableView>();
    auto addColumn = [&](const char* identifier, const char* title, double width) {
        auto column = std::make_shared<platform::TableColumn>(identifier);
        column->setTitle(title);
        column->setWidth(width);
        table->addTableColumn(column);
    };
    addColumn(ConfigViewControllerTags::columnEntry, "Tag", nameWidth);
    addColumn(ConfigViewControllerTags::columnHotkey, "Hotkey", hotkeyWidth);
    addColumn(ConfigViewControllerTags::columnHotkeyLaunchAll, "Launch all", hotkeyWidth);
    table->setRowHeight(ConfigViewControllerTags::rowHeight);
    table->registerViewFactory(ConfigViewControllerTags::cellEntry, makeNameCell);
    table->registerViewFactory(ConfigViewControllerTags::cellHotkey,
                               makeHotkeyCell<TableViewCellConfigEditTagsHotkeyView>);
    table->registerViewFactory(ConfigViewControllerTags::cellHotkeyLaunchAll,
                               makeHotkeyCell<TableViewCellConfigEditTagsHotkeyLaunchAll>);
    addTableWithTitles(*root, table, Rect(12, 12, tagsDialogWidth - 24, tagsDialogHeight - 64));

    auto remove = addButton(*root, "Remove Tag", Rect(12, tagsDialogHeight - 44, 120, 30), controller.shared_from_this(),
                            "configRemoveTag:");
    remove->setAutoresizingMask(maxXMargin | minYMargin);
    controller.tagTableView = table;
    controller.setView(root);
}

}  // namespace

void registerTagsDialogScenes() {
    registerDialog<ConfigViewControllerTags>({tagsDialogWidth, tagsDialogHeight}, "Tags", layOutTagsDialog);
}

}  // namespace frelt
