#include "app/InterfaceResources.h"

#include "app/ShellScenes.h"

#include "drawing/DrawnViews.h"
#include "drawing/controls/ColorPopup.h"
#include "drawing/controls/ColorSlider.h"
#include "drawing/controls/IconChooser.h"
#include "mainwindow/sidebar/SidebarScenes.h"
#include "mainwindow/sidebar/SourceListItem.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/BezierPath.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/CollectionView.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/Layer.h"
#include "platform/appkit/Storyboard.h"
#include "platform/foundation/SingleInstance.h"
#include "settings/window/ConfigTabViewController_Settings.h"
#include "settings/dialogs/DialogScenes.h"
#include "store/TagManager.h"
#include "settings/panes/PaneScenes.h"

namespace frelt {

using platform::Color;
using platform::Rect;

std::shared_ptr<platform::Button> addButton(platform::View& parent, const std::string& title, Rect frame,
                                            const std::shared_ptr<platform::Object>& target, const char* action) {
    auto button = std::make_shared<platform::Button>(frame);
    button->setTitle(title);
    button->setTarget(target);
    button->setAction(action);
    parent.addSubview(button);
    return button;
}

void setUpPopupBackgroundPanel(platform::VisualEffectView& panel) {
    panel.setState(platform::VisualEffectState::active);
    panel.setHidden(false);
    panel.setAppearance(std::nullopt);
    panel.setMaterial(platform::VisualEffectMaterial::contentBackground);
    panel.setWantsLayer(true);
    if (auto layer = panel.layer()) layer->setCornerRadius(7.0);
}

// --- named colours

std::shared_ptr<NamedColors> NamedColors::shared() {
    return platform::singleInstance<NamedColors>([] { return std::make_shared<NamedColors>(); });
}

void NamedColors::registerColor(const std::string& name, const Color& light, const Color& dark) {
    colors_.insert_or_assign(name, Variants{light, dark});
}

void NamedColors::removeColor(const std::string& name) { colors_.erase(name); }

std::optional<Color> NamedColors::colorNamed(const std::string& name, const platform::AppearanceName& appearance) const {
    auto it = colors_.find(name);
    if (it == colors_.end()) return std::nullopt;
    return platform::appearance::isDark(appearance) ? it->second.dark : it->second.light;
}

std::optional<Color> NamedColors::colorNamed(const std::string& name) const {
    return colorNamed(name, platform::Application::shared()->effectiveAppearance());
}

// The eighteen preset colours of the colour popup, three rows of six.
const std::array<Color, 18>& presetColors() {
    static const std::array<Color, 18> colors = {
        Color::sRGB(0.92, 0.26, 0.24), Color::sRGB(0.96, 0.52, 0.16), Color::sRGB(0.98, 0.78, 0.18),
        Color::sRGB(0.45, 0.78, 0.27), Color::sRGB(0.16, 0.66, 0.56), Color::sRGB(0.20, 0.62, 0.90),
        Color::sRGB(0.25, 0.38, 0.85), Color::sRGB(0.52, 0.34, 0.84), Color::sRGB(0.85, 0.33, 0.68),
        Color::sRGB(0.62, 0.42, 0.27), Color::sRGB(0.55, 0.58, 0.60), Color::sRGB(0.30, 0.32, 0.35),
        Color::sRGB(0.98, 0.62, 0.60), Color::sRGB(0.99, 0.82, 0.58), Color::sRGB(0.75, 0.90, 0.62),
        Color::sRGB(0.62, 0.86, 0.96), Color::sRGB(0.78, 0.70, 0.95), Color::sRGB(0.96, 0.72, 0.86),
    };
    return colors;
}

namespace {

void layOutColorPopup(ColorPopupViewController& controller) {
    auto root = std::make_shared<platform::View>(Rect(0, 0, 252, 153));
    for (std::size_t i = 0; i < controller.colorCircles.size(); ++i) {
        const double x = 12 + static_cast<double>(i % 6) * 39, y = 10 + static_cast<double>(i / 6) * 36;
        auto circle = std::make_shared<DrawnColorCircle>(Rect(x, y, 30, 30));
        circle->setBordered(false);
        circle->setColor(presetColors()[i]);
        root->addSubview(circle);
        controller.colorCircles[i] = circle;
    }
    // The hue circle from 0 to 1.
    auto slider = std::make_shared<ColorSlider>(Rect(12, 120, 196, 24));
    slider->setMinValue(0);
    slider->setMaxValue(1);
    slider->setDoubleValue(0);
    root->addSubview(slider);
    controller.colorSlider = slider;

    auto clear = std::make_shared<DrawnButtonDelete>(Rect(222, 123, 18, 18));
    clear->setBordered(false);
    clear->setToolTip("Remove Colour");
    clear->setAction("clearColor_click:");
    clear->setTarget(controller.shared_from_this());
    root->addSubview(clear);
    controller.setView(root);
}

void layOutIconChooser(IconChoosePopupViewController& controller) {
    auto root = std::make_shared<platform::View>(Rect(0, 0, 236, 200));
    auto scroll = std::make_shared<platform::ScrollView>(Rect(0, 0, 236, 200));
    scroll->setBorderType(platform::BorderType::bezelBorder);
    auto grid = std::make_shared<platform::CollectionView>(Rect(0, 0, 236, 200));
    scroll->setDocumentView(grid);
    root->addSubview(scroll);
    controller.iconChooseCollectionView = grid;
    controller.setView(root);
}

void layOutTagIconItem(TagIconItem& item) {
    auto root = std::make_shared<platform::View>(Rect(0, 0, 24, 24));
    auto image = std::make_shared<platform::ImageView>(Rect(0, 0, 24, 24));
    image->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
    // The grids size their items (the tag popup to the sidebar's icon size):
    // the image fills the item, so its symbol is fitted, never cut.
    image->setAutoresizingMask(platform::autoresizing::widthSizable | platform::autoresizing::heightSizable);
    root->addSubview(image);
    item.tagImage = image;
    item.setImageView(image);
    item.setView(root);
}

// The entry cells' images, drawn in code: the tile behind a tag's symbol,
// the badge of a tag that launches its entries, and the dot of a running
// application (tinted by the cell when its row is selected).
void registerCellImages() {
    const auto images = platform::ImageRegistry::shared();
    auto add = [&](const std::string& name, platform::Size size, std::function<void(const Rect&)> draw) {
        auto image = platform::Image::imageWithSize(size, false, [draw = std::move(draw)](const Rect& r) {
            draw(r);
            return true;
        });
        images->registerImage(name, image);
    };
    add("tag_Background", {32, 32}, [](const Rect& r) {
        auto tile = platform::BezierPath::withRoundedRect(r.insetBy(1.5, 1.5), r.width() * 0.22, r.height() * 0.22);
        platform::setColor(Color::sRGB(0.80, 0.83, 0.88));
        tile.fill();
        platform::setColor(Color::sRGB(0.55, 0.60, 0.68));
        tile.setLineWidth(1);
        tile.stroke();
    });
    add("overlay_Execute", {16, 16}, [](const Rect& r) {
        platform::setColor(Color::sRGB(0.20, 0.66, 0.33));
        platform::BezierPath::withOvalInRect(r.insetBy(0.5, 0.5)).fill();
        platform::setColor(Color::white());
        const double w = r.width(), h = r.height();
        platform::BezierPath play;
        play.moveTo({r.minX() + w * 0.38, r.minY() + h * 0.28});
        play.lineTo({r.minX() + w * 0.74, r.minY() + h * 0.50});
        play.lineTo({r.minX() + w * 0.38, r.minY() + h * 0.72});
        play.closePath();
        play.fill();
    });
    add("status_AppActive", {8, 8}, [](const Rect& r) {
        platform::setColor(Color::sRGB(0.35, 0.37, 0.40));
        platform::BezierPath::withOvalInRect(r.insetBy(1, 1)).fill();
    });
}

}  // namespace

void registerInterfaceResources() {
    auto scenes = platform::SceneRegistry::shared();
    scenes->registerScene(ColorPopupViewController::storyboardName, ColorPopupViewController::sceneIdentifier,
                          [] { return makeSceneController<ColorPopupViewController>(layOutColorPopup); });
    scenes->registerScene(IconChoosePopupViewController::storyboardName, IconChoosePopupViewController::sceneIdentifier,
                          [] { return makeSceneController<IconChoosePopupViewController>(layOutIconChooser); });
    // A nib holds its item with the view already loaded.
    platform::Nib::registerNib(TagIconItem::nibName, [] {
        auto item = makeSceneController<TagIconItem>(layOutTagIconItem);
        item->loadViewIfNeeded();
        return item;
    });

    registerSidebarScenes();
    registerSettingsWindowScenes();

    NamedColors::shared()->registerColor("AppPath", Color::sRGB(0.45, 0.45, 0.48), Color::sRGB(0.62, 0.62, 0.66));

    registerShellScenes();
    registerDialogScenes();
    registerShellImages();
    registerSettingsPaneScenes();
    registerCellImages();
}

std::vector<std::string> interfaceImageNames() {
    std::vector<std::string> names = {"statusbar-1",    "statusbar-2",     "statusbar-3",     "statusbar-4",
                                      "tag_Background", "overlay_Execute", "status_AppActive", TagManager::defaultFolder};
    // The tag icons, "icon_tags" among them.
    for (const auto& icon : TagManager::shared()->iconNames()) names.push_back(icon);
    // The sidebar's categories ("icon_url" is a tag icon too).
    for (const auto type : sourceListItemContentTypes.allCases())
        if (const auto icon = SourceListItemFixedEntry::iconName(type); icon && *icon != "icon_url") names.push_back(*icon);
    return names;
}

std::vector<std::string> missingInterfaceImages() {
    std::vector<std::string> missing;
    for (const auto& name : interfaceImageNames())
        if (!platform::Image::imageNamed(name)) missing.push_back(name);
    return missing;
}

}  // namespace frelt
