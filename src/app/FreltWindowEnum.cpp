#include "app/FreltWindowEnum.h"

#include <algorithm>
#include <map>

#include "app/FreltManager.h"
#include "app/InterfaceResources.h"
#include "exchange/ExportImportManager.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Storyboard.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/SingleInstance.h"
#include "store/Logging.h"

namespace frelt {

namespace {

struct KindScenes {
    FreltWindowEnum kind;
    const char* storyboard;
    const char* windowController;
    const char* viewController;
};

constexpr std::array<KindScenes, 10> sceneTable{{
    {FreltWindowEnum::main, "Main", "MainWindowController", "MainViewController"},
    {FreltWindowEnum::config, "ConfigData", "ConfigWindowController", "ConfigViewController"},
    {FreltWindowEnum::settings, "ConfigSettings", "ConfigWindowControllerGeneral", "ConfigTabViewController_Settings"},
    {FreltWindowEnum::info, "DialogInfo", "ConfigWindowControllerInfo", "ConfigViewControllerInfo"},
    {FreltWindowEnum::firstRun, "DialogFirstRun", "FirstRunWindowController", "FirstRunViewController"},
    {FreltWindowEnum::tags, "ConfigTags", "ConfigWindowControllerTags", "ConfigViewControllerTags"},
    {FreltWindowEnum::versionHistory, "DialogVersionHistory", "VersionHistoryWindowController",
     "VersionHistoryViewController"},
    {FreltWindowEnum::addOrModifyURL, "DialogAddModifyURL", "ConfigWindowControllerAddModifyURL",
     "ConfigViewControllerAddModifyURL"},
    {FreltWindowEnum::versionedBackup, "DialogVersionedBackup", "ConfigWindowControllerVersionedBackup",
     "ConfigViewControllerVersionedBackup"},
    {FreltWindowEnum::hotkeyOverview, "DialogHotkeyOverview", "ConfigWindowControllerHotkeyOverview",
     "ConfigViewControllerHotkeyOverview"},
}};

const KindScenes* scenesOf(FreltWindowEnum kind) {
    for (const auto& row : sceneTable)
        if (row.kind == kind) return &row;
    return nullptr;
}

// The controllers the window manager made, by kind; reset with the other
// single instances.
struct WindowControllerRegistry {
    std::map<FreltWindowEnum, std::shared_ptr<defaultFreltWindowController>> controllers;

