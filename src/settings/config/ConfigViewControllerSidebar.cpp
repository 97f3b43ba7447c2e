#include "settings/config/ConfigViewControllerSidebar.h"

#include <algorithm>
#include <set>

#include "drawing/controls/ColorSlider.h"
#include "drawing/controls/CustomTextField.h"
#include "drawing/controls/CustomTokenField.h"
#include "platform/foundation/NotificationCenter.h"
#include "settings/ConfigCells.h"
#include "store/DataStorage.h"
#include "store/StoreConstants.h"
#include "store/TagManager.h"

namespace frelt {

namespace {

TableViewItem::Ptr entryAt(const std::shared_ptr<DataStorage::EntryArray>& list, long index) {
    return list ? (*list)[index].value_or(nullptr) : nullptr;
}

std::set<std::string> asSet(const std::vector<std::string>& tags) { return {tags.begin(), tags.end()}; }

// What the selection shares of one field, read from at most
// `maximumCompared` entries: `read` of the entry at the lowest index when
// every entry gives an equal value (`same`), else none. A missing entry
// gives `read(nullptr)`.
template <class T>
std::optional<T> sharedValue(const std::optional<platform::IndexSet>& indexes, std::size_t maximumCompared,
                             const std::function<T(const TableViewItem::Ptr&)>& read,
                             const std::function<bool(const T&, const T&)>& same) {
    if (!indexes || indexes->empty() || indexes->count() > maximumCompared) return std::nullopt;
    const auto list = DataStorage::shared()->currentDataConfig();
    std::optional<T> first;
    for (const long index : *indexes) {
        T value = read(entryAt(list, index));
        if (!first) first = std::move(value);
        else if (!same(*first, value)) return std::nullopt;
    }
    return first;
}

}  // namespace

ConfigViewControllerSidebar::ConfigViewControllerSidebar() {
    registerAction("onChangeColorSlider:", [this](const std::shared_ptr<platform::Object>& sender) {
        if (auto slider = std::dynamic_pointer_cast<ColorSlider>(sender)) onChangeColorSlider(*slider);
    });
    registerAction("clearColorClick:", [this](const std::shared_ptr<platform::Object>&) { clearColorClick(); });
    registerAction("setToVisibleClick:", [this](const std::shared_ptr<platform::Object>&) { setToVisibleClick(); });
    registerAction("setToInvisibleClick:", [this](const std::shared_ptr<platform::Object>&) { setToInvisibleClick(); });
}

void ConfigViewControllerSidebar::setCurrentIndexSet(const std::optional<platform::IndexSet>& indexes) {
    if (indexes == currentIndexSet_) return;
    currentIndexSet_ = indexes;
    refreshTokenField();
    refreshCommentField();
}

void ConfigViewControllerSidebar::viewDidLoad() {
    ViewController::viewDidLoad();
    const auto self = std::dynamic_pointer_cast<ConfigViewControllerSidebar>(shared_from_this());
    for (const auto& weakCircle : colorCircles) {
        if (auto circle = weakCircle.lock()) circle->setDelegate(self);
    }
    selectionObservation_ = platform::NotificationCenter::defaultCenter().observe(
        Notifications::configTableViewSelectionDidChange, nullptr,
        [this](const platform::Notification& notification) { configTableViewSelectionDidChangeWith(notification); });
    if (auto field = modifyComment.lock()) {
        field->maxLength = commentMaxLength;
        field->setDelegate(self);
    }
}

void ConfigViewControllerSidebar::viewWillAppear() {
    ViewController::viewWillAppear();
    if (auto field = modifyToken.lock()) {
        field->setDelegate(field);
        field->internalTagManager = TagManager::shared();
        if (!field->didEndEditingAndValueWasChangedHandler) {
            std::weak_ptr<ConfigViewControllerSidebar> weakSelf =
                std::static_pointer_cast<ConfigViewControllerSidebar>(shared_from_this());
            field->didEndEditingAndValueWasChangedHandler = [weakSelf] {
                if (auto inspector = weakSelf.lock()) inspector->applyTags();
            };
        }
    }
    if (auto slider = colorSlider.lock()) slider->prepareForColorChoice(shared_from_this());
}

void ConfigViewControllerSidebar::configTableViewSelectionDidChangeWith(const platform::Notification& notification) {
    const auto* indexes = notification.objectAs<platform::IndexSet>();
    setCurrentIndexSet(indexes ? std::optional<platform::IndexSet>(*indexes) : std::nullopt);
}

void ConfigViewControllerSidebar::refreshTokenField() {
    const auto field = modifyToken.lock();
    if (!field) return;
    using Tags = std::vector<std::string>;
    // Tags compare as sets; the entry at the lowest index shows its order.
    const auto tags = sharedValue<Tags>(
        currentIndexSet_, maximumCompared, [](const TableViewItem::Ptr& e) { return e ? e->tags() : Tags{}; },
        [](const Tags& a, const Tags& b) { return asSet(a) == asSet(b); });
    field->setObjectValue(tokenFieldValue(tags.value_or(Tags{})));
}

void ConfigViewControllerSidebar::refreshCommentField() {
    const auto field = modifyComment.lock();
    if (!field) return;
    const auto comment = sharedValue<std::string>(
        currentIndexSet_, maximumCompared, [](const TableViewItem::Ptr& e) { return e ? e->comment() : std::string(); },
        [](const std::string& a, const std::string& b) { return a == b; });
    field->setStringValue(comment.value_or(std::string()));
}

void ConfigViewControllerSidebar::forEachSelected(const std::function<void(const TableViewItem::Ptr&)>& body) const {
    if (!currentIndexSet_) return;
    const auto list = DataStorage::shared()->currentDataConfig();
    for (const long index : *currentIndexSet_) {
        if (auto entry = entryAt(list, index)) body(entry);
    }
}

void ConfigViewControllerSidebar::applyTags() {
    const auto field = modifyToken.lock();
    if (!field) return;
    const auto tokens = tokenFieldTexts(field->objectValue());
    if (!tokens || !currentIndexSet_) return;
    const auto tags = nonBlankTokens(*tokens);
    const auto wanted = asSet(tags);
    // A replacement: tags the field did not show go from every entry written.
    forEachSelected([&](const TableViewItem::Ptr& entry) {
        if (asSet(entry->tags()) != wanted) entry->setTags(tags);
    });
}

bool ConfigViewControllerSidebar::controlTextShouldEndEditing(const std::shared_ptr<platform::Control>& control,
                                                              const std::shared_ptr<platform::TextView>&) {
    const auto field = modifyComment.lock();
    if (!field || control != field) return true;
    // Without a selection there is nowhere to put the text yet.
    if (!currentIndexSet_) return false;
    const std::string text = field->stringValue();
    forEachSelected([&](const TableViewItem::Ptr& entry) { entry->setComment(text); });
    return true;
}

void ConfigViewControllerSidebar::applyColor(const std::optional<platform::Color>& color) {
    // The setter announces only a real change.
    forEachSelected([&](const TableViewItem::Ptr& entry) { entry->setColor(color); });
}

void ConfigViewControllerSidebar::colorCircleSelected(const std::shared_ptr<DrawnColorCircle>&,
                                                      const platform::Color& color) {
    applyColor(color);
}

void ConfigViewControllerSidebar::onChangeColorSlider(ColorSlider& slider) { applyColor(slider.currentColor()); }

void ConfigViewControllerSidebar::clearColorClick() { applyColor(std::nullopt); }

void ConfigViewControllerSidebar::setToVisibleClick() {
    forEachSelected([](const TableViewItem::Ptr& entry) { entry->setIsVisible(true); });
}

void ConfigViewControllerSidebar::setToInvisibleClick() {
    forEachSelected([](const TableViewItem::Ptr& entry) {
        // Hiding takes the hotkey away too (the entry does both).
        if (entry->couldBeHidden()) entry->setIsVisible(false);
    });
}

}  // namespace frelt
