#include "settings/config/ConfigScenes.h"

#include "app/InterfaceResources.h"
#include "drawing/DrawnViews.h"
#include "drawing/controls/ColorSlider.h"
#include "drawing/controls/CustomTextField.h"
#include "drawing/controls/CustomTokenField.h"
#include "hotkeys/RecordView.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/Window.h"
#include "settings/ConfigCells.h"
#include "settings/config/ConfigSearchField.h"
#include "settings/config/ConfigViewControllerContent.h"
#include "settings/config/ConfigViewControllerSidebar.h"
#include "settings/config/ConfigWindowController.h"

namespace frelt {

using platform::Font;
using platform::Rect;
using namespace platform::autoresizing;

namespace {

constexpr double windowWidth = 1200;
constexpr double windowHeight = 640;
constexpr double inspectorWidth = 260;
constexpr double headerHeight = 24;

std::shared_ptr<platform::TextField> caption(platform::View& parent, const std::string& text, Rect frame,
                                             double size = 11) {
    auto field = platform::TextField::label(text);
    field->setFrame(frame);
    field->setFont(Font::systemFont(size));
    parent.addSubview(field);
    return field;
}

// --- cells

std::shared_ptr<platform::View> makeEntryCell() {
    auto cell = std::make_shared<TableViewCellConfigEntry>(Rect(0, 0, 340, 40));
    auto image = std::make_shared<platform::ImageView>(Rect(6, 4, 32, 32));
    image->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
    cell->addSubview(image);
    auto name = platform::TextField::label("");
    name->setFrame(Rect(46, 3, 220, 18));
    name->setFont(Font::systemFont(13));
    name->setAutoresizingMask(widthSizable);
    cell->addSubview(name);
    auto path = platform::TextField::label("");
    path->setFrame(Rect(46, 21, 220, 16));
    path->setFont(Font::systemFont(10));
    path->setTextColor(platform::Color::named("System", "secondaryLabelColor", platform::Color::calibratedWhite(0.5)));
    path->setAutoresizingMask(widthSizable);
    cell->addSubview(path);
    const auto target = cell->shared_from_this();
    auto visible = platform::Button::checkbox("");
    visible->setFrame(Rect(272, 11, 18, 18));
    visible->setToolTip("Show in the list");
    visible->setTarget(target);
    visible->setAction("visibleCheckbox_click:");
    visible->setAutoresizingMask(minXMargin);
    cell->addSubview(visible);
    auto remove = std::make_shared<DrawnButtonDelete>(Rect(272, 11, 18, 18));
    remove->setBordered(false);
    remove->setToolTip("Remove");
    remove->setTarget(target);
    remove->setAction("removeButton_click:");
    remove->setAutoresizingMask(minXMargin);
    cell->addSubview(remove);
    auto indicator = std::make_shared<platform::Box>(Rect(304, 12, 16, 16));
    indicator->setBoxType(platform::BoxType::custom);
    indicator->setCornerRadius(8);
    indicator->setBorderWidth(1);
    indicator->setBorderColor(platform::Color::calibratedWhite(0.6));
    indicator->setAutoresizingMask(minXMargin);
    cell->addSubview(indicator);
    auto color = std::make_shared<platform::Button>(Rect(300, 8, 24, 24));
    color->setBordered(false);
    color->setTransparent(true);
    color->setToolTip("Colour");
    color->setTarget(target);
    color->setAction("colorButton_click:");
    color->setAutoresizingMask(minXMargin);
    cell->addSubview(color);
    cell->displayname = name;
    cell->image = image;
    cell->setImageView(image);
    cell->setTextField(name);
    cell->path = path;
    cell->visibleCheckbox = visible;
    cell->removeButton = remove;
    cell->colorIndicator = indicator;
    cell->colorButton = color;
    return cell;
}

std::shared_ptr<platform::View> makeTagsCell() {
    auto cell = std::make_shared<TableViewCellConfigTags>(Rect(0, 0, 240, 40));
    auto tokens = std::make_shared<CustomTokenField>(Rect(4, 8, 204, 24));
    tokens->setAutoresizingMask(widthSizable);
    tokens->setPlaceholderString("Tags");
    cell->addSubview(tokens);
    auto star = std::make_shared<DrawnCheckBoxFavorite>(Rect(214, 10, 20, 20));
    star->setBordered(false);
    star->setToolTip("Favourite");
    star->setTarget(cell->shared_from_this());
    star->setAction("checkboxFavoriteClick:");
    star->setAutoresizingMask(minXMargin);
    cell->addSubview(star);
    cell->tokenField = tokens;
    cell->checkboxFavorite = star;
    return cell;
}

std::shared_ptr<platform::View> makeHotkeyCell() {
    auto cell = std::make_shared<TableViewCellConfigHotkey>(Rect(0, 0, 160, 40));
    auto recorder = RecordView::make(Rect(6, 8, 148, 24));
    recorder->setAutoresizingMask(widthSizable);
    cell->addSubview(recorder);
    cell->hotkey = recorder;
    return cell;
}

std::shared_ptr<platform::View> makeCommentCell() {
    auto cell = std::make_shared<TableViewCellConfigComment>(Rect(0, 0, 240, 40));
    auto field = std::make_shared<CustomTextFieldForEditingComment>(Rect(4, 8, 232, 24));
    field->setAutoresizingMask(widthSizable);
    field->setPlaceholderString("Comment");
    cell->addSubview(field);
    cell->setUpCommentField(field);
    return cell;
}

// --- entry table

void layOutContent(ConfigViewControllerContent& controller) {
    const double width = windowWidth - inspectorWidth, height = windowHeight - ConfigSplitViewController::toolbarHeight;
    auto root = std::make_shared<platform::View>(Rect(0, 0, width, height));
    auto table = std::make_shared<ConfigTableView>(Rect(0, 0, width, height - headerHeight));
    table->setAllowsMultipleSelection(true);
    table->setRowHeight(ConfigViewControllerContent::rowHeight);
    struct Column {
        const char* identifier;
        const char* title;
        const char* sortKey;
        double width;
    };
    for (const Column& c : {Column{"column_Entry", "Entry", "application", 340},
                            Column{"column_Tags", "Tags", "tags", 220}, Column{"column_Hotkey", "Hotkey", "hotkey", 160},
                            Column{"column_Comment", "Comment", "comment", 220}}) {
        auto column = std::make_shared<platform::TableColumn>(c.identifier);
        column->setTitle(c.title);
        column->setWidth(c.width);
        column->setSortDescriptorPrototype(platform::SortDescriptor(c.sortKey, true));
        table->addTableColumn(column);
    }
    table->registerViewFactory(TableViewCellConfigEntry::identifier, makeEntryCell);
    table->registerViewFactory(TableViewCellConfigTags::identifier, makeTagsCell);
    table->registerViewFactory(TableViewCellConfigHotkey::identifier, makeHotkeyCell);
    table->registerViewFactory(TableViewCellConfigComment::identifier, makeCommentCell);
    // The headers sit above the scrolled rows.
    auto header = std::make_shared<platform::TableHeaderView>(Rect(0, 0, width, headerHeight));
    header->setAutoresizingMask(widthSizable);
    table->setHeaderView(header);
    root->addSubview(header);
    auto scroll = std::make_shared<platform::ScrollView>(Rect(0, headerHeight, width, height - headerHeight));
    scroll->setAutoresizingMask(widthSizable | heightSizable);
    scroll->setHasVerticalScroller(true);
    scroll->setDocumentView(table);
    root->addSubview(scroll);
    controller.dataTableView = table;
    controller.setView(root);
}

// --- selection inspector

void layOutInspector(ConfigViewControllerSidebar& controller) {
    const double height = windowHeight - ConfigSplitViewController::toolbarHeight;
    auto root = std::make_shared<platform::View>(Rect(0, 0, inspectorWidth, height));
    const auto target = controller.shared_from_this();
    caption(*root, "Selected entries", Rect(14, 12, 232, 20), 13)->setFont(Font::boldSystemFont(13));

    caption(*root, "Tags", Rect(14, 44, 232, 16));
    auto tokens = std::make_shared<CustomTokenField>(Rect(14, 62, 232, 24));
    tokens->setPlaceholderString("Tags of all selected entries");
    root->addSubview(tokens);
    controller.modifyToken = tokens;

    caption(*root, "Comment", Rect(14, 96, 232, 16));
    auto comment = std::make_shared<CustomTextField>(Rect(14, 114, 232, 24));
    comment->setPlaceholderString("Comment of all selected entries");
    root->addSubview(comment);
    controller.modifyComment = comment;

    caption(*root, "Colour", Rect(14, 150, 232, 16));
    for (std::size_t i = 0; i < controller.colorCircles.size(); ++i) {
        const double x = 14 + static_cast<double>(i % 6) * 38, y = 170 + static_cast<double>(i / 6) * 34;
        auto circle = std::make_shared<DrawnColorCircle>(Rect(x, y, 28, 28));
        circle->setBordered(false);
        circle->setColor(presetColors()[i]);
        root->addSubview(circle);
        controller.colorCircles[i] = circle;
    }
    auto slider = std::make_shared<ColorSlider>(Rect(14, 276, 200, 24));
    slider->setMinValue(0);
    slider->setMaxValue(1);
    slider->setDoubleValue(0);
    root->addSubview(slider);
    controller.colorSlider = slider;
    auto clear = std::make_shared<DrawnButtonDelete>(Rect(224, 279, 18, 18));
    clear->setBordered(false);
    clear->setToolTip("Remove Colour");
    clear->setTarget(target);
    clear->setAction("clearColorClick:");
    root->addSubview(clear);

    caption(*root, "Visibility", Rect(14, 314, 232, 16));
    addButton(*root, "Show", Rect(14, 334, 112, 28), target, "setToVisibleClick:");
    addButton(*root, "Hide", Rect(134, 334, 112, 28), target, "setToInvisibleClick:");
    controller.setView(root);
}

// --- window

std::shared_ptr<platform::View> makeToolbar(ConfigWindowController& controller) {
    auto bar = std::make_shared<platform::View>(Rect(0, 0, windowWidth, ConfigSplitViewController::toolbarHeight));
    const auto target = controller.shared_from_this();
    double x = 10;
    auto button = [&](const char* title, double width, const char* action, const char* tip) {
        auto b = addButton(*bar, title, Rect(x, 8, width, 28), target, action);
        b->setToolTip(tip);
        x += width + 6;
        return b;
    };
    button("Add Link", 84, "configAddURL:", "Add a link");
    button("Add File", 84, "configAddExternalObject:", "Add a file or folder");
    button("Tags", 64, "configModifyTags:", "Edit the tags");
    x += 10;
    button("Export", 70, "configExportData:", "Export all data");
    button("CSV", 56, "configExportDataAsCSV:", "Export the list as CSV");
    button("Import", 70, "configImportData:", "Import data");
    x += 10;

    auto type = std::make_shared<platform::PopUpButton>(Rect(x, 8, 130, 28));
    type->setTarget(target);
    type->setAction("configFilterPopupButton:");
    bar->addSubview(type);
    x += 136;
    auto active = std::make_shared<platform::PopUpButton>(Rect(x, 8, 130, 28));
    active->setTarget(target);
    active->setAction("configActivePopupButton:");
    bar->addSubview(active);
    x += 146;

    auto search = std::make_shared<ConfigSearchField>(Rect(x, 8, windowWidth - x - 56, 28));
    search->setAutoresizingMask(widthSizable);
    bar->addSubview(search);
    auto sidebar = addButton(*bar, "Pane", Rect(windowWidth - 50, 8, 42, 28), target, "showSidebar:");
    sidebar->setToolTip("Show or hide the side pane");
    sidebar->setAutoresizingMask(minXMargin);

    controller.filterPopupButton = type;
    controller.activePopupButton = active;
    controller.searchField = search;
    return bar;
}

std::shared_ptr<platform::Object> makeConfigWindowController() {
    auto window = std::make_shared<platform::Window>(
        Rect(0, 0, windowWidth, windowHeight), platform::stylemask::titled | platform::stylemask::closable |
                                                   platform::stylemask::miniaturizable |
                                                   platform::stylemask::resizable);
    window->setTitle("Configuration");
    // Given its window after construction, the controller hears
    // windowDidLoad once the scene is loaded, as the toolbar needs.
    auto controller = std::make_shared<ConfigWindowController>();
    controller->setWindow(window);
    controller->connectWindow();
    auto split = instantiateScene<ConfigSplitViewController>(storyboardname::configData, "ConfigViewController");
    if (split) {
        split->toolbarView = makeToolbar(*controller);
        controller->setContentViewController(split);
    }
    window->center();
    return controller;
}

std::shared_ptr<platform::Object> makeConfigSplitViewController() {
    auto split = std::make_shared<ConfigSplitViewController>();
    split->setPreferredContentSize({windowWidth, windowHeight});
    auto content = instantiateScene<ConfigViewControllerContent>(storyboardname::configData,
                                                                 ConfigViewControllerContent::sceneIdentifier);
    if (content) split->addSplitViewItem(platform::SplitViewItem::splitViewItemWithViewController(content));
    auto inspector = instantiateScene<ConfigViewControllerSidebar>(storyboardname::configData,
                                                                   ConfigViewControllerSidebar::sceneIdentifier);
    if (inspector) {
        auto item = platform::SplitViewItem::splitViewItemWithViewController(inspector);
        item->setCanCollapse(true);
        item->setMaximumThickness(inspectorWidth);
        item->setMinimumThickness(inspectorWidth);
        split->addSplitViewItem(item);
    }
    return split;
}

}  // namespace

void registerConfigScenes() {
    auto scenes = platform::SceneRegistry::shared();
    const std::string board = storyboardname::configData;
    scenes->registerScene(board, "ConfigWindowController", makeConfigWindowController);
    scenes->registerScene(board, "ConfigViewController", makeConfigSplitViewController);
    scenes->registerScene(board, ConfigViewControllerContent::sceneIdentifier,
                          [] { return makeSceneController<ConfigViewControllerContent>(layOutContent); });
    scenes->registerScene(board, ConfigViewControllerSidebar::sceneIdentifier,
                          [] { return makeSceneController<ConfigViewControllerSidebar>(layOutInspector); });
}

}  // namespace frelt
