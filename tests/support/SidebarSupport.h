#pragma once
// Puts tags into the registry and builds the main window's sidebar from the
// store and the tags, wired to its view controller as the main view wires
// it. Header only: the tests that use it link the program's code.

#include <memory>
#include <string>
#include <vector>

#include "app/FreltManager.h"
#include "mainwindow/MainOutlineView.h"
#include "mainwindow/MainViewController.h"
#include "store/TagManager.h"

namespace sidebarsupport {

// Registers a visible tag of each name (used by one entry, the default
// symbol) and derives the visible list again; answers the tags in order.
inline std::vector<frelt::iconTag::Ptr> addVisibleTags(const std::vector<std::string>& names) {
    const auto registry = frelt::TagManager::shared();
    std::vector<frelt::iconTag::Ptr> made;
    for (const auto& name : names) {
        auto tag = frelt::iconTag::initWithNewName(name, frelt::TagManager::defaultTag);
        tag->setTagUsed(true);
        tag->setTagVisible(true);
        tag->setTagUseCounter(1);
        registry->allAvailableTags()->append(tag);
        made.push_back(tag);
    }
    registry->rebuildVisibleTags();
    return made;
}

// The main view controller's sidebar, built (everything expanded, the first
// entry selected); the controller's view is loaded for it.
inline std::shared_ptr<frelt::MainOutlineView> buildMainSidebar() {
    const auto controller = frelt::FreltManager::shared()->viewControllerMain();
    controller->loadViewIfNeeded();
    auto sidebar = controller->sectionView.lock();
    sidebar->updateContent(true);
    return sidebar;
}

}  // namespace sidebarsupport
