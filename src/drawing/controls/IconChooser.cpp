#include "drawing/controls/IconChooser.h"

#include "app/InterfaceResources.h"
#include "drawing/ImageHelpers.h"
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
                                                    const platform::IndexPath& indexPath,
                                                    const std::optional<platform::Color>& tint) {
    auto made = collectionView.makeItemWithIdentifier(TagIconItem::nibName, indexPath);
    if (auto icon = std::dynamic_pointer_cast<TagIconItem>(made)) {
        const auto& names = TagManager::shared()->iconNames();
        if (indexPath.item >= 0 && static_cast<std::size_t>(indexPath.item) < names.size())
            icon->setImageName(names[static_cast<std::size_t>(indexPath.item)]);
        if (auto imageView = icon->tagImage.lock(); imageView && tint && imageView->image())
            imageView->setImage(tinted(imageView->image(), tint));
    }
    return made;
}

}  // namespace iconnames

void setUpIconGrid(platform::CollectionView& grid, const std::shared_ptr<platform::CollectionViewDataSource>& dataSource,
                   const std::shared_ptr<platform::CollectionViewDelegate>& delegate, double side) {
    grid.setDelegate(delegate);
    grid.setDataSource(dataSource);
    grid.setSelectable(true);
    grid.setAllowsEmptySelection(false);
    grid.setAllowsMultipleSelection(false);
    // The grid sits in a clip view inside a scroll view.
    for (auto v = grid.superview(); v; v = v->superview()) {
        if (auto scroll = std::dynamic_pointer_cast<platform::ScrollView>(v)) {
            scroll->setBorderType(platform::BorderType::noBorder);
            break;
        }
    }
    grid.deselectAll();
    auto layout = std::make_shared<platform::CollectionViewFlowLayout>();
    layout->minimumInteritemSpacing = 10;
    layout->minimumLineSpacing = 10;
    layout->sectionInset = {10, 10, 10, 10};
    layout->itemSize = {side, side};
    grid.setCollectionViewLayout(layout);
}

void IconChoosePopupViewController::viewDidLoad() {
    auto grid = iconChooseCollectionView.lock();
    if (!grid) return;
    auto self = std::static_pointer_cast<IconChoosePopupViewController>(shared_from_this());
    setUpIconGrid(*grid, self, self, 24);
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
