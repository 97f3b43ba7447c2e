#include "mainwindow/sidebar/SectionViewCell.h"

#include <algorithm>

#include "app/AppDelegate.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/TextField.h"
#include "platform/foundation/Text.h"
#include "store/SystemConfiguration.h"
#include "store/TagManager.h"

namespace frelt {

namespace {

constexpr double cellInset = 4;
constexpr double iconGap = 6;
constexpr double counterWidth = 30;
constexpr double counterHeight = 16;
constexpr double captionHeight = 18;

// The number of entries of a tag: shown, but clicks go to the row beneath.
class UsageCounterButton : public platform::Button {
public:
    using Button::Button;
    std::shared_ptr<platform::View> hitTest(platform::Point) override { return nullptr; }
};

std::shared_ptr<platform::View> makeHeaderCell() {
    auto cell = std::make_shared<SectionViewCellHeader>(platform::Rect(0, 0, 180, 25));
    // Beside the place of the header's disclosure triangle.
    auto name = std::make_shared<platform::TextField>(platform::Rect(16, 4, 160, 17));
    name->setEditable(false);
    name->setSelectable(false);
    name->setBordered(false);
    name->setBezeled(false);
    name->setDrawsBackground(false);
    name->setFont(platform::Font::boldSystemFont(11));
    name->setTextColor(platform::Color::named("System", "secondaryLabelColor", platform::Color::calibratedWhite(0.45)));
    name->setAutoresizingMask(platform::autoresizing::widthSizable);
    cell->addSubview(name);
    cell->headerTextField = name;
    cell->setTextField(name);
    cell->forEachInTree([](platform::View& v) { v.awakeFromNib(); });
    return cell;
}

std::shared_ptr<platform::View> makeEntryCell() {
    auto cell = std::make_shared<SectionViewCellEntry>(platform::Rect(0, 0, 180, 28));
    auto icon = std::make_shared<platform::ImageView>(platform::Rect(cellInset, 4, 20, 20));
    icon->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
    auto caption = std::make_shared<CustomEditableTextLabel>(platform::Rect(30, 5, 110, captionHeight));
    caption->setEditable(false);
    caption->setSelectable(false);
    caption->setBordered(false);
    caption->setBezeled(false);
    caption->setDrawsBackground(false);
    caption->setMaximumNumberOfLines(1);
    auto counter = std::make_shared<UsageCounterButton>(platform::Rect(146, 6, counterWidth, counterHeight));
    counter->setBordered(false);
    counter->setFont(platform::Font::systemFont(10));
    counter->setHidden(true);
    cell->addSubview(icon);
    cell->addSubview(caption);
    cell->addSubview(counter);
    cell->imageViewCellIcon = icon;
    cell->textFieldCellCaption = caption;
    cell->buttonUsageCounter = counter;
    cell->setImageView(icon);
    cell->setTextField(caption);
    cell->placeSubviews();
    cell->forEachInTree([](platform::View& v) { v.awakeFromNib(); });
    return cell;
}

}  // namespace

void registerSectionViewCells(platform::TableView& outline) {
    outline.registerViewFactory(SectionViewCellHeader::identifier, makeHeaderCell);
    outline.registerViewFactory(SectionViewCellEntry::identifier, makeEntryCell);
}

void SectionViewCellEntry::configure(const SourceListItem::Ptr& item) {
    assignedItem = item;
    if (auto caption = textFieldCellCaption.lock()) {
        caption->maxLength = captionMaxLength;
        caption->setDelegate(caption);
        caption->setStringValue(item ? item->name() : "");
        caption->unregisterDraggedTypes();
        caption->customTextFieldDelegate =
            std::static_pointer_cast<SectionViewCellEntry>(shared_from_this());
        caption->setFocusRingType(platform::FocusRingType::none);
        caption->editIsAllowed = item && item->itemContentType() == SourceListItemContentType::tag;
    }
    // A reused cell must not keep the tag of the item it showed before.
    assignedIconTag = item ? TagManager::shared()->tagWithName(item->tag()) : nullptr;
    if (auto icon = imageViewCellIcon.lock()) icon->unregisterDraggedTypes();
    // Right before the first picture, too: a reused cell shows its new item
    // from the start.
    refreshSubviews();
}

void SectionViewCellEntry::drawRect(const platform::Rect&) { refreshSubviews(); }

void SectionViewCellEntry::refreshSubviews() {
    if (!assignedItem) return;
    if (auto image = assignedItem->icon())
        if (auto icon = imageViewCellIcon.lock()) icon->setImage(image);
    if (textFont)
        if (auto caption = textFieldCellCaption.lock()) caption->setFont(textFont);

    if (const auto counter = buttonUsageCounter.lock()) {
        const auto tag = assignedIconTag.lock();
        const bool shown = tag && assignedItem->itemContentType() == SourceListItemContentType::tag &&
                           !assignedItem->tag().empty() &&
                           AppDelegate::shared()->config->sidebarCategoriesShowNumberOfElementInSidebar;
        if (shown) counter->setTitle(std::to_string(tag->tagUseCounter()));
        if (counter->isHidden() == shown) counter->setHidden(!shown);
    }
    // The icon's size, and the caption's room with or without the counter.
    placeSubviews();
}

void SectionViewCellEntry::setFrame(const platform::Rect& frame) {
    TableCellView::setFrame(frame);
    placeSubviews();
}

void SectionViewCellEntry::placeSubviews() {
    const platform::Rect b = bounds();
    const double side = iconSize.value_or(SystemConfiguration::shared()->sidebarIconSize());
    auto setIfChanged = [](const std::shared_ptr<platform::View>& view, const platform::Rect& frame) {
        if (view && !(view->frame() == frame)) view->setFrame(frame);
    };
    setIfChanged(imageViewCellIcon.lock(), platform::Rect(cellInset, (b.height() - side) / 2, side, side));
    const double counterX = b.width() - cellInset - counterWidth;
    setIfChanged(buttonUsageCounter.lock(),
                 platform::Rect(counterX, (b.height() - counterHeight) / 2, counterWidth, counterHeight));
    // Without a counter (categories, folders) the caption takes its place.
    const auto counter = buttonUsageCounter.lock();
    const double captionEnd = counter && !counter->isHidden() ? counterX : b.width() - cellInset;
    const double captionX = cellInset + side + iconGap;
    setIfChanged(textFieldCellCaption.lock(), platform::Rect(captionX, (b.height() - captionHeight) / 2,
                                                             std::max(0.0, captionEnd - captionX), captionHeight));
}

bool SectionViewCellEntry::textFieldValueChanged(const std::string& oldValue, const std::string& newValue) {
    const std::string oldName = platform::text::trimmingWhitespace(oldValue);
    const std::string newName = platform::text::trimmingWhitespace(newValue);
    if (oldName.empty() || newName.empty() || oldName == newName) return false;
    if (!assignedItem) return false;
    std::string oldPath = oldName;
    std::string newPath = newName;
    // Up through the tag folders; the "Tags" header ends the path.
    for (auto current = assignedItem->parent(); current && current->itemContentType() == SourceListItemContentType::tag;
         current = current->parent()) {
        oldPath = current->name() + tagLevelSeparator + oldPath;
        newPath = current->name() + tagLevelSeparator + newPath;
    }
    return TagManager::shared()->renameTag(oldPath, newPath);
}

}  // namespace frelt
