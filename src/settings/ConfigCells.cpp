#include "settings/ConfigCells.h"

#include <algorithm>

#include "drawing/DrawnViews.h"
#include "drawing/ImageHelpers.h"
#include "drawing/controls/ColorPopup.h"
#include "drawing/controls/CustomTextField.h"
#include "drawing/controls/CustomTokenField.h"
#include "hotkeys/HotKeyCenter.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/Window.h"
#include "settings/RecorderStyle.h"
#include "sources/icons/IconCache.h"
#include "store/DataStorage.h"
#include "store/TagManager.h"

namespace frelt {

namespace {

// The colour behind an entry without one: the clear colour counts as none.
platform::Color indicatorColor(const std::optional<platform::Color>& color) {
    if (color && !(*color == platform::Color::clear())) return *color;
    return platform::Color::named("System", "controlBackgroundColor", platform::Color::white());
}

}  // namespace

std::optional<std::vector<std::string>> tokenFieldTexts(const platform::Value& value) {
    const auto* array = value.asArray();
    if (!array) return std::nullopt;
    std::vector<std::string> texts;
    texts.reserve(array->size());
    for (const auto& element : *array) {
        const auto* text = element.asString();
        if (!text) return std::nullopt;
        texts.push_back(*text);
    }
    return texts;
}

platform::Value tokenFieldValue(const std::vector<std::string>& tags) {
    platform::ValueArray tokens;
    tokens.reserve(tags.size());
    for (const auto& tag : tags) tokens.emplace_back(tag);
    return platform::Value(std::move(tokens));
}

std::vector<std::string> nonBlankTokens(const std::vector<std::string>& tokens) {
    std::vector<std::string> kept;
    for (const auto& token : tokens) {
        if (token.find_first_not_of(" \t") != std::string::npos) kept.push_back(token);
    }
    return kept;
}

// --- entry

TableViewCellConfigEntry::TableViewCellConfigEntry(platform::Rect frame) : TableCellView(frame) {
    registerAction("visibleCheckbox_click:", [this](const std::shared_ptr<platform::Object>&) { visibleCheckboxClick(); });
    registerAction("removeButton_click:", [this](const std::shared_ptr<platform::Object>&) { removeButtonClick(); });
    registerAction("colorButton_click:", [this](const std::shared_ptr<platform::Object>&) { colorButtonClick(); });
}

void TableViewCellConfigEntry::setTableViewItem(const TableViewItem::Ptr& item) {
    itemData = item;
    if (!item) return;
    if (auto field = displayname.lock()) field->setStringValue(item->name());
    if (auto field = path.lock()) field->setStringValue(item->path());
    const auto remove = removeButton.lock();
    const auto checkbox = visibleCheckbox.lock();
    std::shared_ptr<platform::Image> icon;
    if (item->couldBeHidden()) {
        if (remove) remove->setHidden(true);
        if (checkbox) checkbox->setHidden(false);
        icon = IconCache::shared()->icon(item);
    } else {
        if (remove) remove->setHidden(false);
        if (checkbox) checkbox->setHidden(true);
        // A file the user added that has gone shows as unknown, not with a
        // stale icon.
        icon = item->isPhysicalEntry() && !item->isReachable() ? IconCache::shared()->customIconUnkownObject()
                                                                : IconCache::shared()->icon(item);
    }
    if (auto view = image.lock()) view->setImage(icon);
    if (checkbox)
        checkbox->setState(item->isVisible() ? platform::ControlStateValue::on : platform::ControlStateValue::off);
    if (auto box = colorIndicator.lock()) {
        box->setTransparent(false);
        box->setFillColor(indicatorColor(item->color()));
    }
    setNeedsDisplay(true);
}

void TableViewCellConfigEntry::visibleCheckboxClick() {
    const auto item = itemData.lock();
    const auto checkbox = visibleCheckbox.lock();
    if (!item || !checkbox) return;
    // Hiding also takes the entry's hotkey away; the entry does that itself.
    item->setIsVisible(checkbox->state() == platform::ControlStateValue::on);
}

void TableViewCellConfigEntry::removeButtonClick() {
    const auto item = itemData.lock();
    if (!item) return;
    const auto store = DataStorage::shared();
    if (store->moveToTrash(item->path())) store->rebuildData(RebuildDataReason::configViewContent);
}

void TableViewCellConfigEntry::colorButtonClick() {
    const auto item = itemData.lock();
    const auto anchor = colorIndicator.lock();
    if (!item || !anchor) return;
    ColorPopupManager::shared()->showColorPopup(anchor, item);
}

// --- hotkey

void TableViewCellConfigHotkey::setTableViewItem(const TableViewItem::Ptr& item) {
    itemData = item;
    if (auto recorder = hotkey.lock()) {
        applyDefaultStyle(*recorder, std::static_pointer_cast<TableViewCellConfigHotkey>(shared_from_this()));
        recorder->setKeyCombo(item ? item->hotkey() : nullptr);
    }
    setNeedsDisplay(true);
}

bool TableViewCellConfigHotkey::recordViewShouldBeginRecording(RecordView&) { return true; }

bool TableViewCellConfigHotkey::recordViewCanRecordKeyCombo(RecordView&, const KeyCombo::Ptr& keyCombo) {
    // Hotkeys are only paused while this window shows, so every combination
    // in use, this entry's own included, is still registered.
    return keyCombo && !HotKeyCenter::shared()->isRegistered(*keyCombo);
}

void TableViewCellConfigHotkey::recordViewDidChangeKeyCombo(RecordView&, const KeyCombo::Ptr& keyCombo) {
    if (auto item = itemData.lock()) item->setHotkey(keyCombo);
}

void TableViewCellConfigHotkey::recordViewDidEndRecording(RecordView&) {}

// --- tags

TableViewCellConfigTags::TableViewCellConfigTags(platform::Rect frame) : TableCellView(frame) {
    registerAction("checkboxFavoriteClick:", [this](const std::shared_ptr<platform::Object>&) { checkboxFavoriteClick(); });
}

void TableViewCellConfigTags::setTableViewItem(const TableViewItem::Ptr& item) {
    if (auto field = tokenField.lock()) {
        field->setDelegate(field);
        field->internalTagManager = TagManager::shared();
    }
    itemData = item;
    if (auto field = tokenField.lock()) {
        std::weak_ptr<TableViewCellConfigTags> weakSelf =
            std::static_pointer_cast<TableViewCellConfigTags>(shared_from_this());
        field->didEndEditingHandler = [weakSelf] {
            if (auto cell = weakSelf.lock()) cell->tokenFieldDidEndEditing();
        };
    }
    updateControls();
}

void TableViewCellConfigTags::updateControls() {
    if (auto item = itemData.lock()) {
        if (auto star = checkboxFavorite.lock()) {
            star->isChecked = item->isFavorite();
            star->setNeedsDisplay(true);
        }
        if (auto field = tokenField.lock()) field->setObjectValue(tokenFieldValue(item->tags()));
    }
    setNeedsDisplay(true);
}

void TableViewCellConfigTags::tokenFieldDidEndEditing() {
    const auto item = itemData.lock();
    const auto field = tokenField.lock();
    if (!item || !field) return;
    const auto tokens = tokenFieldTexts(field->objectValue());
    if (!tokens) return;
    const auto tags = nonBlankTokens(*tokens);
    if (tags != item->tags()) item->setTags(tags);
}

void TableViewCellConfigTags::checkboxFavoriteClick() {
    const auto star = checkboxFavorite.lock();
    if (!star) return;
    star->isChecked = !star->isChecked;
    star->setNeedsDisplay(true);
    // The entry announces a real change of the mark itself.
    if (auto item = itemData.lock()) item->setIsFavorite(star->isChecked);
}

// --- comment

void TableViewCellConfigComment::setUpCommentField(const std::shared_ptr<CustomTextFieldForEditingComment>& field) {
    commentField = field;
    if (!field) return;
    field->setDelegate(field);
    field->ownerTableCellView = std::static_pointer_cast<TableViewCellConfigComment>(shared_from_this());
    field->maxLength = commentMaxLength;
}

void TableViewCellConfigComment::setTableViewItem(const TableViewItem::Ptr& item) {
    setUpCommentField(commentField.lock());
    itemData = item;
    if (auto field = commentField.lock()) field->setStringValue(item ? item->comment() : std::string());
    setNeedsDisplay(true);
}

// --- tag name (Tags dialog)

TableViewCellConfigEditTags::TableViewCellConfigEditTags(platform::Rect frame)
    : TableCellView(frame), popupMenu(TagTableViewPopupManager::make()) {
    registerAction("symbolButton_click:", [this](const std::shared_ptr<platform::Object>&) { symbolButtonClick(); });
}

void TableViewCellConfigEditTags::setUpNameField(const std::shared_ptr<CustomTextFieldForEditingTags>& field) {
    tokenTextfield = field;
    if (!field) return;
    field->setDelegate(field);
    field->maxLength = tagNameMaxLength;
    field->ownerTableCellView = std::static_pointer_cast<TableViewCellConfigEditTags>(shared_from_this());
}

void TableViewCellConfigEditTags::setTag(const iconTag::Ptr& tag) {
    tag_ = tag;
    if (auto field = tokenTextfield.lock()) field->setStringValue(tag ? tag->tagName() : std::string());
    popupMenu->setupPopover();
    popupMenu->customDelegate = std::static_pointer_cast<TableViewCellConfigEditTags>(shared_from_this());
    refreshTagSymbol();
}

void TableViewCellConfigEditTags::symbolButtonClick() {
    const auto button = symbolButton.lock();
    if (!button) return;
    if (popupMenu->popover->isShown()) {
        popupMenu->popover->close();
        return;
    }
    const auto controller = popupMenu->tagTableViewPopupViewController();
    if (!controller) return;
    if (auto w = window()) w->makeFirstResponder(std::static_pointer_cast<platform::Responder>(shared_from_this()));
    controller->currentIconTag = tag_;
    popupMenu->popover->showRelativeToRect(button->bounds(), button, platform::RectEdge::minX);
}

void TableViewCellConfigEditTags::refreshTagSymbol() {
    const auto button = symbolButton.lock();
    if (!button || !tag_) return;
    if (auto image = platform::Image::imageNamed(tag_->tagSymbol())) button->setImage(tinted(image, tag_->color()));
}

}  // namespace frelt
