#include "app/FreltManager.h"

#include <cmath>
#include <set>
#include <utility>

#include "app/AppDelegate.h"
#include "app/InterfaceResources.h"
#include "mainwindow/sidebar/SourceListItem.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/View.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/SingleInstance.h"
#include "store/Configuration.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"
#include "store/SystemConfiguration.h"
#include "store/TagManager.h"

namespace frelt {

namespace {

template <class... Args>
void logManager(LogLevel level, std::string_view format, const Args&... args) {
    log(LogCategory::freltManager, level, format, args...);
}

std::string describeSize(platform::Size s) {
    return "(" + describe(s.width) + ", " + describe(s.height) + ")";
}

std::string describeRect(const platform::Rect& r) {
    return "(" + describe(r.minX()) + ", " + describe(r.minY()) + ", " + describe(r.width()) + ", " +
           describe(r.height()) + ")";
}

std::string describeController(const platform::ViewController& vc) {
    return vc.identifier().empty() ? std::string("MainViewController") : vc.identifier();
}

// The lower-left corner of `r` (where the other platform's frames start)
// lies in `screen`; with y growing downwards that is the bottom edge, which
// belongs to the screen it closes.
bool lowerLeftCornerIn(const platform::Rect& r, const platform::Rect& screen) {
    return r.minX() >= screen.minX() && r.minX() < screen.maxX() && r.maxY() > screen.minY() &&
           r.maxY() <= screen.maxY();
}

struct WindowShownHookTag {};
using WindowShownHookSetting = platform::ResettableValue<WindowShownHookTag, FreltManager::WindowShownHook>;

}  // namespace

void FreltManager::setWindowShownHook(WindowShownHook hook) { WindowShownHookSetting::set(std::move(hook)); }

void FreltManager::tellWindowShown(platform::Window& window) {
    if (const auto hook = WindowShownHookSetting::get()) hook(window, showRequestUserTime_);
}

std::shared_ptr<FreltManager> FreltManager::shared() {
    return platform::singleInstance<FreltManager>([] { return std::make_shared<FreltManager>(Private{}); });
}

FreltManager::FreltManager(Private) {
    auto& center = platform::NotificationCenter::defaultCenter();
    windowWillCloseObserver_ = center.observe(platform::windownotification::willClose, nullptr,
                                              [this](const platform::Notification& n) { windowWillClose(n); });
    executeObserver_ = center.observe(Notifications::executeTableviewItem, nullptr,
                                      [this](const platform::Notification& n) { executeTableviewItem(n); });
}

// --- lazily made parts

std::shared_ptr<platform::Popover> FreltManager::popover() {
    if (!popover_) {
        auto made = std::make_shared<platform::Popover>();
        made->setAnimates(AppDelegate::shared()->config->mainPopoverAnimated);
        made->setBehavior(platform::PopoverBehavior::transient);
        made->setDelegate(std::static_pointer_cast<FreltManager>(shared_from_this()));
        popover_ = made;
    }
    return *popover_;
}

std::shared_ptr<defaultFreltWindowController> FreltManager::windowControllerMain() {
    if (!windowControllerMain_) {
        auto made = FreltWindow::instantiateWindowController(FreltWindowEnum::main);
        if (made) {
            if (auto window = made->window()) window->setHidesOnDeactivate(false);
        } else {
            logManager(LogLevel::Error, "Failed to instantiate MainWindowController");
        }
        windowControllerMain_ = made;
    }
    return *windowControllerMain_;
}

std::shared_ptr<MainViewController> FreltManager::viewControllerMain() {
    if (!viewControllerMain_) {
        auto made = instantiateScene<MainViewController>(FreltWindow::getStoryBoardAsString(FreltWindowEnum::main),
                                                         "MainViewController");
        if (!made) logManager(LogLevel::Error, "Failed to instantiate MainViewController");
        viewControllerMain_ = made;
    }
    return *viewControllerMain_;
}

void FreltManager::prepareMainWindow() {
    platform::assertMainThread("FreltManager::prepareMainWindow");
    // As a showing does, before the view is loaded.
    SystemConfiguration::shared()->updateSidebarSize();
    const auto wc = windowControllerMain();
    const auto vc = viewControllerMain();
    // Never taken from a popover or window that already shows it.
    if (wc && vc && !wc->contentViewController() && popover()->contentViewController() != vc)
        wc->setContentViewController(vc);
    // The sidebar's pictures: its categories' and its tags' symbols, each
    // looked up in the icon theme and decoded once, then kept by name.
    std::set<std::string> names{TagManager::defaultFolder, TagManager::defaultTag};
    for (const auto type : sourceListItemContentTypes.allCases())
        if (const auto icon = SourceListItemFixedEntry::iconName(type)) names.insert(*icon);
    TagManager::shared()->allAvailableTags()->forEach([&](const std::shared_ptr<iconTag>& tag) {
        if (tag && !tag->tagSymbol().empty()) names.insert(tag->tagSymbol());
    });
    for (const auto& name : names) platform::Image::imageNamed(name);
}

// --- state

MainWindowState FreltManager::mainWindowState() {
    const auto vc = viewControllerMain();
    if (!vc) {
        logManager(LogLevel::Default, "currentState-Check for MainViewController -> viewControllerMain is not instantiated!");
        return MainWindowState::viewControllerNotInstantiated;
    }
    if (vc->currentState() != defaultFreltMainViewControllerState::viewDidAppear) {
        logManager(LogLevel::Default, "currentState-Check for MainViewController -> ViewController is currently not visible");
        return MainWindowState::viewControllerNotVisible;
    }
    if (const auto p = popover(); p->isShown()) {
        if (p->isDetached()) {
            logManager(LogLevel::Default,
                       "isVisible-Check for MainWindow -> MainWindow is currently visible as detached Popover");
            return MainWindowState::detachedPopover;
        }
        logManager(LogLevel::Default, "isVisible-Check for MainWindow -> MainWindow is currently visible as Popover");
        return MainWindowState::popover;
    }
    if (const auto wc = windowControllerMain()) {
        if (const auto window = wc->window(); window && window->isVisible()) {
            logManager(LogLevel::Default, "isVisible-Check for MainWindow -> MainWindow is currently visible as Window");
            return MainWindowState::window;
        }
    }
    logManager(LogLevel::Default, "isVisible-Check for MainWindow -> MainWindow is currently not visible");
    return MainWindowState::notVisible;
}

// --- size and screen

platform::Size FreltManager::mainWindowSize(const platform::Screen& screen) {
    const auto config = AppDelegate::shared()->config;
    const double width = std::ceil(550.0 + 50.0 * static_cast<int>(config->mainWindowWidth));
    const double percent = 50.0 + 5.0 * static_cast<int>(config->mainWindowHeight);
    const double height = std::ceil(screen.frame().height() * percent / 100.0);
    return {width, height};
}

std::shared_ptr<platform::Screen> FreltManager::chosenScreen() {
    if (auto screen = SystemConfiguration::shared()->screenUnderMouse()) return screen;
    if (auto screen = platform::Screen::mainScreen()) return screen;
    const auto screens = platform::Screen::screens();
    return screens.empty() ? nullptr : screens.front();
}

// --- showing and closing

void FreltManager::mainWindowShow() {
    platform::assertMainThread("FreltManager::mainWindowShow");
    const auto app = platform::Application::shared();
    if (mainWindowIsAboutToClose_) {
        logManager(LogLevel::Error, "!! mainWindowShow -> MainWindow is about to close!");
        return;
    }
    if (mainWindowIsVisible(mainWindowState())) {
        logManager(LogLevel::Default, "!! mainWindowShow -> MainWindow is already visible!");
        app->activateIgnoringOtherApps(true);
        return;
    }
    if (!FreltWindow::canOpenWindow(FreltWindowEnum::main)) {
        logManager(LogLevel::Error, "!! mainWindowShow -> can't open Window!");
        app->activateIgnoringOtherApps(true);
        return;
    }
    const auto wc = windowControllerMain();
    if (!wc) {
        logManager(LogLevel::Error, "!! mainWindowShow -> windowControllerMain is invalid!");
        return;
    }
    const auto vc = viewControllerMain();
    if (!vc) {
        logManager(LogLevel::Error, "!! mainWindowShow -> viewControllerMain is invalid!");
        return;
    }
    SystemConfiguration::shared()->updateSidebarSize();

    const int style = AppDelegate::shared()->config->windowViewStyle;
    if (style == 0) {
        const auto statusItem = AppDelegate::shared()->statusBarItem();
        // Where the icon is now (the pointer, where the tray tells no place).
        statusItem->locate();
        const auto button = statusItem->button();
        const auto container = button ? button->superview() : nullptr;
        const auto buttonWindow = container ? container->window() : nullptr;
        if (button && buttonWindow) {
            const platform::Rect inWindow = button->convertRectToView(button->bounds(), nullptr);
            const platform::Rect onScreen(inWindow.minX() + buttonWindow->frame().minX(),
                                          inWindow.minY() + buttonWindow->frame().minY(), inWindow.width(),
                                          inWindow.height());
            const auto screen = chosenScreen();
            // The popover opens below the button (the other platform's minY edge).
            if (screen && lowerLeftCornerIn(onScreen, screen->frame()))
                showMainWindowAsPopover(button, platform::RectEdge::maxY, wc, vc);
            else
                showMainWindowAsWindow(wc, vc);
        } else {
            showMainWindowAsWindow(wc, vc);
        }
    } else if (style == 1) {
        showMainWindowAsWindow(wc, vc);
    }
    app->activateIgnoringOtherApps(true);
    logManager(LogLevel::Default, "<- mainWindowShow");
}

void FreltManager::showMainWindowAsPopover(const std::shared_ptr<platform::StatusBarButton>& button,
                                           platform::RectEdge preferredEdge,
                                           const std::shared_ptr<defaultFreltWindowController>& windowController,
                                           const std::shared_ptr<MainViewController>& viewController) {
    logManager(LogLevel::Default, "-> showMainWindowAsPopover");
    const auto p = popover();
    p->setAnimates(AppDelegate::shared()->config->mainPopoverAnimated);
    logManager(LogLevel::Default, "   checking contentViewController");
    if (windowController->contentViewController()) windowController->setContentViewController(nullptr);
    if (p->contentViewController() == viewController) {
        logManager(LogLevel::Default, "   assigned contentViewController: %{public}@", describeController(*viewController));
    } else {
        p->setContentViewController(viewController);
        logManager(LogLevel::Default, "   new assigned contentViewController: %{public}@",
                   describeController(*viewController));
    }
    if (const auto screen = chosenScreen()) {
        const platform::Size size = mainWindowSize(*screen);
        logManager(LogLevel::Default, "   Calculated Size: %{public}@", describeSize(size));
        p->setContentSize(size);
    }
    logManager(LogLevel::Default, "   Will show Popover relativ to: %{public}@", describeRect(button->frame()));
    p->showRelativeToRect(button->bounds(), button, preferredEdge);
    if (const auto window = p->window()) tellWindowShown(*window);
}

void FreltManager::showMainWindowAsWindow(const std::shared_ptr<defaultFreltWindowController>& windowController,
                                          const std::shared_ptr<MainViewController>& viewController) {
    logManager(LogLevel::Default, "-> showMainWindowAsWindow");
    auto screen = SystemConfiguration::shared()->screenUnderMouse();
    if (!screen) screen = platform::Screen::mainScreen();
    if (!screen) return;
    const platform::Rect screenFrame = screen->frame();
    const platform::Size size = mainWindowSize(*screen);
    const double x = std::ceil(screenFrame.minX() + (screenFrame.width() - size.width) * 0.5);
    const double y = std::ceil(screenFrame.minY() + (screenFrame.height() - size.height) * 0.5);
    const platform::Rect frame(x, y, size.width, size.height);
    logManager(LogLevel::Default, "Origin and Size: Screen: %{public}@", describeRect(screenFrame));
    logManager(LogLevel::Default, "Origin and Size: MainWindow: %{public}@", describeRect(frame));

    logManager(LogLevel::Default, "Checking contentViewController");
    popover()->setContentViewController(nullptr);
    if (windowController->contentViewController() == viewController) {
        logManager(LogLevel::Default, "Assigned contentViewController: %{public}@", describeController(*viewController));
    } else {
        windowController->setContentViewController(viewController);
        logManager(LogLevel::Default, "New assigned ContentViewController: %{public}@",
                   describeController(*viewController));
    }
    logManager(LogLevel::Default, "Try to get Window from Window-Controller");
    const auto window = windowController->window();
    if (!window) {
        logManager(LogLevel::Error, "The Window-Controller has no Window assigned!");
        return;
    }
    logManager(LogLevel::Default, "Got Window from WindowController. Show the Window now ...");
    window->setCollectionBehavior(platform::collectionbehavior::canJoinAllSpaces);
    window->setLevel(platform::windowlevel::modalPanel);
    window->setFrame(frame, true);
    window->makeKeyAndOrderFront(shared_from_this());
    tellWindowShown(*window);
}

void FreltManager::closeMainWindow() {
    platform::assertMainThread("FreltManager::closeMainWindow");
    mainWindowIsAboutToClose_ = true;
    if (const auto p = popover(); p->isShown()) {
        p->close();
        logManager(LogLevel::Default, "closeMainWindow -> close Popover");
    } else {
        if (const auto wc = windowControllerMain()) wc->close();
        logManager(LogLevel::Default, "closeMainWindow -> close Window");
    }
    mainWindowIsAboutToClose_ = false;
}

void FreltManager::switchMainWindow() {
    logManager(LogLevel::Default, "-> switchMainWindow");
    if (mainWindowIsVisible(mainWindowState()))
        closeMainWindow();
    else
        mainWindowShow();
}

void FreltManager::applicationLostFocus() { loseFocus(true); }

void FreltManager::loseFocus(bool mayWaitForRelease) {
    if (mainWindowIsAboutToClose_) {
        logManager(LogLevel::Default, "applicationLostFocus - aborted because MainWindow is already about to close");
        return;
    }
    if (const auto vc = viewControllerMain()) {
        vc->setModifierFlagsContainShiftKey(false);
        vc->setModifierFlagsContainCommandKey(false);
        vc->setModifierFlagsContainOptionKey(false);
        vc->setModifierFlagsContainControlKey(false);
    }
    const MainWindowState state = mainWindowState();
    switch (state) {
        case MainWindowState::viewControllerNotInstantiated:
            logManager(LogLevel::Default, "applicationLostFocus - aborted because ViewController is not instantiated");
            return;
        case MainWindowState::viewControllerNotVisible:
            logManager(LogLevel::Default, "applicationLostFocus - aborted because ViewController ist not visible");
            return;
        case MainWindowState::notVisible:
            logManager(LogLevel::Default, "applicationLostFocus - aborted because MainWindow is currently invisible");
            return;
        case MainWindowState::detachedPopover:
            logManager(LogLevel::Default,
                       "applicationLostFocus - aborted because MainWindow is currently a detached Popover");
            return;
        case MainWindowState::popover:
        case MainWindowState::window:
            break;
    }
    // Another program took the focus with a press that is still held: the
    // start of a drag from a file manager, perhaps, that is to land here.
    // The window stays until the button is up; a drop in it brings the
    // program back, and then it stays open.
    if (mayWaitForRelease && platform::Application::shared()->isPointerButtonDown()) {
        logManager(LogLevel::Default, "applicationLostFocus - waiting while a mouse button is held elsewhere");
        platform::Application::shared()->whenPointerReleased(
            [weak = std::weak_ptr<FreltManager>(std::static_pointer_cast<FreltManager>(shared_from_this()))] {
                const auto self = weak.lock();
                if (self && !platform::Application::shared()->isActive()) self->loseFocus(false);
            });
        return;
    }
    if (state == MainWindowState::popover)
        logManager(LogLevel::Default, "mainWindow is visible as popover - closing the mainWindow now ...");
    else
        logManager(LogLevel::Default, "mainWindow is visible as Window - closing the mainWindow now ...");
    closeMainWindow();
}

void FreltManager::closeAllWindows() {
    platform::assertMainThread("FreltManager::closeAllWindows");
    closeMainWindow();
    // A snapshot: closing one window may close or open others.
    const auto windows = platform::Application::shared()->windows();
    for (const auto& window : windows) {
        if (!window->isVisible()) continue;
        const auto kind = FreltWindow::kindOfWindow(*window);
        if (!kind || *kind == FreltWindowEnum::main) continue;
        window->close();
    }
}

std::vector<FreltWindowEnum> FreltManager::openWindowTypes() {
    std::vector<FreltWindowEnum> kinds;
    for (const auto& window : platform::Application::shared()->windows()) {
        if (!window->isVisible()) continue;
        const auto kind = FreltWindow::kindOfWindow(*window);
        if (kind && *kind != FreltWindowEnum::main) kinds.push_back(*kind);
    }
    if (mainWindowIsVisible(mainWindowState())) kinds.push_back(FreltWindowEnum::main);
    return kinds;
}

bool FreltManager::isModalPanelVisible() const {
    const auto app = platform::Application::shared();
    // Alerts, file panels and menus the desktop shows natively are modal
    // sessions without a window of the kit's; they count as modal panels.
    if (app->isInModalSession()) return true;
    for (const auto& window : app->windows())
        if (window->isModalPanel() && window->isVisible()) return true;
    return false;
}

// --- observers

void FreltManager::windowWillClose(const platform::Notification& notification) {
    const auto* window = notification.objectAs<std::shared_ptr<platform::Window>>();
    if (!window || !*window) return;
    const auto kind = FreltWindow::kindOfWindow(**window);
    if (!kind || *kind == FreltWindowEnum::main) return;
    logManager(LogLevel::Default, "windowWillClose called");
    FreltWindow::removeWindowController(*kind);
}

// An opened entry closes the window at once, whatever the mouse does.
void FreltManager::executeTableviewItem(const platform::Notification&) { loseFocus(false); }

// --- popover delegate

void FreltManager::popoverWillShow(const platform::Notification&) {
    logManager(LogLevel::Default, "popoverWillShow");
    popover()->setBehavior(platform::PopoverBehavior::transient);
}

void FreltManager::popoverDidShow(const platform::Notification&) { logManager(LogLevel::Default, "popoverDidShow"); }

bool FreltManager::popoverShouldDetach(const std::shared_ptr<platform::Popover>&) {
    logManager(LogLevel::Default, "popoverShouldDetach");
    return true;
}

void FreltManager::popoverDidDetach(const std::shared_ptr<platform::Popover>& detached) {
    logManager(LogLevel::Default, "popoverDidDetach");
    popover()->setBehavior(platform::PopoverBehavior::applicationDefined);
    const auto window = detached ? detached->window() : popover()->window();
    if (window) {
        window->setStyleMask(platform::stylemask::closable);
        window->setReleasedWhenClosed(false);
    }
}

bool FreltManager::popoverShouldClose(const std::shared_ptr<platform::Popover>&) {
    logManager(LogLevel::Default, "popoverShouldClose");
    popover()->setBehavior(platform::PopoverBehavior::transient);
    return true;
}

}  // namespace frelt
