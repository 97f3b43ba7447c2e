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

namespace frelt {

using platform::Rect;

namespace {

std::shared_ptr<platform::TextField> pathLabel(Rect frame) {
    auto label = platform::TextField::label("");
    label->setFrame(frame);
    label->setFont(platform::Font::systemFont(13));
    return label;
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
    const std::string dialog = ConfigViewControllerAddModifyURL::storyboardName;
    scenes->registerScene(dialog, ConfigViewControllerAddModifyURL::windowControllerIdentifier,
                          makeAddModifyURLWindowController);
    scenes->registerScene(dialog, ConfigViewControllerAddModifyURL::sceneIdentifier,
                          [] { return makeSceneController<ConfigViewControllerAddModifyURL>(layOutAddModifyURL); });
    registerPaneImages();
}

}  // namespace frelt
