#include "mainwindow/MainWindowScenes.h"

#include <array>
#include <string>

#include "app/InterfaceResources.h"
#include "drawing/DrawnViews.h"
#include "drawing/controls/ColorSlider.h"
#include "drawing/controls/CustomTextField.h"
#include "drawing/controls/CustomTokenField.h"
#include "hotkeys/RecordView.h"
#include "mainwindow/MainOutlineView.h"
#include "mainwindow/MainSearchField.h"
#include "mainwindow/MainSplitView.h"
#include "mainwindow/MainTableView.h"
#include "mainwindow/MainViewController.h"
#include "mainwindow/MainViewDraggingDestination.h"
#include "mainwindow/TableViewCellMainWindow.h"
#include "mainwindow/TableViewPopup.h"
#include "mainwindow/TableViewRowMainWindow.h"
#include "platform/appkit/BezierPath.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/TextField.h"
#include "store/Configuration.h"

namespace frelt {

using platform::autoresizing::heightSizable;
using platform::autoresizing::maxYMargin;
using platform::autoresizing::minXMargin;
using platform::autoresizing::widthSizable;
using platform::Color;
using platform::Font;
using platform::Rect;

namespace {

// --- the main view

constexpr double mainWidth = 700, mainHeight = 500;
// The search strip above the entries, and the label for handed-in files.
constexpr double searchStripHeight = 52, serviceLabelHeight = 22;

std::shared_ptr<TableViewCellMainWindow> makeEntryCell(bool small) {
    const double height = small ? MainTableView::smallRowHeight : MainTableView::defaultRowHeight;
    auto cell = std::make_shared<TableViewCellMainWindow>(Rect(0, 0, 480, height));
    auto image = std::make_shared<platform::ImageView>();
    image->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
    auto overlay = std::make_shared<platform::ImageView>();
    overlay->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
    auto badge = std::make_shared<platform::ImageView>();
    badge->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
    auto name = std::make_shared<EntryCellTextField>();
    name->setFont(Font::systemFont(small ? 13 : 14));
    auto line = std::make_shared<EntryCellTextField>();
    line->setFont(Font::systemFont(small ? 11 : 12));
    auto hotkey = std::make_shared<platform::Button>();
    hotkey->setBezelStyle(platform::BezelStyle::roundRect);
    hotkey->setFont(Font::systemFont(small ? 11 : 12));
    hotkey->setRefusesFirstResponder(true);
    hotkey->setHidden(true);
    auto indicator = std::make_shared<platform::ImageView>();
    indicator->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
    indicator->setHidden(true);
    for (const std::shared_ptr<platform::View>& view : {std::shared_ptr<platform::View>(image), std::shared_ptr<platform::View>(overlay),
                                                      std::shared_ptr<platform::View>(badge), std::shared_ptr<platform::View>(indicator),
                                                      std::shared_ptr<platform::View>(name), std::shared_ptr<platform::View>(line),
                                                      std::shared_ptr<platform::View>(hotkey)})
        cell->addSubview(view);
    cell->image = image;
    cell->imageOverlay = overlay;
    cell->imageBadge = badge;
    cell->displayname = name;
    cell->path = line;
    cell->hotkey = hotkey;
    cell->activeIndicator = indicator;
    cell->setTextField(name);
    cell->setImageView(image);
    cell->layout();
    return cell;
}

}  // namespace

void layOutMainView(MainViewController& controller) {
    // The background takes files dropped outside the table and the sidebar.
    auto root = std::make_shared<MainViewDraggingDestination>(Rect(0, 0, mainWidth, mainHeight));
    root->setAutoresizesSubviews(true);

    auto split = std::make_shared<MainSplitView>(Rect(0, 0, mainWidth, mainHeight));
    split->setAutoresizingMask(widthSizable | heightSizable);
    root->addSubview(split);

    // Left: the sidebar.
    const double sidebarWidth = 200;
    auto left = std::make_shared<platform::View>(Rect(0, 0, sidebarWidth, mainHeight));
    auto leftTop = std::make_shared<platform::Box>(Rect(0, 0, sidebarWidth, searchStripHeight));
    leftTop->setBoxType(platform::BoxType::custom);
    leftTop->setTransparent(true);
    leftTop->setAutoresizingMask(widthSizable);
    left->addSubview(leftTop);
    auto leftScroll = std::make_shared<platform::ScrollView>(
        Rect(0, searchStripHeight, sidebarWidth, mainHeight - searchStripHeight));
    leftScroll->setAutoresizingMask(widthSizable | heightSizable);
    leftScroll->setHasVerticalScroller(true);
    auto outline = std::make_shared<MainOutlineView>(Rect(0, 0, sidebarWidth, mainHeight - searchStripHeight));
    outline->addTableColumn(std::make_shared<platform::TableColumn>("SidebarColumn"));
    outline->tableColumns().front()->setWidth(100);
    leftScroll->setDocumentView(outline);
    left->addSubview(leftScroll);
    split->addSubview(left);

    // Right: the search strip and the entries on a translucent panel.
    const double rightWidth = mainWidth - sidebarWidth;
    auto right = std::make_shared<platform::View>(Rect(sidebarWidth, 0, rightWidth, mainHeight));
    auto effect = std::make_shared<platform::VisualEffectView>(Rect(0, 0, rightWidth, mainHeight));
    effect->setAutoresizingMask(widthSizable | heightSizable);
    right->addSubview(effect);

    auto rightTop = std::make_shared<platform::Box>(Rect(0, 0, rightWidth, searchStripHeight));
    rightTop->setBoxType(platform::BoxType::custom);
    rightTop->setAutoresizingMask(widthSizable);
    right->addSubview(rightTop);

    auto search = std::make_shared<MainSearchField>(Rect(14, 12, rightWidth - 14 - 52, 28));
    search->setAutoresizingMask(widthSizable);
    search->setFont(Font::systemFont(14));
    search->setPlaceholderString("Search");
    search->setTarget(controller.shared_from_this());
    search->setAction("searchCellAction:");
    right->addSubview(search);

    auto menu = std::make_shared<DrawnButtonMenu>(Rect(rightWidth - 44, 12, 28, 28));
    menu->setBordered(false);
    menu->setAutoresizingMask(minXMargin);
    menu->setToolTip("Menu");
    right->addSubview(menu);

    // Under the search strip; while it shows, the entries start below it
    // (MainViewController moves them).
    auto label = platform::TextField::label("");
    label->setFrame(Rect(16, searchStripHeight, rightWidth - 32, serviceLabelHeight));
    label->setFont(Font::systemFont(12));
    label->setAutoresizingMask(widthSizable);
    label->setHidden(true);
    right->addSubview(label);

    auto rightScroll = std::make_shared<platform::ScrollView>(
        Rect(0, searchStripHeight, rightWidth, mainHeight - searchStripHeight));
    rightScroll->setAutoresizingMask(widthSizable | heightSizable);
    rightScroll->setHasVerticalScroller(true);
    auto table = std::make_shared<MainTableView>(Rect(0, 0, rightWidth, mainHeight - searchStripHeight));
    // The one column takes the table's width, whatever the window's.
    auto column = std::make_shared<platform::TableColumn>("EntryColumn");
    column->setWidth(200);
    table->addTableColumn(column);
    table->setHeaderView(nullptr);
    table->registerViewFactory(TableViewCellMainWindow::identifierDefault, [] { return makeEntryCell(false); });
    table->registerViewFactory(TableViewCellMainWindow::identifierSmall, [] { return makeEntryCell(true); });
    table->registerViewFactory(TableViewRowMainWindow::identifier,
                               [] { return std::make_shared<TableViewRowMainWindow>(); });
    rightScroll->setDocumentView(table);
    right->addSubview(rightScroll);
    split->addSubview(right);

    controller.setView(root);
    controller.mainDraggingDestination = root;
    controller.mainTableView = table;
    controller.sectionView = outline;
    controller.searchField = search;
    controller.searchFieldCell = std::dynamic_pointer_cast<MainSearchFieldCell>(search->cell());
    controller.leftTopBox = leftTop;
    controller.rightTopBox = rightTop;
    controller.rightVisualEffectsView = effect;
    controller.lblServiceManager = label;
    controller.viewMenu = menu;
    controller.mainSplitView = split;
    controller.leftScrollView = leftScroll;
    controller.rightScrollView = rightScroll;
}

namespace {

// --- the entry popup

constexpr std::array<std::array<double, 3>, 18> popupColors = {{
    {0.92, 0.26, 0.24}, {0.96, 0.52, 0.16}, {0.98, 0.78, 0.18}, {0.45, 0.78, 0.27}, {0.16, 0.66, 0.56},
    {0.20, 0.62, 0.90}, {0.25, 0.38, 0.85}, {0.52, 0.34, 0.84}, {0.85, 0.33, 0.68}, {0.62, 0.42, 0.27},
    {0.55, 0.58, 0.60}, {0.30, 0.32, 0.35}, {0.98, 0.62, 0.60}, {0.99, 0.82, 0.58}, {0.75, 0.90, 0.62},
    {0.62, 0.86, 0.96}, {0.78, 0.70, 0.95}, {0.96, 0.72, 0.86},
}};

void layOutEntryPopup(TableViewPopupViewController& controller) {
    const double width = 560, height = 300;
    auto root = std::make_shared<platform::View>(Rect(0, 0, width, height));
    const auto target = controller.shared_from_this();

    // Left: what the entry is.
    auto panel = std::make_shared<platform::VisualEffectView>(Rect(10, 10, 190, height - 20));
    root->addSubview(panel);
    auto preview = std::make_shared<DrawnMainViewBackground>(Rect(10, 10, 190, height - 20));
    preview->setHidden(true);
    root->addSubview(preview);
    auto icon = std::make_shared<platform::ImageView>(Rect(73, 30, 64, 64));
    icon->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
    root->addSubview(icon);
    auto name = platform::TextField::label("");
    name->setFrame(Rect(20, 104, 170, 22));
    name->setFont(Font::boldSystemFont(14));
    name->setAlignment(platform::TextAlignment::Center);
    root->addSubview(name);
    auto path = platform::TextField::label("");
    path->setFrame(Rect(20, 128, 170, 54));
    path->setFont(Font::systemFont(11));
    path->setAlignment(platform::TextAlignment::Center);
    path->setMaximumNumberOfLines(3);
    path->setSelectable(true);
    root->addSubview(path);
    auto favorite = std::make_shared<DrawnCheckBoxFavorite>(Rect(93, 190, 24, 24));
    favorite->setBordered(false);
    favorite->setToolTip("Favourite");
    favorite->setTarget(target);
    favorite->setAction("checkboxFavoriteClick:");
    root->addSubview(favorite);
    auto button = [&](const char* title, Rect frame, const char* action) {
        return addButton(*root, title, frame, target, action);
    };
    auto hide = button("Hide", Rect(16, 224, 88, 26), "btnHideClick:");
    auto remove = button("Delete", Rect(106, 224, 88, 26), "btnDeleteClick:");
    auto reveal = button("Open Folder", Rect(16, 256, 88, 26), "btnShowInFinderClick:");
    auto modify = button("Edit Link", Rect(106, 256, 88, 26), "btnModifyURLClick:");

    // Right: what the user edits.
    auto caption = [&](const char* text, double y) {
        auto l = platform::TextField::label(text);
        l->setFrame(Rect(216, y, 330, 16));
        l->setFont(Font::systemFont(11));
        root->addSubview(l);
    };
    caption("Comment", 12);
    auto comment = std::make_shared<CustomTextField>(Rect(216, 30, 330, 24));
    comment->setPlaceholderString("A comment shown below the name");
    root->addSubview(comment);
    caption("Tags", 62);
    auto tags = std::make_shared<CustomTokenField>(Rect(216, 80, 330, 24));
    tags->setPlaceholderString("Tags, separated by commas");
    root->addSubview(tags);
    caption("Hotkey", 112);
    auto recorder = std::make_shared<RecordView>(Rect(216, 130, 160, 26));
    root->addSubview(recorder);
    caption("Colour", 166);
    std::array<std::weak_ptr<DrawnColorCircle>, 18> circles;
    for (std::size_t i = 0; i < popupColors.size(); ++i) {
        const double x = 216 + static_cast<double>(i % 9) * 36, y = 186 + static_cast<double>(i / 9) * 34;
        auto circle = std::make_shared<DrawnColorCircle>(Rect(x, y, 28, 28));
        circle->setBordered(false);
        circle->setColor(Color::sRGB(popupColors[i][0], popupColors[i][1], popupColors[i][2]));
        root->addSubview(circle);
        circles[i] = circle;
    }
    auto slider = std::make_shared<ColorSlider>(Rect(216, 258, 290, 24));
    slider->setMinValue(0);
    slider->setMaxValue(1);
    slider->setDoubleValue(0);
    root->addSubview(slider);
    auto clear = std::make_shared<DrawnButtonDelete>(Rect(522, 261, 18, 18));
    clear->setBordered(false);
    clear->setToolTip("Remove Colour");
    clear->setTarget(target);
    clear->setAction("btnClearColorClick:");
    root->addSubview(clear);

    controller.setView(root);
    controller.setPreferredContentSize({width, height});
    controller.appName = name;
    controller.appPath = path;
    controller.appImage = icon;
    controller.comment = comment;
    controller.tags = tags;
    controller.btnHide = hide;
    controller.btnShowInFinder = reveal;
    controller.btnDelete = remove;
    controller.btnModifyURL = modify;
    controller.hotkey = recorder;
    controller.checkboxFavorite = favorite;
    controller.backgroundPreview = preview;
    controller.colorCircles = circles;
    controller.colorSlider = slider;
    controller.backgroundPanelLeft = panel;
}

}  // namespace

void registerMainWindowScenes() {
    auto scenes = platform::SceneRegistry::shared();
    scenes->registerScene(storyboardname::main, TableViewPopupViewController::sceneIdentifier,
                          [] { return makeSceneController<TableViewPopupViewController>(layOutEntryPopup); });
}

}  // namespace frelt
