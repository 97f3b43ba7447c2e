#include "mainwindow/TableViewPopup.h"

#include <algorithm>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "app/InterfaceResources.h"
#include "drawing/controls/ColorSlider.h"
#include "drawing/controls/CustomTextField.h"
#include "drawing/controls/CustomTokenField.h"
#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/HotKeyManager.h"
#include "platform/appkit/Layer.h"
#include "mainwindow/MainTableView.h"
#include "mainwindow/MainViewController.h"
#include "platform/foundation/Text.h"
#include "settings/RecorderStyle.h"
#include "sources/icons/IconCache.h"
#include "sources/urls/DatastorageHandlerURLObjects.h"
#include "store/DataStorage.h"
#include "store/TagManager.h"

namespace frelt {

using platform::Color;

namespace {

bool isClearOrNone(const std::optional<Color>& color) { return !color || *color == Color::clear(); }

}  // namespace

// --- TableViewPopupViewController

TableViewPopupViewController::TableViewPopupViewController() {
    auto action = [this](void (TableViewPopupViewController::*method)()) {
        return [this, method](const std::shared_ptr<platform::Object>&) { (this->*method)(); };
    };
    registerAction("onChangeColorSlider:", action(&TableViewPopupViewController::onChangeColorSlider));
    registerAction("btnClearColorClick:", [this](const std::shared_ptr<platform::Object>&) { setEntryColor(Color::clear()); });
    registerAction("checkboxFavoriteClick:", action(&TableViewPopupViewController::checkboxFavoriteClick));
    registerAction("btnHideClick:", action(&TableViewPopupViewController::btnHideClick));
    registerAction("btnShowInFinderClick:", action(&TableViewPopupViewController::btnShowInFinderClick));
    registerAction("btnDeleteClick:", action(&TableViewPopupViewController::btnDeleteClick));
    registerAction("btnModifyURLClick:", action(&TableViewPopupViewController::btnModifyURLClick));
}

void TableViewPopupViewController::viewDidLoad() {
    platform::ViewController::viewDidLoad();
    const auto self = std::static_pointer_cast<TableViewPopupViewController>(shared_from_this());
    for (const auto& outlet : colorCircles)
        if (auto circle = outlet.lock()) circle->setDelegate(self);
    if (auto recorder = hotkey.lock()) {
        recorder->setBackgroundColor(Color::named("System", "controlBackgroundColor", Color::white()));
        recorder->setBorderColor(Color::named("System", "controlColor", Color::white()));
        recorder->setBorderWidth(1.0);
    }
    if (auto field = tags.lock()) {
        field->didEndEditingHandler = [weak = std::weak_ptr<TableViewPopupViewController>(self)] {
            if (auto controller = weak.lock()) controller->tagsDidEndEditing();
        };
    }
}

void TableViewPopupViewController::viewWillAppear() {
    platform::ViewController::viewWillAppear();
    isVisible = true;
    if (!item) return;
    HotKeyManager::shared()->setHotkeysPaused(true);
    needsRebuild = false;
    needsRedraw = false;
    const auto self = std::static_pointer_cast<TableViewPopupViewController>(shared_from_this());

    if (auto panel = backgroundPanelLeft.lock()) setUpPopupBackgroundPanel(*panel);
    if (auto slider = colorSlider.lock()) slider->prepareForColorChoice(self);
    updateBackgroundPreview();
    if (auto name = appName.lock()) name->setStringValue(item->name());
    if (auto pathField = appPath.lock()) {
        pathField->setStringValue(item->path());
        pathField->setTextColor(NamedColors::shared()->colorNamed("AppPath"));
    }
    if (auto icon = appImage.lock()) icon->setImage(IconCache::shared()->icon(item));
    if (auto field = tags.lock()) {
        field->setObjectValue(platform::Value(item->tags()));
        field->setDelegate(field);
        field->internalTagManager = TagManager::shared();
    }
    if (auto field = comment.lock()) {
        field->setObjectValue(platform::Value(item->comment()));
        field->maxLength = 100;
        field->setDelegate(self);
    }
    if (auto recorder = hotkey.lock()) {
        recorder->setKeyCombo(item->hotkey());
        applyDefaultStyle(*recorder, self);
    }
    if (auto box = checkboxFavorite.lock()) {
        box->isChecked = item->isFavorite();
        box->setNeedsDisplay(true);
    }
    const bool manual = item->itemSource() == ListviewItemSource::other;
    if (auto button = btnHide.lock()) button->setEnabled(!manual);
    if (auto button = btnShowInFinder.lock()) button->setEnabled(item->isReachable() && item->isPhysicalEntry());
    if (auto button = btnDelete.lock()) button->setEnabled(manual);
    if (auto button = btnModifyURL.lock()) button->setEnabled(manual && item->itemType() == ListviewItemType::url);
}

void TableViewPopupViewController::viewDidDisappear() {
    platform::ViewController::viewDidDisappear();
    HotKeyManager::shared()->setHotkeysPaused(false);
    isVisible = false;
}

void TableViewPopupViewController::updateBackgroundPreview() {
    const auto preview = backgroundPreview.lock();
    if (!preview) return;
    const std::optional<Color> color = item ? item->color() : std::optional<Color>(Color::clear());
    if (isClearOrNone(color)) {
        preview->setColor(Color::clear());
        preview->setHidden(true);
    } else {
        preview->setColor(color);
        preview->setAlphaColor(AppDelegate::shared()->config->entryBackgroundAlphaValue);
        preview->setHidden(false);
    }
    preview->setNeedsDisplay(true);
    preview->displayIfNeeded();
}

void TableViewPopupViewController::setEntryColor(const std::optional<Color>& color) {
    if (!item) {
        if (auto preview = backgroundPreview.lock()) {
            preview->setColor(Color::clear());
            preview->setHidden(true);
        }
        return;
    }
    item->setColor(color);
    updateBackgroundPreview();
    needsRedraw = true;
    redrawSelectedRow();
}

void TableViewPopupViewController::onChangeColorSlider() {
    if (auto slider = colorSlider.lock()) setEntryColor(slider->currentColor());
}

void TableViewPopupViewController::colorCircleSelected(const std::shared_ptr<DrawnColorCircle>&, const Color& color) {
    setEntryColor(color);
}

void TableViewPopupViewController::controlTextDidEndEditing(const platform::Notification& notification) {
    const auto field = comment.lock();
    if (!field || platform::notificationObject<CustomTextField>(notification) != field || !item) return;
    const auto* text = field->objectValue().asString();
    if (!text) return;
    item->setComment(*text);
    needsRedraw = true;
    redrawSelectedRow();
}

void TableViewPopupViewController::tagsDidEndEditing() {
    const auto field = tags.lock();
    if (!item || !field) return;
    const auto* tokens = field->objectValue().asArray();
    if (!tokens) return;
    std::vector<std::string> newTags;
    for (const auto& token : *tokens) {
        const auto* text = token.asString();
        if (!text) return;  // not a list of texts
        if (!platform::text::trimmingWhitespace(*text).empty()) newTags.push_back(*text);
    }
    if (newTags == item->tags()) return;
    item->setTags(newTags);
    rebuildAndClose();
}

void TableViewPopupViewController::checkboxFavoriteClick() {
    if (!item) return;
    item->setIsFavorite(!item->isFavorite());
    if (auto box = checkboxFavorite.lock()) {
        box->isChecked = item->isFavorite();
        box->setNeedsDisplay(true);
    }
    rebuildAndClose();
}

void TableViewPopupViewController::btnHideClick() {
    if (!item || item->itemSource() == ListviewItemSource::other) return;
    item->setIsVisible(false);
    rebuildAndClose();
}

void TableViewPopupViewController::btnDeleteClick() {
    if (!item) return;
    if (!DataStorage::shared()->moveToTrash(item->path())) return;
    rebuildAndClose();
}

void TableViewPopupViewController::btnShowInFinderClick() {
    if (item && item->isReachable()) item->showInFinder();
}

void TableViewPopupViewController::btnModifyURLClick() {
    if (!item) return;
    DataStorage::shared()->URLHandler()->showModifyURLDialog(item, nullptr);
    needsRedraw = true;
    redrawSelectedRow();
}

bool TableViewPopupViewController::recordViewShouldBeginRecording(RecordView&) { return true; }

bool TableViewPopupViewController::recordViewCanRecordKeyCombo(RecordView&, const KeyCombo::Ptr& keyCombo) {
    return keyCombo && !HotKeyCenter::shared()->isRegistered(*keyCombo);
}

void TableViewPopupViewController::recordViewDidChangeKeyCombo(RecordView&, const KeyCombo::Ptr& keyCombo) {
    if (item) item->setHotkey(keyCombo);
}

void TableViewPopupViewController::recordViewDidEndRecording(RecordView&) {}

void TableViewPopupViewController::rebuildAndClose() {
    needsRebuild = true;
    DataStorage::shared()->rebuildData(RebuildDataReason::tableViewPopup);
    closePopover();
}

void TableViewPopupViewController::redrawSelectedRow() {
    const auto controller = FreltManager::shared()->viewControllerMain();
    if (!controller) return;
    if (auto table = controller->mainTableView.lock()) table->redrawSelected();
}

void TableViewPopupViewController::closePopover() {
    if (auto shown = popover.lock()) shown->close();
}

// --- TableViewPopupManager

TableViewPopupManager::TableViewPopupManager() : tableViewPopover(std::make_shared<platform::Popover>()) {}

std::shared_ptr<TableViewPopupViewController> TableViewPopupManager::tableViewPopupViewController() {
    return instantiateSceneOnce(controller_, storyboardname::main, TableViewPopupViewController::sceneIdentifier);
}

void TableViewPopupManager::setupPopover() {
    const auto controller = tableViewPopupViewController();
    if (!controller) return;
    tableViewPopover->setContentViewController(controller);
    tableViewPopover->setBehavior(platform::PopoverBehavior::transient);
    tableViewPopover->setAnimates(false);
    tableViewPopover->setAppearance(std::nullopt);
    controller->popover = tableViewPopover;
}

}  // namespace frelt
