#include "mainwindow/sidebar/SidebarScenes.h"

#include "app/InterfaceResources.h"
#include "drawing/DrawnViews.h"
#include "drawing/controls/ColorSlider.h"
#include "hotkeys/RecordView.h"
#include "mainwindow/TagTableViewPopup.h"
#include "mainwindow/sidebar/SectionViewPopup.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/CollectionView.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/TextField.h"

namespace frelt {

using platform::Rect;

namespace {

constexpr double popupWidth = 260;
constexpr double rowWidth = 240;

std::shared_ptr<platform::TextField> label(const Rect& frame, const std::string& text,
                                           std::optional<platform::Font> font = std::nullopt) {
    auto field = std::make_shared<platform::TextField>(frame);
    field->setEditable(false);
    field->setSelectable(false);
    field->setBordered(false);
    field->setBezeled(false);
    field->setDrawsBackground(false);
    field->setStringValue(text);
    if (font) field->setFont(font);
    return field;
}

std::shared_ptr<platform::Button> button(const Rect& frame, const std::string& title, const std::string& action,
                                         const std::shared_ptr<platform::Object>& target) {
    auto made = std::make_shared<platform::Button>(frame);
    made->setTitle(title);
    made->setBezelStyle(platform::BezelStyle::rounded);
    made->setAction(action);
    made->setTarget(target);
    return made;
}

// Ten circles in two rows of five; the controller gives them their colours.
void addColorCircles(platform::View& parent, double x, double y, TagAppearancePopupViewController& controller) {
    for (std::size_t i = 0; i < controller.colorCircles.size(); ++i) {
        auto circle = std::make_shared<DrawnColorCircle>(
            Rect(x + static_cast<double>(i % 5) * 34, y + static_cast<double>(i / 5) * 30, 24, 24));
        circle->setBordered(false);
        parent.addSubview(circle);
        controller.colorCircles[i] = circle;
    }
}

std::shared_ptr<DrawnButtonDelete> clearColorButton(const Rect& frame, TagAppearancePopupViewController& c) {
    auto clear = std::make_shared<DrawnButtonDelete>(frame);
    clear->setBordered(false);
    clear->setToolTip("Remove Colour");
    clear->setAction("btnClearColorClick:");
    clear->setTarget(c.shared_from_this());
    return clear;
}

// The hue circle from 0 to 1.
std::shared_ptr<ColorSlider> hueSlider(const Rect& frame, TagAppearancePopupViewController& controller) {
    auto slider = std::make_shared<ColorSlider>(frame);
    slider->setMinValue(0);
    slider->setMaxValue(1);
    slider->setDoubleValue(0);
    controller.colorSlider = slider;
    return slider;
}

std::shared_ptr<platform::ScrollView> iconGrid(const Rect& frame, TagAppearancePopupViewController& controller) {
    auto scroll = std::make_shared<platform::ScrollView>(frame);
    scroll->setBorderType(platform::BorderType::bezelBorder);
    auto grid = std::make_shared<platform::CollectionView>(Rect(0, 0, frame.width(), frame.height()));
    scroll->setDocumentView(grid);
    controller.iconChooseCollectionView = grid;
    return scroll;
}

std::shared_ptr<platform::View> row(double height) {
    return std::make_shared<platform::View>(Rect(0, 0, rowWidth, height));
}

// Rows from the top: name, colours, icons (hidden at first), hue, hotkeys,
// commands; 487 points high with every row shown.
void layOutSectionViewPopup(SectionViewPopupViewController& controller) {
    const auto self = controller.shared_from_this();
    auto root = std::make_shared<platform::View>(Rect(0, 0, popupWidth, SectionViewPopupViewController::fullHeight));
    const auto stretch = platform::autoresizing::widthSizable | platform::autoresizing::heightSizable;

    auto background = std::make_shared<platform::VisualEffectView>(root->bounds());
    background->setAutoresizingMask(stretch);
    root->addSubview(background);
    controller.backgroundPanel = background;

    auto stack = std::make_shared<platform::StackView>(root->bounds());
    stack->setOrientation(platform::UserInterfaceLayoutOrientation::vertical);
    stack->setAlignment(platform::LayoutAttribute::width);
    stack->setDistribution(platform::StackViewDistribution::gravityAreas);
    stack->setSpacing(8);
    stack->setEdgeInsets({4, 10, 3, 10});
    stack->setAutoresizingMask(stretch);
    root->addSubview(stack);
    controller.stackView = stack;

    auto title = row(44);
    auto symbol = std::make_shared<platform::ImageView>(Rect(0, 10, 24, 24));
    symbol->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
    auto name = label(Rect(32, 12, 140, 20), "", platform::Font::boldSystemFont(13));
    title->addSubview(symbol);
    title->addSubview(name);
    title->addSubview(button(Rect(176, 10, 64, 24), "Icon…", "btnChangeIconClick:", self));
    controller.imageTagSymbol = symbol;
    controller.lblTagName = name;

    auto colours = row(66);
    addColorCircles(*colours, 4, 4, controller);
    colours->addSubview(clearColorButton(Rect(214, 20, 18, 18), controller));

    auto icons = row(200);
    icons->addSubview(iconGrid(Rect(0, 0, rowWidth, 168), controller));
    icons->addSubview(button(Rect(0, 174, 110, 24), "Default Icon", "btnDefaultIconClick:", self));

    auto hue = row(30);
    hue->addSubview(hueSlider(Rect(0, 3, rowWidth, 24), controller));

    auto hotkeys = row(64);
    auto show = RecordView::make(Rect(96, 2, 144, 26));
    auto launch = RecordView::make(Rect(96, 34, 144, 26));
    hotkeys->addSubview(label(Rect(0, 6, 92, 18), "Show tag:"));
    hotkeys->addSubview(show);
    hotkeys->addSubview(label(Rect(0, 38, 92, 18), "Launch all:"));
    hotkeys->addSubview(launch);
    controller.hotkey = show;
    controller.hotkeyLaunchAll = launch;

    auto commands = row(36);
    commands->addSubview(button(Rect(0, 6, 115, 26), "Launch All", "btnLaunchAllClick:", self));
    commands->addSubview(button(Rect(125, 6, 115, 26), "Delete Tag", "btnDeleteTagClick:", self));

    for (const auto& view : {title, colours, icons, hue, hotkeys, commands}) stack->addArrangedSubview(view);
    controller.setView(root);
}

void layOutTagTableViewPopup(TagTableViewPopupViewController& controller) {
    auto root = std::make_shared<platform::View>(Rect(0, 0, popupWidth, 330));
    auto preview = std::make_shared<platform::ImageView>(Rect(10, 14, 32, 32));
    preview->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
    root->addSubview(preview);
    controller.imagePreview = preview;
    addColorCircles(*root, 54, 8, controller);
    root->addSubview(clearColorButton(Rect(232, 22, 18, 18), controller));
    root->addSubview(hueSlider(Rect(10, 70, rowWidth, 24), controller));
    root->addSubview(iconGrid(Rect(10, 102, rowWidth, 186), controller));
    root->addSubview(button(Rect(10, 296, 110, 24), "Default", "btnDefaultClick:", controller.shared_from_this()));
    controller.setView(root);
}

}  // namespace

void registerSidebarScenes() {
    auto scenes = platform::SceneRegistry::shared();
    scenes->registerScene(SectionViewPopupViewController::storyboardName, SectionViewPopupViewController::sceneIdentifier,
                          [] { return makeSceneController<SectionViewPopupViewController>(layOutSectionViewPopup); });
    scenes->registerScene(TagTableViewPopupViewController::storyboardName,
                          TagTableViewPopupViewController::sceneIdentifier,
                          [] { return makeSceneController<TagTableViewPopupViewController>(layOutTagTableViewPopup); });
}

}  // namespace frelt
