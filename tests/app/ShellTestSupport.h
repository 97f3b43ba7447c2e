#pragma once
// The shell's tests: the shell's scenes registered, debug logging on, and a
// few helpers to make windows of a kind.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/AppDelegate.h"
#include "app/FreltManager.h"
#include "app/FreltWindowEnum.h"
#include "app/ShellScenes.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/ModalScript.h"
#include "platform/appkit/Storyboard.h"
#include "platform/appkit/Window.h"
#include "store/Logging.h"
#include "support/FreltTest.h"
#include "support/PostCounter.h"

class ShellTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        frelt::registerShellScenes();
        frelt::registerShellImages();
        frelt::AppDelegate::shared()->config->setDebugLogging(true);
        // As at launch: its observers see every window close.
        (void)frelt::FreltManager::shared();
    }
    void TearDown() override {
        frelt::logging::setDebugLoggingEnabled(false);
        FreltTest::TearDown();
    }

    static std::shared_ptr<frelt::FreltManager> manager() { return frelt::FreltManager::shared(); }
    static std::shared_ptr<platform::Application> app() { return platform::Application::shared(); }
    static frelt::MainWindowState state() { return manager()->mainWindowState(); }
    static bool mainShown() { return frelt::mainWindowIsVisible(state()); }

    // Registers a scene for `kind` whose controller owns a plain window;
    // counts how often one is made.
    struct KindScene {
        int made = 0;
        bool modalPanel = false;
    };
    std::shared_ptr<KindScene> registerKind(frelt::FreltWindowEnum kind) {
        auto scene = std::make_shared<KindScene>();
        const auto storyboard = frelt::FreltWindow::getStoryBoardAsString(kind);
        platform::SceneRegistry::shared()->registerScene(
            storyboard, frelt::FreltWindow::getWindowControllerIdentifier(kind), [scene] {
                ++scene->made;
                auto window = std::make_shared<platform::Window>();
                window->setModalPanel(scene->modalPanel);
                return frelt::defaultFreltWindowController::withWindow(window);
            });
        platform::SceneRegistry::shared()->registerScene(storyboard, frelt::FreltWindow::getViewControllerIdentifier(kind),
                                                         [] { return std::make_shared<platform::ViewController>(); });
        return scene;
    }

    // The number of log lines equal to `line`.
    std::size_t countLogged(const std::string& line) {
        std::size_t n = 0;
        for (const auto& m : logs().messages())
            if (m == line) ++n;
        return n;
    }
};
