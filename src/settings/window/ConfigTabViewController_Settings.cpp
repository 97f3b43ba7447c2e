#include "settings/window/ConfigTabViewController_Settings.h"

#include <algorithm>

#include "app/AppDelegate.h"
#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/HotKeyManager.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/Window.h"
#include "settings/window/ConfigViewControllerAdvanced.h"
#include "settings/window/ConfigViewControllerAppearance.h"
#include "settings/window/ConfigViewControllerGeneral.h"
#include "store/Configuration.h"

namespace frelt {

using platform::Rect;

const std::array<ConfigTabViewController_Settings::Pane, 6>& ConfigTabViewController_Settings::panes() {
    static const std::array<Pane, 6> list{{
        {"ConfigViewControllerGeneral", "General"},
        {"ConfigViewControllerAppearance", "Appearance"},
        {"ConfigViewControllerSandboxAccess", "Granted Locations"},
        {"ConfigViewControllerURLTemplates", "URL Templates"},
        {"ConfigViewControllerAdvanced", "Advanced"},
        {"ConfigViewControllerSearchScope", "Search Scope"},
    }};
    return list;
}

ConfigTabViewController_Settings::ConfigTabViewController_Settings() {
    setPreferredContentSize({800, 480 + tabBarHeight});
    registerAction("tabBarClick:", [this](const std::shared_ptr<platform::Object>&) { tabBarClick(); });
}

void ConfigTabViewController_Settings::addPanes() {
    for (const auto& pane : panes()) {
        auto controller = instantiateScene<platform::ViewController>(storyboardName, pane.sceneIdentifier);
        if (!controller) continue;
        auto item = platform::TabViewItem::tabViewItemWithViewController(controller);
        item->setLabel(pane.label);
        item->setIdentifier(pane.sceneIdentifier);
        addTabViewItem(item);
    }
}

void ConfigTabViewController_Settings::loadView() {
    TabViewController::loadView();
    const auto container = view();
    auto bar = std::make_shared<platform::SegmentedControl>(Rect(16, 8, container->bounds().width() - 32, 24));
    bar->setAutoresizingMask(platform::autoresizing::widthSizable);
    bar->setTrackingMode(platform::SegmentSwitchTracking::selectOne);
    const auto& items = tabViewItems();
    bar->setSegmentCount(long(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) bar->setLabel(items[i]->label(), long(i));
    bar->setSelectedSegment(selectedTabViewItemIndex());
    bar->setTarget(shared_from_this());
    bar->setAction("tabBarClick:");
    container->addSubview(bar);
    tabBar = bar;
    fitSelectedPane();
}

void ConfigTabViewController_Settings::viewWillAppear() {
    TabViewController::viewWillAppear();
    HotKeyManager::shared()->setHotkeysPaused(true);
    // A hotkey another program held may be free by now.
    HotKeyManager::shared()->retryRefusedHotKeys();
}

void ConfigTabViewController_Settings::viewDidAppear() {
    TabViewController::viewDidAppear();
    // The pane set its size as it appeared, after this controller's own call.
    fitSelectedPane();
}

void ConfigTabViewController_Settings::viewDidDisappear() {
    TabViewController::viewDidDisappear();
    saveAndRegister();
}

void ConfigTabViewController_Settings::saveAndRegister() {
    AppDelegate::shared()->config->saveConfig(false);
    const auto manager = HotKeyManager::shared();
    for (const auto type : {HotKeyType::categoryKey, HotKeyType::tagKey, HotKeyType::tagKeyLaunchAll,
                            HotKeyType::userDefinedKey, HotKeyType::globalHotKey})
        manager->registerHotKeys(type);
    manager->setHotkeysPaused(false);
}

bool ConfigTabViewController_Settings::isKeyComboTaken(const KeyCombo& keyCombo) {
    if (HotKeyCenter::shared()->isRegistered(keyCombo)) return true;
    auto& config = *AppDelegate::shared()->config;
    auto holds = [&](const KeyCombo::Ptr& held) { return held && *held == keyCombo; };
    if (holds(config.globalKeyCombo)) return true;
    for (const auto category : ConfigViewControllerAppearance::categories())
        if (holds(ConfigViewControllerAppearance::keyCombo(config, category))) return true;
    return false;
}

void ConfigTabViewController_Settings::didSelectTabViewItem(const std::shared_ptr<platform::TabViewItem>& item) {
    TabViewController::didSelectTabViewItem(item);
    if (auto bar = tabBar.lock()) bar->setSelectedSegment(selectedTabViewItemIndex());
    if (isViewLoaded()) fitSelectedPane();
}

void ConfigTabViewController_Settings::tabBarClick() {
    if (auto bar = tabBar.lock()) setSelectedTabViewItemIndex(bar->selectedSegment());
}

void ConfigTabViewController_Settings::fitSelectedPane() {
    const auto item = selectedTabViewItem();
    if (!item) return;
    const auto pane = item->viewController();
    const auto container = view();
    auto size = pane->preferredContentSize();
    if (size.width <= 0 || size.height <= 0) size = {container->bounds().width(), container->bounds().height() - tabBarHeight};
    const platform::Size whole{size.width, size.height + tabBarHeight};
    setPreferredContentSize(whole);
    if (const auto window = container->window(); window && window->contentView() == container) {
        // Grow or shrink the window downwards from where its top stands.
        const auto frame = window->frame();
        window->setFrame(Rect(frame.origin, whole), true);
    } else {
        container->setFrameSize(whole);
    }
    pane->view()->setFrame(Rect(0, tabBarHeight, whole.width, size.height));
    if (auto bar = tabBar.lock()) bar->setFrame(Rect(16, 8, whole.width - 32, 24));
}

namespace {

std::shared_ptr<platform::Object> makeSettingsWindowController() {
    auto window = std::make_shared<platform::Window>(Rect(0, 0, 800, 480 + ConfigTabViewController_Settings::tabBarHeight),
                                                     platform::stylemask::titled | platform::stylemask::closable |
                                                         platform::stylemask::miniaturizable);
    window->setTitle("Settings");
    auto controller = defaultFreltWindowController::withWindow(window);
    auto content = instantiateScene<platform::ViewController>(ConfigTabViewController_Settings::storyboardName,
                                                               ConfigTabViewController_Settings::sceneIdentifier);
    if (content) controller->setContentViewController(content);
    window->center();
    return controller;
}

}  // namespace

void registerSettingsWindowScenes() {
    auto scenes = platform::SceneRegistry::shared();
    const std::string board = ConfigTabViewController_Settings::storyboardName;
    scenes->registerScene(board, ConfigTabViewController_Settings::windowControllerIdentifier,
                          makeSettingsWindowController);
    scenes->registerScene(board, ConfigTabViewController_Settings::sceneIdentifier, [] {
        auto tabs = std::make_shared<ConfigTabViewController_Settings>();
        tabs->addPanes();
        return tabs;
    });
    scenes->registerScene(board, "ConfigViewControllerGeneral",
                          [] { return makeSceneController<ConfigViewControllerGeneral>(layOutGeneralPane); });
    scenes->registerScene(board, "ConfigViewControllerAppearance",
                          [] { return makeSceneController<ConfigViewControllerAppearance>(layOutAppearancePane); });
    scenes->registerScene(board, "ConfigViewControllerAdvanced",
                          [] { return makeSceneController<ConfigViewControllerAdvanced>(layOutAdvancedPane); });
}

}  // namespace frelt
