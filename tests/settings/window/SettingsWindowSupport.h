#pragma once
// The settings window's tests: the headless hotkey service, the program's
// scenes, and helpers that open the window through the window manager and
// bring a pane on screen.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "hotkeys/HotKeyManager.h"
#include "hotkeys/HotkeyTestSupport.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/Window.h"
#include "settings/window/ConfigTabViewController_Settings.h"
#include "store/Configuration.h"

class SettingsWindowTest : public HotkeyTest {
protected:
    void SetUp() override {
        HotkeyTest::SetUp();
        frelt::registerInterfaceResources();
        (void)frelt::FreltManager::shared();
    }

    static frelt::Configuration& config() { return *frelt::AppDelegate::shared()->config; }
    static std::shared_ptr<frelt::HotKeyManager> hotkeys() { return frelt::HotKeyManager::shared(); }

    static std::shared_ptr<platform::Window> openSettings() {
        auto window = frelt::FreltWindow::showWindow(false, frelt::FreltWindowEnum::settings);
        EXPECT_TRUE(window && window->isVisible());
        return window;
    }
    static std::shared_ptr<frelt::ConfigTabViewController_Settings> tabsOf(const std::shared_ptr<platform::Window>& window) {
        return std::dynamic_pointer_cast<frelt::ConfigTabViewController_Settings>(window->contentViewController());
    }
    // Selects the pane's tab and answers its controller.
    template <class Pane>
    static std::shared_ptr<Pane> showPane(const std::shared_ptr<platform::Window>& window, const std::string& scene) {
        const auto tabs = tabsOf(window);
        if (!tabs) return nullptr;
        for (std::size_t i = 0; i < tabs->tabViewItems().size(); ++i) {
            if (tabs->tabViewItems()[i]->identifier() != scene) continue;
            tabs->setSelectedTabViewItemIndex(long(i));
            return std::dynamic_pointer_cast<Pane>(tabs->tabViewItems()[i]->viewController());
        }
        ADD_FAILURE() << "no tab " << scene;
        return nullptr;
    }
    static bool isOnButton(const std::weak_ptr<platform::Button>& outlet) {
        const auto button = outlet.lock();
        return button && button->state() == platform::ControlStateValue::on;
    }
    static std::vector<std::string> tabLabels(const std::shared_ptr<platform::Window>& window) {
        std::vector<std::string> labels;
        for (const auto& item : tabsOf(window)->tabViewItems()) labels.push_back(item->label());
        return labels;
    }
};
