#include "mainwindow/TagAppearancePopup.h"

#include "drawing/ImageHelpers.h"
#include "drawing/controls/ColorSlider.h"
#include "drawing/controls/IconChooser.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/Popover.h"
#include "store/SystemConfiguration.h"
#include "store/TagManager.h"

namespace frelt {

using platform::Color;

const std::array<Color, 10>& TagAppearancePopupViewController::presetColors() {
    auto system = [](const char* name, Color fallback) { return Color::named("System", name, fallback); };
    static const std::array<Color, 10> colors = {
        system("systemRedColor", Color::sRGB(1.0, 0.231, 0.188)),
        system("systemGreenColor", Color::sRGB(0.204, 0.780, 0.349)),
        system("systemBlueColor", Color::sRGB(0.0, 0.478, 1.0)),
        system("systemYellowColor", Color::sRGB(1.0, 0.8, 0.0)),
        system("systemOrangeColor", Color::sRGB(1.0, 0.584, 0.0)),
        system("systemPinkColor", Color::sRGB(1.0, 0.176, 0.333)),
        system("systemGrayColor", Color::sRGB(0.557, 0.557, 0.576)),
        system("systemTealColor", Color::sRGB(0.188, 0.690, 0.780)),
        system("systemBrownColor", Color::sRGB(0.635, 0.518, 0.369)),
        system("systemPurpleColor", Color::sRGB(0.686, 0.322, 0.871)),
    };
    return colors;
}

TagAppearancePopupViewController::TagAppearancePopupViewController() {
    registerAction("btnClearColorClick:", [this](const std::shared_ptr<platform::Object>&) { clearColor(); });
    registerAction("onChangeColorSlider:", [this](const std::shared_ptr<platform::Object>& sender) {
        if (auto slider = std::dynamic_pointer_cast<ColorSlider>(sender)) applySliderColor(*slider);
    });
}

void TagAppearancePopupViewController::becomeContentOf(const std::shared_ptr<platform::Popover>& shownIn) {
    shownIn->setAnimates(false);
    shownIn->setContentViewController(std::static_pointer_cast<platform::ViewController>(shared_from_this()));
    shownIn->setBehavior(platform::PopoverBehavior::transient);
    shownIn->setAppearance(std::nullopt);
    popover = shownIn;
}

void TagAppearancePopupViewController::viewDidLoad() {
    ViewController::viewDidLoad();
    auto self = std::static_pointer_cast<TagAppearancePopupViewController>(shared_from_this());
    if (auto grid = iconChooseCollectionView.lock())
        setUpIconGrid(*grid, self, self, SystemConfiguration::shared()->sidebarIconSize());
    for (std::size_t i = 0; i < colorCircles.size(); ++i) {
        if (auto circle = colorCircles[i].lock()) {
            circle->setDelegate(self);
            circle->setColor(presetColors()[i]);
        }
    }
}

void TagAppearancePopupViewController::showSymbol(const std::string& symbol,
                                                  const std::optional<Color>& tint) const {
    if (auto preview = symbolPreview()) preview->setImage(tinted(platform::Image::imageNamed(symbol), tint));
}

void TagAppearancePopupViewController::applyTintColor() {
    if (const auto tag = editedTag()) {
        tag->setColor(tintColor);
        showSymbol(tag->tagSymbol(), tintColor);
    }
    if (auto grid = iconChooseCollectionView.lock()) grid->reloadData();
}

void TagAppearancePopupViewController::applySliderColor(ColorSlider& slider) {
    tintColor = slider.currentColor();
    applyTintColor();
    tagAppearanceDidChange();
}

void TagAppearancePopupViewController::colorCircleSelected(const std::shared_ptr<DrawnColorCircle>&,
                                                           const Color& color) {
    tintColor = color;
    applyTintColor();
    tagAppearanceDidChange();
}

void TagAppearancePopupViewController::clearColor() {
    tintColor.reset();
    applyTintColor();
    tagAppearanceDidChange();
}

void TagAppearancePopupViewController::resetToDefault() {
    const auto tag = editedTag();
    if (!tag) return;
    tag->setTagSymbol(TagManager::defaultTag);
    tintColor.reset();
    applyTintColor();
    tagAppearanceDidChange();
}

long TagAppearancePopupViewController::numberOfItemsInSection(platform::CollectionView&, long) {
    return iconnames::numberOfItems();
}

std::shared_ptr<platform::CollectionViewItem> TagAppearancePopupViewController::itemForRepresentedObjectAtIndexPath(
    platform::CollectionView& collectionView, const platform::IndexPath& indexPath) {
    return iconnames::item(collectionView, indexPath, tintColor);
}

void TagAppearancePopupViewController::didSelectItemsAtIndexPaths(platform::CollectionView&,
                                                                  const std::set<platform::IndexPath>& indexPaths) {
    if (indexPaths.empty()) return;
    const auto tag = editedTag();
    if (!tag) return;
    const auto& names = TagManager::shared()->iconNames();
    const long index = indexPaths.begin()->item;
    if (index < 0 || static_cast<std::size_t>(index) >= names.size()) return;
    tag->setTagSymbol(names[static_cast<std::size_t>(index)]);
    tag->setColor(tintColor);
    showSymbol(tag->tagSymbol(), tintColor);
    tagAppearanceDidChange();
}

}  // namespace frelt
