#include "drawing/controls/IconChooser.h"

#include "app/InterfaceResources.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Popover.h"
#include "store/TagManager.h"

namespace frelt {

void TagIconItem::setImageName(std::optional<std::string> name) {
    imageName_ = std::move(name);
    if (!isViewLoaded()) return;
    auto imageView = tagImage.lock();
    if (!imageView) return;
    imageView->setImage(imageName_ ? platform::Image::imageNamed(*imageName_) : nullptr);
    imageView->setImageName(imageName_.value_or(""));
}

namespace iconnames {

long numberOfItems() { return static_cast<long>(TagManager::shared()->iconNames().size()); }

std::shared_ptr<platform::CollectionViewItem> item(platform::CollectionView& collectionView,
                                                    const platform::IndexPath& indexPath) {
    auto made = collectionView.makeItemWithIdentifier(TagIconItem::nibName, indexPath);
    if (auto icon = std::dynamic_pointer_cast<TagIconItem>(made)) {
        const auto& names = TagManager::shared()->iconNames();
        if (indexPath.item >= 0 && static_cast<std::size_t>(indexPath.item) < names.size())
            icon->setImageName(names[static_cast<std::size_t>(indexPath.item)]);
    }
    return made;
}

}  // namespace iconnames

void IconChoosePopupViewController::viewDidLoad() {
    auto grid = iconChooseCollectionView.lock();
    if (!grid) return;
    auto self = std::static_pointer_cast<IconChoosePopupViewController>(shared_from_this());
    grid->setDelegate(self);
    grid->setDataSource(self);
    grid->setSelectable(true);
    grid->setAllowsEmptySelection(false);
    grid->setAllowsMultipleSelection(false);
    // The grid sits in a clip view inside a scroll view.
    for (auto v = grid->superview(); v; v = v->superview()) {
        if (auto scroll = std::dynamic_pointer_cast<platform::ScrollView>(v)) {
            scroll->setBorderType(platform::BorderType::noBorder);
            break;
        }
    }
    auto layout = std::make_shared<platform::CollectionViewFlowLayout>();
    layout->minimumInteritemSpacing = 10;
    layout->minimumLineSpacing = 10;
    layout->sectionInset = {10, 10, 10, 10};
    layout->itemSize = {24, 24};
    grid->setCollectionViewLayout(layout);
}

IconChooseButton::IconChooseButton(platform::Rect frame)
    : Button(frame), iconChoosePopover(std::make_shared<platform::Popover>()) {}

std::shared_ptr<IconChoosePopupViewController> IconChooseButton::iconChoosePopupViewController() {
    return instantiateSceneOnce(controller_, IconChoosePopupViewController::storyboardName,
                                IconChoosePopupViewController::sceneIdentifier);
}

void IconChooseButton::setupPopover() {
    iconChoosePopover->setContentViewController(iconChoosePopupViewController());
    iconChoosePopover->setBehavior(platform::PopoverBehavior::transient);
    iconChoosePopover->setAppearance(std::nullopt);
    isInitialized = true;
}

void IconChooseButton::mouseDown(const platform::Event&) {
    if (!isInitialized) setupPopover();
    if (!iconChoosePopupViewController()) return;
    iconChoosePopover->showRelativeToRect(bounds(), std::static_pointer_cast<platform::View>(shared_from_this()),
                                          platform::RectEdge::maxY);
}

}  // namespace frelt
