#pragma once
// The grid of tag icons. A tag's icon is one of the image names the tag
// registry lists (TagManager::iconNames); these pieces show that set:
// TagIconItem shows one icon (from the nib "TagIconItem"),
// IconChooseCollectionView can be its own data source over the names,
// IconChoosePopupViewController is a popover content with the grid (scene
// "Main"/"IconChoosePopupViewController"), and IconChooseButton opens that
// popover below itself. Choosing an icon in this grid changes nothing else:
// the popups that embed such grids handle the choice themselves.

#include <memory>
#include <optional>
#include <string>

#include "platform/appkit/Button.h"
#include "platform/appkit/CollectionView.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/ViewController.h"

namespace platform {
class Popover;
}

namespace frelt {

class TagIconItem : public platform::CollectionViewItem {
public:
    static constexpr const char* nibName = "TagIconItem";

    std::weak_ptr<platform::ImageView> tagImage;

    const std::optional<std::string>& imageName() const { return imageName_; }
    // Once the view is loaded, the image view shows the image of that name
    // (none for an unknown name or no name); before, only the name is kept.
    void setImageName(std::optional<std::string> name);

private:
    std::optional<std::string> imageName_;
};

// The data source over the registry's icon names that the grid classes share.
namespace iconnames {
long numberOfItems();
std::shared_ptr<platform::CollectionViewItem> item(platform::CollectionView& collectionView,
                                                    const platform::IndexPath& indexPath);
}  // namespace iconnames

class IconChooseCollectionView : public platform::CollectionView, public platform::CollectionViewDataSource {
public:
    using CollectionView::CollectionView;
    using CollectionView::numberOfItemsInSection;

    long numberOfSectionsInCollectionView(platform::CollectionView&) override { return 1; }
    long numberOfItemsInSection(platform::CollectionView&, long) override { return iconnames::numberOfItems(); }
    std::shared_ptr<platform::CollectionViewItem> itemForRepresentedObjectAtIndexPath(
        platform::CollectionView& collectionView, const platform::IndexPath& indexPath) override {
        return iconnames::item(collectionView, indexPath);
    }
};

class IconChoosePopupViewController : public platform::ViewController,
                                      public platform::CollectionViewDataSource,
                                      public platform::CollectionViewDelegate {
public:
    static constexpr const char* storyboardName = "Main";
    static constexpr const char* sceneIdentifier = "IconChoosePopupViewController";

    const std::string tagIconItemIdentifier = "photoItemIdentifier";
    std::weak_ptr<platform::CollectionView> iconChooseCollectionView;

    // Makes the grid selectable (one icon, never none), this controller its
    // data source and delegate, takes its scroll view's border away and lays
    // it out in 24-point items 10 apart.
    void viewDidLoad() override;
    void viewWillAppear() override {}
    void viewWillDisappear() override {}

    long numberOfSectionsInCollectionView(platform::CollectionView&) override { return 1; }
    long numberOfItemsInSection(platform::CollectionView&, long) override { return iconnames::numberOfItems(); }
    std::shared_ptr<platform::CollectionViewItem> itemForRepresentedObjectAtIndexPath(
        platform::CollectionView& collectionView, const platform::IndexPath& indexPath) override {
        return iconnames::item(collectionView, indexPath);
    }
};

class IconChooseButton : public platform::Button {
public:
    explicit IconChooseButton(platform::Rect frame = {});

    bool isInitialized = false;
    const std::shared_ptr<platform::Popover> iconChoosePopover;
    // Made from the scene on first use; none when it cannot be made.
    std::shared_ptr<IconChoosePopupViewController> iconChoosePopupViewController();

    // Shows the grid below the button (the first click sets the popover up);
    // sends no action.
    void mouseDown(const platform::Event& event) override;
    void setupPopover();

private:
    std::optional<std::shared_ptr<IconChoosePopupViewController>> controller_;
};

}  // namespace frelt