    static std::shared_ptr<WindowControllerRegistry> shared() {
        return platform::singleInstance<WindowControllerRegistry>(
            [] { return std::make_shared<WindowControllerRegistry>(); });
    }
};

void logManager(LogLevel level, std::string_view format, FreltWindowEnum kind) {
    log(LogCategory::freltManager, level, format, rawValue(kind));
}

// The window the kind has open, visible or ordered out.
std::shared_ptr<platform::Window> openWindowOfKind(FreltWindowEnum kind) {
    for (const auto& window : platform::Application::shared()->windows())
        if (FreltWindow::kindOfWindow(*window) == kind) return window;
    return nullptr;
}

}  // namespace

// --- defaultFreltWindowController

defaultFreltWindowController::defaultFreltWindowController(std::shared_ptr<platform::Window> window)
    : platform::WindowController(std::move(window)) {
    registerAction("cancel:", [this](const std::shared_ptr<platform::Object>& sender) { cancel(sender); });
}

void defaultFreltWindowController::connectWindow() {
    if (auto w = window()) w->setDelegate(std::dynamic_pointer_cast<platform::WindowDelegate>(shared_from_this()));
}

void defaultFreltWindowController::windowDidLoad() { connectWindow(); }

void defaultFreltWindowController::windowWillClose(const platform::Notification&) { stopModalIfNeeded(); }

void defaultFreltWindowController::cancel(const std::shared_ptr<platform::Object>&) { close(); }

void defaultFreltWindowController::stopModalIfNeeded() {
    const auto w = window();
    if (w && w->isModalPanel() && w->isVisible()) platform::Application::shared()->stopModal();
}

// --- FreltWindow

const std::array<FreltWindowEnum, 5>& FreltWindow::modalKinds() { return FreltManager::modalFreltWindowTypes; }

std::string FreltWindow::getStoryBoardAsString(FreltWindowEnum kind) {
    if (const auto* row = scenesOf(kind)) return row->storyboard;
    logManager(LogLevel::Error, "getStoryBoardAsString failed: %{public}@", kind);
    return {};
}

std::string FreltWindow::getWindowControllerIdentifier(FreltWindowEnum kind) {
    if (const auto* row = scenesOf(kind)) return row->windowController;
    logManager(LogLevel::Error, "getWindowControllerIdentifier failed: %{public}@", kind);
    return {};
}

std::string FreltWindow::getViewControllerIdentifier(FreltWindowEnum kind) {
    if (const auto* row = scenesOf(kind)) return row->viewController;
    logManager(LogLevel::Error, "getViewControllerIdentifier failed: %{public}@", kind);
    return {};
}

std::shared_ptr<defaultFreltWindowController> FreltWindow::registeredWindowController(FreltWindowEnum kind) {
    const auto& controllers = WindowControllerRegistry::shared()->controllers;
    const auto it = controllers.find(kind);
    return it == controllers.end() ? nullptr : it->second;
}

std::optional<FreltWindowEnum> FreltWindow::kindOfWindow(const platform::Window& window) {
    const auto protocol = std::dynamic_pointer_cast<defaultFreltWindowProtocol>(window.windowController());
    return protocol ? protocol->windowControllerType() : std::nullopt;
}

std::shared_ptr<defaultFreltWindowController> FreltWindow::instantiateWindowController(FreltWindowEnum kind) {
    platform::assertMainThread("FreltWindow::instantiateWindowController");
    if (kind != FreltWindowEnum::main) {
        if (auto registered = registeredWindowController(kind)) {
            logManager(LogLevel::Default, "instantiateWindowController: %{public}@ - WindowController was already initialized!",
                       kind);
            return registered;
        }
    }
    const auto controller =
        instantiateScene<defaultFreltWindowController>(getStoryBoardAsString(kind), getWindowControllerIdentifier(kind));
    if (!controller) {
        logManager(LogLevel::Error, "instantiateWindowController failed: %{public}@", kind);
        return nullptr;
    }
    logManager(LogLevel::Default, "instantiateWindowController: %{public}@", kind);
    controller->setWindowControllerType(kind);
    WindowControllerRegistry::shared()->controllers[kind] = controller;
    return controller;
}

std::shared_ptr<platform::ViewController> FreltWindow::getViewController(FreltWindowEnum kind) {
    platform::assertMainThread("FreltWindow::getViewController");
    if (kind == FreltWindowEnum::main) return FreltManager::shared()->viewControllerMain();
    auto controller =
        instantiateScene<platform::ViewController>(getStoryBoardAsString(kind), getViewControllerIdentifier(kind));
    if (!controller) logManager(LogLevel::Error, "getViewController failed: %{public}@", kind);
    return controller;
}

std::shared_ptr<platform::Window> FreltWindow::showWindow(bool modal, FreltWindowEnum kind) {
    platform::assertMainThread("FreltWindow::showWindow");
    const auto app = platform::Application::shared();
    if (kind == FreltWindowEnum::main) {
        FreltManager::shared()->mainWindowShow();
        return nullptr;
    }
    if (auto open = openWindowOfKind(kind)) {
        if (modal) {
            app->runModalForWindow(open);
        } else {
            if (!open->isVisible()) {
                if (auto controller = open->windowController()) controller->showWindow(nullptr);
            }
            app->activateIgnoringOtherApps(true);
        }
        return open;
    }
    auto controller = registeredWindowController(kind);
    if (!controller) controller = instantiateWindowController(kind);
    if (!controller) return nullptr;
    controller->setWindowControllerType(kind);
    const auto window = controller->window();
    if (modal && window) {
        app->runModalForWindow(window);
        return window;
    }
    controller->showWindow(nullptr);
    app->activateIgnoringOtherApps(true);
    return controller->window();
}

void FreltWindow::closeWindow(FreltWindowEnum kind) {
    platform::assertMainThread("FreltWindow::closeWindow");
    if (kind == FreltWindowEnum::main) {
        FreltManager::shared()->closeMainWindow();
        return;
    }
    const auto controller = registeredWindowController(kind);
    if (!controller) return;
    if (const auto window = controller->window()) {
        logManager(LogLevel::Default, "closeWindow: %{public}@", kind);
        window->close();
    }
    removeWindowController(kind);
}

void FreltWindow::removeWindowController(FreltWindowEnum kind) {
    if (kind == FreltWindowEnum::main) return;
    logManager(LogLevel::Default, "removeWindowController: %{public}@", kind);
    WindowControllerRegistry::shared()->controllers.erase(kind);
}

bool FreltWindow::canOpenWindow(FreltWindowEnum kind) {
    platform::assertMainThread("FreltWindow::canOpenWindow");
    constexpr std::array<FreltWindowEnum, 6> checked = {FreltWindowEnum::main, FreltWindowEnum::config,
                                                        FreltWindowEnum::settings, FreltWindowEnum::tags,
                                                        FreltWindowEnum::addOrModifyURL,
                                                        FreltWindowEnum::versionedBackup};
    if (std::find(checked.begin(), checked.end(), kind) == checked.end()) return true;

    const auto manager = FreltManager::shared();
    const bool modalPanelShows = manager->isModalPanelVisible();
    bool modalKindShows = false;
    for (const auto open : manager->openWindowTypes())
        if (std::find(modalKinds().begin(), modalKinds().end(), open) != modalKinds().end()) modalKindShows = true;
    const bool exchangeRuns = !ExportImportManager::shared()->isIdle();

    const auto app = platform::Application::shared();
    if (modalPanelShows) {
        app->activateIgnoringOtherApps(true);
        log(LogCategory::freltManager, LogLevel::Error, "Tried to open Window, but there's currently a modal Window open");
    }
    if (modalKindShows) {
        app->activateIgnoringOtherApps(true);
        log(LogCategory::freltManager, LogLevel::Error, "Tried to open Window, but there's currently another Window open");
    }
    if (exchangeRuns) {
        log(LogCategory::freltManager, LogLevel::Error,
            "Tried to open Window, but there's currently an export or import running");
    }
    return !modalPanelShows && !modalKindShows && !exchangeRuns;
}

}  // namespace frelt
