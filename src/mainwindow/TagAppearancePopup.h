#pragma once
// What the sidebar's section popup and the Tags dialog's tag popup share:
// the content of a transient popover in which the user gives one tag an icon
// and a colour. Ten colour circles, a hue slider, a clear-colour and a
// default-icon button and a grid of every tag icon, tinted with the colour
// being chosen. Every choice is written to the tag at once; the tag
// announces a real change itself, the popup posts nothing.
//
// A subclass names the tag being edited and the image view that previews
// its symbol, and hears of each change it should follow up
// (tagAppearanceDidChange).

#include <array>
#include <memory>
#include <optional>
#include <set>

#include "drawing/DrawnViews.h"
#include "platform/appkit/CollectionView.h"
#include "platform/appkit/ViewController.h"
#include "platform/graphics/Color.h"
#include "store/IconTag.h"

namespace platform {
class ImageView;
class Popover;
}  // namespace platform

namespace frelt {

class ColorSlider;

class TagAppearancePopupViewController : public platform::ViewController,
                                         public ColorCircleDelegate,
                                         public platform::CollectionViewDataSource,
                                         public platform::CollectionViewDelegate {
public:
    // The circles' colours: red, green, blue, yellow, orange, pink, grey,
    // teal, brown, purple, from the desktop's palette.
    static const std::array<platform::Color, 10>& presetColors();

    // Registers the actions "btnClearColorClick:" and "onChangeColorSlider:".
    TagAppearancePopupViewController();

    // --- outlets
    std::weak_ptr<platform::CollectionView> iconChooseCollectionView;
    // colorCircle01 ... colorCircle10.
    std::array<std::weak_ptr<DrawnColorCircle>, 10> colorCircles;
    std::weak_ptr<ColorSlider> colorSlider;

    bool isVisible = false;
    // The popover showing this content (set by its manager).
    std::weak_ptr<platform::Popover> popover;
    // The colour being applied; none means no colour.
    std::optional<platform::Color> tintColor;

    // Makes `shownIn` show this content: not animated, transient, following
    // the desktop's appearance.
    void becomeContentOf(const std::shared_ptr<platform::Popover>& shownIn);

    // The tag being edited, if it (still) exists.
    virtual iconTag::Ptr editedTag() const = 0;
    // The view that shows the tag's symbol in the tint.
    virtual std::shared_ptr<platform::ImageView> symbolPreview() const = 0;

    // The grid set up with the sidebar's icon size, the circles told their
    // colours and this controller as their delegate.
    void viewDidLoad() override;

    // The tag takes the tint as its colour; the preview and the grid show it.
    void applyTintColor();
    // The colour of the slider, a circle, or none.
    void applySliderColor(ColorSlider& slider);
    void colorCircleSelected(const std::shared_ptr<DrawnColorCircle>& circle, const platform::Color& color) override;
    void clearColor();
    // The default symbol, and no colour.
    void resetToDefault();

    // --- the icon grid
    long numberOfSectionsInCollectionView(platform::CollectionView&) override { return 1; }
    long numberOfItemsInSection(platform::CollectionView& collectionView, long section) override;
    // The icon in the tint.
    std::shared_ptr<platform::CollectionViewItem> itemForRepresentedObjectAtIndexPath(
        platform::CollectionView& collectionView, const platform::IndexPath& indexPath) override;
    // The tag takes the chosen icon as its symbol and the tint as its colour.
    void didSelectItemsAtIndexPaths(platform::CollectionView& collectionView,
                                    const std::set<platform::IndexPath>& indexPaths) override;

protected:
    // After a choice changed the tag's look.
    virtual void tagAppearanceDidChange() {}
    // The preview of `symbol` in `tint`; none when no image has that name.
    void showSymbol(const std::string& symbol, const std::optional<platform::Color>& tint) const;
};

}  // namespace frelt
