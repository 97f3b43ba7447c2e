#pragma once
// Brings the main window into a state for tests of the program, the way a
// person would: through FreltManager, with the shell's scenes registered.
// Header only: the tests that use it link the program's code.

#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "app/ShellScenes.h"
#include "platform/appkit/Application.h"
#include "store/TableViewItem.h"

namespace mainwindowsupport {

// A link entry (always reachable) named `name`, at a host made of it.
inline frelt::TableViewItem::Ptr link(const std::string& name, const std::string& comment = "") {
    std::string host;
    for (char c : name) host += std::isalnum(static_cast<unsigned char>(c)) ? char(std::tolower(c)) : '-';
    return frelt::TableViewItem::initForURL("https://" + host + ".example/", name, comment);
}

// Registers the shell's scenes and images (each test starts without any).
inline void registerShell() {
    frelt::registerShellScenes();
    frelt::registerShellImages();
}

// Shows the main window as a window, an attached popover or a detached one;
// any other state closes it. The program ends up active.
inline void present(frelt::MainWindowState state) {
    using frelt::MainWindowState;
    registerShell();
    const auto manager = frelt::FreltManager::shared();
    if (frelt::mainWindowIsVisible(manager->mainWindowState())) manager->closeMainWindow();
    if (frelt::mainWindowIsVisible(state)) {
        auto config = frelt::AppDelegate::shared()->config;
        const int style = config->windowViewStyle;
        config->windowViewStyle = state == MainWindowState::window ? 1 : 0;
        manager->mainWindowShow();
        config->windowViewStyle = style;
        if (state == MainWindowState::detachedPopover) manager->popover()->detach();
    }
    platform::Application::shared()->activate();
    if (frelt::mainWindowIsVisible(state))
        EXPECT_TRUE(manager->mainWindowState() == state) << "the main window is not in state " << static_cast<int>(state);
    else
        EXPECT_FALSE(frelt::mainWindowIsVisible(manager->mainWindowState())) << "the main window is still shown";
}

}  // namespace mainwindowsupport
