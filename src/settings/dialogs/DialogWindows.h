#pragma once
// What the small dialogs share: their window's look (title hidden, content
// under a transparent title bar, dragged by its background), the translucent
// panel behind their text, and the window that a dialog's scene makes around
// its view controller.

#include <memory>
#include <string>

#include "app/InterfaceResources.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/Window.h"

namespace frelt {

class CustomMarkdownTextView;
class defaultFreltWindowController;

// A markdown text view in a scroll view at `frame` of `parent`, growing with
// it; with `transparent` the scroll view draws no background of its own.
std::shared_ptr<CustomMarkdownTextView> addMarkdownView(platform::View& parent, platform::Rect frame,
                                                        bool transparent);

// `table` in a scroll view that fills `frame` of `parent` below a row of
// column titles; all grow with `parent`.
void addTableWithTitles(platform::View& parent, const std::shared_ptr<platform::TableView>& table,
                        platform::Rect frame);

// Styles `window` each time before it shows; with `clearBackground` its own
// background is clear, so the translucent panel is all there is.
void styleDialogWindow(platform::Window& window, bool clearBackground);

// Active (drawn as in an active window), shown, layer-backed, following the
// window's appearance, in the sidebar material.
void setUpTranslucentBackground(platform::VisualEffectView& panel);

// A window of `size` titled `title` whose content is the controller of the
// scene (`storyboard`, `viewControllerIdentifier`); the window stays empty
// when that scene cannot be made.
std::shared_ptr<defaultFreltWindowController> makeDialogWindowController(const std::string& storyboard,
                                                                         const std::string& viewControllerIdentifier,
                                                                         platform::Size size, const std::string& title,
                                                                         platform::StyleMask extraStyle = 0);

// Registers the dialog's two scenes under Controller's storyboard: its window
// controller (a window of `size` titled `title`, resizable) and its view
// controller, whose views `layout` builds.
template <class Controller>
void registerDialog(platform::Size size, std::string title,
                          typename SceneController<Controller>::Layout layout) {
    const auto scenes = platform::SceneRegistry::shared();
    scenes->registerScene(Controller::storyboardName, Controller::windowControllerIdentifier, [size, title] {
        return makeDialogWindowController(Controller::storyboardName, Controller::sceneIdentifier, size, title,
                                          platform::stylemask::resizable);
    });
    scenes->registerScene(Controller::storyboardName, Controller::sceneIdentifier,
                          [layout] { return makeSceneController<Controller>(layout); });
}

}  // namespace frelt
