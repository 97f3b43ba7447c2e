#include "app/ShellScenes.h"

#include <functional>
#include <string>

#include "app/FirstRunViewController.h"
#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "app/MainWindowBase.h"
#include "mainwindow/MainViewController.h"
#include "mainwindow/MainWindowScenes.h"
#include "platform/appkit/BezierPath.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/View.h"
#include "settings/config/ConfigScenes.h"

namespace frelt {

using platform::Rect;

namespace {

// A heading keeps to one line; body text wraps within its frame.
std::shared_ptr<platform::TextField> label(const std::string& text, Rect frame, double size, bool bold) {
    auto field = platform::TextField::label(text);
    field->setFrame(frame);
    field->setFont(bold ? platform::Font::boldSystemFont(size) : platform::Font::systemFont(size));
    if (!bold) field->setMaximumNumberOfLines(0);
    return field;
}

void layOutFirstRunPageOne(platform::ViewController& page) {
    auto root = std::make_shared<platform::View>(Rect(0, 0, 520, 290));
    root->addSubview(label("Welcome to Frelt", Rect(32, 28, 456, 32), 22, true));
    // No global hotkey exists yet on a first run: the page says where one is
    // set, and where it works.
    root->addSubview(label("Frelt lives in the tray. Click its icon and its window comes up with your "
                           "applications, documents, folders and links. To bring it up from the keyboard, set a "
                           "global hotkey in Preferences..., General (right-click the tray icon for the menu). "
                           "Under Wayland the desktop may ask you to confirm it; frelt --toggle can also be bound "
                           "in its keyboard settings.",
                           Rect(32, 76, 456, 120), 14, false));
    root->addSubview(label("Type to filter the list, move with the arrow keys, and press Return to open what you "
                           "chose. Escape closes the window again.",
                           Rect(32, 204, 456, 60), 14, false));
    page.setView(root);
}

void layOutFirstRunPageTwo(FirstRunSecondScreenViewController& page) {
    auto root = std::make_shared<platform::View>(Rect(0, 0, 520, 290));
    auto image = std::make_shared<platform::ImageView>(Rect(32, 32, 64, 64));
    // The tray image, drawn large: it is drawn in code and scales cleanly.
    image->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
    image->setImage(platform::Image::imageNamed("statusbar-1"));
    root->addSubview(image);
    page.image = image;
    root->addSubview(label("Tags are ready", Rect(120, 40, 368, 32), 22, true));
    // The tray takes no drops on this desktop: files come in through the
    // window and through "Open With".
    root->addSubview(label("Frelt gives the applications it knows a tag, such as Office, Graphics or Tools, so the "
                           "sidebar groups them from the start. To add files and folders, select a tag and drop them "
                           "on the list; dropped on an entry, they open with it. Files you open with Frelt from your "
                           "file manager go to the next entry you open. Right-click the tray icon for the menu.",
                           Rect(32, 112, 456, 140), 14, false));
    page.setView(root);
}

void layOutFirstRun(FirstRunViewController& controller) {
    auto root = std::make_shared<platform::View>(Rect(0, 0, 520, 340));
    auto pages = std::make_shared<platform::View>(Rect(0, 0, 520, 290));
    root->addSubview(pages);
    controller.setPageView(pages);
    const auto target = controller.shared_from_this();
    auto button = [&](const char* title, Rect frame, const char* action) {
        return addButton(*root, title, frame, target, action);
    };
    controller.btnBack = button("Back", Rect(20, 298, 100, 30), "navigateBack:");
    // Forward and Dismiss share a place, one shown at a time: either is the
    // default button, pressed by Return.
    auto forward = button("Forward", Rect(400, 298, 100, 30), "navigateForward:");
    forward->setKeyEquivalent("\r");
    controller.btnForward = forward;
    auto dismiss = button("Dismiss", Rect(400, 298, 100, 30), "btnDismissClick:");
    dismiss->setKeyEquivalent("\r");
    controller.btnDismiss = dismiss;
    controller.setView(root);
}

std::shared_ptr<platform::Object> makeFirstRunWindowController() {
    auto window = std::make_shared<CustomFirstRunWindow>(Rect(0, 0, 520, 340),
                                                         platform::stylemask::titled | platform::stylemask::closable);
    window->setTitle("Welcome to Frelt");
    auto controller = defaultFreltWindowController::withWindow(window);
    auto content = instantiateScene<platform::ViewController>(FirstRunViewController::storyboardName,
                                                               "FirstRunViewController");
    if (content) controller->setContentViewController(content);
    window->center();
    return controller;
}

std::shared_ptr<platform::Object> makeMainWindowController() {
    auto window = std::make_shared<CustomMainWindow>(Rect(0, 0, 700, 500),
                                                     platform::stylemask::titled | platform::stylemask::closable |
                                                         platform::stylemask::resizable |
                                                         platform::stylemask::fullSizeContentView);
    window->setTitle("Frelt");
    window->setTitleVisibility(platform::TitleVisibility::hidden);
    window->setTitlebarAppearsTransparent(true);
    return defaultFreltWindowController::withWindow<MainWindowController>(window);
}

// --- tray images: one shape each, in the accent blue, which reads on light
// and dark panels alike.

const platform::Color trayBlue = platform::Color::sRGB(0.24, 0.48, 0.90);

platform::BezierPath strokedPath(platform::BezierPath path, double width) {
    path.setLineWidth(width);
    path.setLineCapStyle(platform::LineCapStyle::round);
    path.setLineJoinStyle(platform::LineJoinStyle::round);
    return path;
}

void drawTrayImage(int variant, const Rect& r) {
    const double s = std::min(r.width(), r.height()) / 18.0;
    auto at = [&](double x, double y) { return platform::Point{r.minX() + x * s, r.minY() + y * s}; };
    auto box = [&](double x, double y, double w, double h) { return Rect(at(x, y), platform::Size{w * s, h * s}); };
    platform::setColor(trayBlue);
    switch (variant) {
        case 1: {  // a rounded tile with a lightning chevron cut out
            auto tile = platform::BezierPath::withRoundedRect(box(1, 1, 16, 16), 4 * s, 4 * s);
            tile.fill();
            platform::setColor(platform::Color::white());
            platform::BezierPath chevron;
            chevron.moveTo(at(6, 5));
            chevron.lineTo(at(11, 9));
            chevron.lineTo(at(6, 13));
            strokedPath(chevron, 2.2 * s).stroke();
            break;
        }
        case 2: {  // a list
            strokedPath(platform::BezierPath::withRoundedRect(box(1.5, 2, 15, 14), 3 * s, 3 * s), 1.5 * s).stroke();
            for (double y : {6.5, 9.0, 11.5}) {
                platform::BezierPath line;
                line.moveTo(at(5, y));
                line.lineTo(at(13, y));
                strokedPath(line, 1.4 * s).stroke();
            }
            break;
        }
        case 3: {  // a magnifier
            strokedPath(platform::BezierPath::withOvalInRect(box(2, 2, 10, 10)), 2 * s).stroke();
            platform::BezierPath handle;
            handle.moveTo(at(10.5, 10.5));
            handle.lineTo(at(16, 16));
            strokedPath(handle, 2.6 * s).stroke();
            break;
        }
        default: {  // a prompt
            platform::BezierPath prompt;
            prompt.moveTo(at(2, 4));
            prompt.lineTo(at(8, 9));
            prompt.lineTo(at(2, 14));
            strokedPath(prompt, 2.2 * s).stroke();
            platform::BezierPath cursor;
            cursor.moveTo(at(10, 14));
            cursor.lineTo(at(16, 14));
            strokedPath(cursor, 2.2 * s).stroke();
            break;
        }
    }
}

}  // namespace

void registerShellScenes() {
    auto scenes = platform::SceneRegistry::shared();
    const std::string main = FreltWindow::getStoryBoardAsString(FreltWindowEnum::main);
    scenes->registerScene(main, "MainWindowController", makeMainWindowController);
    scenes->registerScene(main, "MainViewController", [] { return std::make_shared<MainViewController>(); });
    registerMainWindowScenes();

    const std::string firstRun = FirstRunViewController::storyboardName;
    scenes->registerScene(firstRun, "FirstRunWindowController", makeFirstRunWindowController);
    scenes->registerScene(firstRun, "FirstRunViewController",
                          [] { return makeSceneController<FirstRunViewController>(layOutFirstRun); });
    scenes->registerScene(firstRun, "FirstRunSheet1",
                          [] { return makeSceneController<platform::ViewController>(layOutFirstRunPageOne); });
    scenes->registerScene(firstRun, "FirstRunSheet2", [] {
        return makeSceneController<FirstRunSecondScreenViewController>(layOutFirstRunPageTwo);
    });
    registerConfigScenes();
}

void registerShellImages() {
    const auto images = platform::ImageRegistry::shared();
    for (int variant = 1; variant <= 4; ++variant) {
        const std::string name = "statusbar-" + std::to_string(variant);
        auto image = platform::Image::imageWithSize({18, 18}, true, [variant](const Rect& destination) {
            drawTrayImage(variant, destination);
            return true;
        });
        image->setName(name);
        images->registerImage(name, image);
    }
}

}  // namespace frelt
