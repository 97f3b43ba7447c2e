#include "settings/dialogs/DialogWindows.h"

#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "markdown/CustomMarkdownTextView.h"
#include "platform/appkit/ViewController.h"

namespace frelt {

void addTableWithTitles(platform::View& parent, const std::shared_ptr<platform::TableView>& table,
                        platform::Rect frame) {
    using namespace platform::autoresizing;
    constexpr double titlesHeight = 22;
    auto titles = std::make_shared<platform::TableHeaderView>(
        platform::Rect(frame.minX(), frame.minY(), frame.width(), titlesHeight));
    titles->setAutoresizingMask(widthSizable);
    table->setHeaderView(titles);
    parent.addSubview(titles);
    const platform::Rect below(frame.minX(), frame.minY() + titlesHeight, frame.width(), frame.height() - titlesHeight);
    auto scroll = std::make_shared<platform::ScrollView>(below);
    scroll->setAutoresizingMask(widthSizable | heightSizable);
    scroll->setHasVerticalScroller(true);
    table->setFrame(platform::Rect(0, 0, below.width(), below.height()));
    scroll->setDocumentView(table);
    parent.addSubview(scroll);
}

void styleDialogWindow(platform::Window& window, bool clearBackground) {
    window.setTitleVisibility(platform::TitleVisibility::hidden);
    window.setStyleMask(window.styleMask() | platform::stylemask::fullSizeContentView);
    window.setTitlebarAppearsTransparent(true);
    if (clearBackground) window.setBackgroundColor(platform::Color::clear());
    window.setMovableByWindowBackground(true);
}

void setUpTranslucentBackground(platform::VisualEffectView& panel) {
    panel.setState(platform::VisualEffectState::active);
    panel.setHidden(false);
    panel.setWantsLayer(true);
    panel.setAppearance(std::nullopt);
    panel.setMaterial(platform::VisualEffectMaterial::sidebar);
}

std::shared_ptr<CustomMarkdownTextView> addMarkdownView(platform::View& parent, platform::Rect frame,
                                                        bool transparent) {
    using namespace platform::autoresizing;
    auto scroll = std::make_shared<platform::ScrollView>(frame);
    scroll->setAutoresizingMask(widthSizable | heightSizable);
    scroll->setHasVerticalScroller(true);
    if (transparent) scroll->setDrawsBackground(false);
    auto text = std::make_shared<CustomMarkdownTextView>(platform::Rect(0, 0, frame.width(), frame.height()));
    text->setAutoresizingMask(widthSizable);
    text->setEditable(false);
    scroll->setDocumentView(text);
    parent.addSubview(scroll);
    return text;
}

std::shared_ptr<defaultFreltWindowController> makeDialogWindowController(const std::string& storyboard,
                                                                         const std::string& viewControllerIdentifier,
                                                                         platform::Size size, const std::string& title,
                                                                         platform::StyleMask extraStyle) {
    auto window = std::make_shared<platform::Window>(
        platform::Rect({0, 0}, size),
        platform::stylemask::titled | platform::stylemask::closable | platform::stylemask::miniaturizable | extraStyle);
    window->setTitle(title);
    window->setReleasedWhenClosed(false);
    auto controller = defaultFreltWindowController::withWindow(window);
    if (auto content = instantiateScene<platform::ViewController>(storyboard, viewControllerIdentifier))
        controller->setContentViewController(content);
    window->center();
    return controller;
}

}  // namespace frelt
