#include "settings/panes/PaneScenes.h"

#include <string>

#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "platform/appkit/BezierPath.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/Window.h"
#include "settings/panes/ConfigViewControllerAddModifyURL.h"
#include "settings/panes/ConfigViewControllerSandboxAccess.h"
#include "settings/panes/ConfigViewControllerSearchScope.h"
#include "settings/panes/ConfigViewControllerURLTemplates.h"

namespace frelt {

using platform::Rect;

namespace {

constexpr const char* settingsStoryboard = "ConfigSettings";
constexpr double paneWidth = 800, paneHeight = 600;
constexpr double listWidth = 470, margin = 20, rowHeight = 28;
constexpr double segmentsHeight = 24;

// The parts every list pane has: the list on the left with its add and
// remove segments beneath, the help text on the right.
struct ListPane {
    std::shared_ptr<platform::View> root;
    std::shared_ptr<platform::TableView> table;
    std::shared_ptr<platform::SegmentedControl> segments;
    std::shared_ptr<CustomMarkdownTextView> help;
};

ListPane layOutListPane(platform::ViewController& controller) {
    using namespace platform::autoresizing;
    ListPane pane;
    pane.root = std::make_shared<platform::View>(Rect(0, 0, paneWidth, paneHeight));

    const double listHeight = paneHeight - 2 * margin - segmentsHeight - 8;
    auto scroll = std::make_shared<platform::ScrollView>(Rect(margin, margin, listWidth, listHeight));
    scroll->setHasVerticalScroller(true);
    scroll->setBorderType(platform::BorderType::bezelBorder);
    scroll->setAutoresizingMask(heightSizable);
    pane.table = std::make_shared<platform::TableView>(Rect(0, 0, listWidth, listHeight));
    auto column = std::make_shared<platform::TableColumn>("PaneColumn");
    column->setWidth(listWidth);
    pane.table->addTableColumn(column);
    pane.table->setHeaderView(nullptr);
    pane.table->setRowHeight(rowHeight);
    scroll->setDocumentView(pane.table);
    pane.root->addSubview(scroll);

    pane.segments = std::make_shared<platform::SegmentedControl>(
        Rect(margin, margin + listHeight + 8, 2 * 32, segmentsHeight));
    pane.segments->setSegmentCount(2);
    pane.segments->setLabel("+", 0);
    pane.segments->setLabel("\u2212", 1);
    pane.segments->setToolTip("Add", 0);
    pane.segments->setToolTip("Remove", 1);
    pane.segments->setEnabled(false, 1);
    pane.segments->setTrackingMode(platform::SegmentSwitchTracking::momentary);
    pane.segments->setTarget(controller.shared_from_this());
    pane.segments->setAction("actionButtonsClick:");
    pane.segments->setAutoresizingMask(minYMargin);
    pane.root->addSubview(pane.segments);

    const double helpX = margin + listWidth + margin;
    auto helpScroll = std::make_shared<platform::ScrollView>(
        Rect(helpX, margin, paneWidth - helpX - margin, paneHeight - 2 * margin));
    helpScroll->setHasVerticalScroller(true);
    helpScroll->setAutoresizingMask(widthSizable | heightSizable);
    helpScroll->setDrawsBackground(false);
    pane.help = std::make_shared<CustomMarkdownTextView>(Rect(0, 0, paneWidth - helpX - margin, paneHeight - 2 * margin));
    helpScroll->setDocumentView(pane.help);
    pane.root->addSubview(helpScroll);

    controller.setView(pane.root);
    return pane;
}

std::shared_ptr<platform::TextField> pathLabel(Rect frame) {
    auto label = platform::TextField::label("");
    label->setFrame(frame);
    label->setFont(platform::Font::systemFont(13));
    return label;
}

// --- the rows

std::shared_ptr<platform::View> makeURLTemplateCell() {
    auto cell = std::make_shared<TableViewCellConfigURLTemplate>(Rect(0, 0, listWidth, rowHeight));
    auto field = [&](Rect frame, const char* placeholder) {
        auto f = std::make_shared<CustomTextField>(frame);
        f->setEditable(true);
        f->setBezeled(false);
        f->setDrawsBackground(false);
        f->setPlaceholderString(placeholder);
        cell->addSubview(f);
        return f;
    };
    auto title = field(Rect(4, 4, 150, rowHeight - 8), "Title");
    auto url = field(Rect(160, 4, listWidth - 164, rowHeight - 8), "URL");
    url->setFont(platform::Font::monospacedSystemFont(12, platform::FontWeight::Regular));
    url->setAutoresizingMask(platform::autoresizing::widthSizable);
    cell->textfieldTitle = title;
    cell->textfieldURL = url;
    cell->setTextField(title);
    return cell;
}

std::shared_ptr<platform::View> makeSandboxAccessCell() {
    auto cell = std::make_shared<TableViewCellConfigSandboxAccess>(Rect(0, 0, listWidth, rowHeight));
    auto image = std::make_shared<platform::ImageView>(Rect(4, 4, 20, 20));
    auto label = pathLabel(Rect(30, 5, listWidth - 34, rowHeight - 8));
    cell->addSubview(image);
    cell->addSubview(label);
    cell->imageViewSandboxPath = image;
    cell->labelSandboxPath = label;
    cell->setImageView(image);
    cell->setTextField(label);
    return cell;
}

std::shared_ptr<platform::View> makeSearchScopeCell() {
    auto cell = std::make_shared<TableViewCellConfigSearchScope>(Rect(0, 0, listWidth, rowHeight));
    auto image = std::make_shared<platform::ImageView>(Rect(4, 4, 20, 20));
    auto label = pathLabel(Rect(30, 5, listWidth - 34 - 80, rowHeight - 8));
    auto lock = addButton(*cell, "Allow\u2026", Rect(listWidth - 80, 3, 76, rowHeight - 6), cell,
                          "btnAccessLockedClick:");
    lock->setToolTip("Allow access to this folder");
    lock->setHidden(true);
    cell->addSubview(image);
    cell->addSubview(label);
    cell->imageViewSearchscopePath = image;
    cell->labelSearchScopePath = label;
    cell->btnAccessLocked = lock;
    cell->setImageView(image);
    cell->setTextField(label);
    return cell;
}

// --- the panes

// Lays out a list pane and connects its outlets, whose names differ from
// pane to pane.
template <class Controller>
void layOutPane(Controller& controller, const char* cellIdentifier, std::shared_ptr<platform::View> (*makeCell)(),
                std::weak_ptr<platform::TableView> Controller::*table,
                std::shared_ptr<CustomMarkdownTextView> Controller::*help) {
    auto pane = layOutListPane(controller);
    pane.table->registerViewFactory(cellIdentifier, makeCell);
    controller.*table = pane.table;
    controller.actionButtons = pane.segments;
    controller.*help = pane.help;
}

void layOutURLTemplates(ConfigViewControllerURLTemplates& c) {
    layOutPane(c, TableViewCellConfigURLTemplate::identifier, makeURLTemplateCell,
               &ConfigViewControllerURLTemplates::tableviewURLTemplates,
               &ConfigViewControllerURLTemplates::markdownTextview);
}

void layOutSandboxAccess(ConfigViewControllerSandboxAccess& c) {
    layOutPane(c, TableViewCellConfigSandboxAccess::identifier, makeSandboxAccessCell,
               &ConfigViewControllerSandboxAccess::tableViewSandboxAccess,
               &ConfigViewControllerSandboxAccess::markDownTextView);
}

void layOutSearchScope(ConfigViewControllerSearchScope& c) {
    layOutPane(c, TableViewCellConfigSearchScope::identifier, makeSearchScopeCell,
               &ConfigViewControllerSearchScope::tableViewSpotlightSearchScope,
               &ConfigViewControllerSearchScope::markDownTextView);
}

// --- the dialog

constexpr double dialogWidth = 750, dialogHeight = 325;

void layOutAddModifyURL(ConfigViewControllerAddModifyURL& controller) {
    auto root = std::make_shared<platform::View>(Rect(0, 0, dialogWidth, dialogHeight));
    const auto target = controller.shared_from_this();
    const double labelX = 24, fieldX = 110, fieldWidth = dialogWidth - fieldX - 24;
    auto caption = [&](const char* text, double y) {
        auto label = platform::TextField::label(text);
        label->setFrame(Rect(labelX, y + 3, fieldX - labelX - 8, 20));
        label->setAlignment(platform::TextAlignment::Right);
        root->addSubview(label);
    };
    auto field = [&](double y, double width, const char* placeholder) {
        auto f = std::make_shared<CustomTextField>(Rect(fieldX, y, width, 26));
        f->setEditable(true);
        f->setPlaceholderString(placeholder);
        root->addSubview(f);
        return f;
    };

    auto heading = platform::TextField::label("Link");
    heading->setFrame(Rect(labelX, 22, 400, 24));
    heading->setFont(platform::Font::boldSystemFont(16));
    root->addSubview(heading);

    caption("Title", 62);
    auto title = field(62, fieldWidth, "Title (the link's host when left empty)");
    caption("URL", 98);
    auto url = field(98, fieldWidth, "https://example.org/search?q=%%userInput:Question%%");
    url->setFont(platform::Font::monospacedSystemFont(12, platform::FontWeight::Regular));

    auto stats = platform::TextField::label("");
    stats->setFrame(Rect(fieldX, 128, 160, 18));
    stats->setFont(platform::Font::systemFont(11));
    stats->setTextColor(platform::Color::named("System", "secondaryLabelColor", platform::Color::calibratedWhite(0.5)));
    root->addSubview(stats);
    auto placeholder = addButton(*root, "Insert Placeholder", Rect(dialogWidth - 24 - 3 * 150 - 16, 126, 150, 24),
                                 target, "buttonURLInsertPlaceholderClick:");
    auto templates = addButton(*root, "Use Template", Rect(dialogWidth - 24 - 2 * 150 - 8, 126, 150, 24), target,
                               "buttonURLReplaceWithTemplateClick:");
    auto test = addButton(*root, "Try URL", Rect(dialogWidth - 24 - 150, 126, 150, 24), target, "buttonURLTestClick:");

    caption("Comment", 164);
    auto comment = field(164, fieldWidth, "Comment");

    caption("Opens with", 206);
    auto hostImage = std::make_shared<platform::ImageView>(Rect(fieldX, 202, 28, 28));
    root->addSubview(hostImage);
    auto hostPath = pathLabel(Rect(fieldX + 36, 208, fieldWidth - 36, 20));
    root->addSubview(hostPath);

    auto error = platform::TextField::label("");
    error->setFrame(Rect(labelX, dialogHeight - 50, dialogWidth - 2 * labelX - 2 * 100 - 16, 20));
    error->setHidden(true);
    root->addSubview(error);
    auto cancel = addButton(*root, "Cancel", Rect(dialogWidth - 24 - 2 * 100 - 8, dialogHeight - 54, 100, 30), target,
                            "buttonCancelClick:");
    cancel->setKeyEquivalent("\x1b");
    auto ok = addButton(*root, "OK", Rect(dialogWidth - 24 - 100, dialogHeight - 54, 100, 30), target, "buttonOKClick:");
    ok->setKeyEquivalent("\r");

    title->setNextKeyView(url);
    url->setNextKeyView(comment);
    comment->setNextKeyView(title);

    controller.setView(root);
    controller.textFieldSiteTitle = title;
    controller.textFieldSiteURL = url;
    controller.textFieldSiteComment = comment;
    controller.errorLabel = error;
    controller.urlHostImage = hostImage;
    controller.urlHostPath = hostPath;
    controller.urlTextStats = stats;
    controller.urlTest = test;
    controller.urlInsertPlaceholder = placeholder;
    controller.urlReplaceWithTemplate = templates;
}

std::shared_ptr<platform::Object> makeAddModifyURLWindowController() {
    auto window = std::make_shared<platform::Window>(
        Rect(0, 0, dialogWidth, dialogHeight),
        platform::stylemask::titled | platform::stylemask::closable | platform::stylemask::fullSizeContentView);
    // The small dialogs' look: no title, the content under a clear title bar.
    window->setTitle("Link");
    window->setTitleVisibility(platform::TitleVisibility::hidden);
    window->setTitlebarAppearsTransparent(true);
    window->setMovableByWindowBackground(true);
    auto controller = defaultFreltWindowController::withWindow(window);
    if (auto content = instantiateScene<platform::ViewController>(ConfigViewControllerAddModifyURL::storyboardName,
                                                                   ConfigViewControllerAddModifyURL::sceneIdentifier))
        controller->setContentViewController(content);
    window->center();
    return controller;
}

// --- images

void registerPaneImages() {
    const auto images = platform::ImageRegistry::shared();
    auto add = [&](const char* name, auto draw) {
        auto image = platform::Image::imageWithSize({16, 16}, true, [draw](const Rect& r) {
            draw(r);
            return true;
        });
        image->setName(name);
        images->registerImage(name, image);
    };
    // A location that cannot be used: an amber warning triangle.
    add("status_unknown", [](const Rect& r) {
        platform::setColor(platform::Color::sRGB(0.95, 0.62, 0.10));
        platform::BezierPath triangle;
        triangle.moveTo({r.midX(), r.minY() + 1});
        triangle.lineTo({r.maxX() - 1, r.maxY() - 1});
        triangle.lineTo({r.minX() + 1, r.maxY() - 1});
        triangle.closePath();
        triangle.fill();
        platform::setColor(platform::Color::white());
        platform::BezierPath::withRect(Rect(r.midX() - 0.9, r.minY() + 5, 1.8, 5.5)).fill();
        platform::BezierPath::withRect(Rect(r.midX() - 0.9, r.maxY() - 4, 1.8, 1.8)).fill();
    });
    // No application known yet: a grey disc with a question mark.
    add("toolbar_question", [](const Rect& r) {
        platform::setColor(platform::Color::sRGB(0.55, 0.57, 0.60));
        platform::BezierPath::withOvalInRect(r.insetBy(1, 1)).fill();
        platform::setColor(platform::Color::white());
        platform::BezierPath mark;
        mark.moveTo({r.midX() - 2.5, r.minY() + 6});
        mark.curveTo({r.midX(), r.minY() + 8.5}, {r.midX() - 2.5, r.minY() + 3}, {r.midX() + 3, r.minY() + 3.5});
        mark.lineTo({r.midX(), r.minY() + 10});
        mark.setLineWidth(1.6);
        mark.setLineCapStyle(platform::LineCapStyle::round);
        mark.stroke();
        platform::BezierPath::withRect(Rect(r.midX() - 0.9, r.maxY() - 4.5, 1.8, 1.8)).fill();
    });
}

}  // namespace

void registerSettingsPaneScenes() {
    auto scenes = platform::SceneRegistry::shared();
    scenes->registerScene(settingsStoryboard, ConfigViewControllerURLTemplates::sceneIdentifier,
                          [] { return makeSceneController<ConfigViewControllerURLTemplates>(layOutURLTemplates); });
    scenes->registerScene(settingsStoryboard, ConfigViewControllerSandboxAccess::sceneIdentifier,
                          [] { return makeSceneController<ConfigViewControllerSandboxAccess>(layOutSandboxAccess); });
    scenes->registerScene(settingsStoryboard, ConfigViewControllerSearchScope::sceneIdentifier,
                          [] { return makeSceneController<ConfigViewControllerSearchScope>(layOutSearchScope); });

    const std::string dialog = ConfigViewControllerAddModifyURL::storyboardName;
    scenes->registerScene(dialog, ConfigViewControllerAddModifyURL::windowControllerIdentifier,
                          makeAddModifyURLWindowController);
    scenes->registerScene(dialog, ConfigViewControllerAddModifyURL::sceneIdentifier,
                          [] { return makeSceneController<ConfigViewControllerAddModifyURL>(layOutAddModifyURL); });
    registerPaneImages();
}

}  // namespace frelt
