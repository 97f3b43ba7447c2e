#pragma once
// The fixture of the settings panes and the link dialog: the entry sources'
// fixture (a recording workspace, the modal script, files made on demand)
// with the panes' scenes registered and the help texts found in the tree.
// A pane is made from its scene and shown in a window of its own, as the
// settings window shows one tab.

#include <memory>
#include <string>

#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "markdown/CustomMarkdownTextView.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/Window.h"
#include "settings/panes/PaneScenes.h"
#include "sources/SourcesTestSupport.h"
#include "store/Logging.h"

class PaneTest : public SourcesTest {
protected:
    void SetUp() override {
        SourcesTest::SetUp();
        frelt::registerSettingsPaneScenes();
        frelt::CustomMarkdownTextView::setResourceFolder(std::filesystem::path(FRELT_SOURCE_DIR) / "resources");
    }
    void TearDown() override {
        for (const auto& window : windows_) window->close();
        windows_.clear();
        frelt::CustomMarkdownTextView::setResourceFolder(std::nullopt);
        SourcesTest::TearDown();
    }

    template <class T>
    static std::shared_ptr<T> pane(const std::string& identifier) {
        return frelt::instantiateScene<T>("ConfigSettings", identifier);
    }
    // Puts the controller's view in a window of the settings kind and brings
    // it on screen (the controller's appear calls run).
    std::shared_ptr<platform::Window> show(const std::shared_ptr<platform::ViewController>& controller) {
        auto window = std::make_shared<platform::Window>(platform::Rect(0, 0, 800, 600), platform::stylemask::titled);
        window->setReleasedWhenClosed(false);
        auto windowController = frelt::defaultFreltWindowController::withWindow(window);
        windowController->setWindowControllerType(frelt::FreltWindowEnum::settings);
        window->setContentViewController(controller);
        window->makeKeyAndOrderFront(nullptr);
        windows_.push_back(window);
        windowControllers_.push_back(windowController);
        return window;
    }
    // Presses a segment of a pane's segmented control, as a click does.
    static void press(const std::weak_ptr<platform::SegmentedControl>& control, long segment) {
        const auto segments = control.lock();
        ASSERT_TRUE(segments->isEnabledForSegment(segment)) << "a person could not press a disabled segment";
        segments->setSelectedSegment(segment);
        segments->sendAction();
    }

private:
    std::vector<std::shared_ptr<platform::Window>> windows_;
    std::vector<std::shared_ptr<frelt::defaultFreltWindowController>> windowControllers_;
};
