#pragma once
// What the dialogs' tests share: the settings loaded with the log open, the
// scenes and images registered, a headless hotkey service, and entries made
// from small files in the test's own folder.

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/FreltWindowEnum.h"
#include "app/InterfaceResources.h"
#include "markdown/CustomMarkdownTextView.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ModalScript.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/appkit/Workspace.h"
#include "platform/carbon/HotKeyService.h"
#include "store/Configuration.h"
#include "store/DataStorage.h"
#include "store/Logging.h"
#include "store/TableViewItem.h"
#include "store/TagManager.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

namespace dialogtest {

using Strings = std::vector<std::string>;

class DialogTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        platform::Workspace::setShared(platform::RecordingWorkspace::make());
        platform::HotKeyService::setShared(std::make_shared<platform::HeadlessHotKeyService>());
        config();
        frelt::logging::setDebugLoggingEnabled(true);
        frelt::registerInterfaceResources();
        auto images = platform::ImageRegistry::shared();
        for (const auto& name : frelt::TagManager::shared()->iconNames()) {
            auto image = std::make_shared<platform::Image>(platform::Size{16, 16});
            image->setName(name);
            images->registerImage(name, image);
        }
    }
    void TearDown() override {
        frelt::CustomMarkdownTextView::setResourceFolder(std::nullopt);
        frelt::logging::setDebugLoggingEnabled(false);
        FreltTest::TearDown();
    }

    static std::shared_ptr<frelt::Configuration> config() { return frelt::AppDelegate::shared()->config; }
    static std::shared_ptr<frelt::DataStorage> store() { return frelt::DataStorage::shared(); }
    static std::shared_ptr<platform::Application> app() { return platform::Application::shared(); }
    static std::shared_ptr<platform::ModalScript> script() { return platform::ModalScript::shared(); }

    frelt::TableViewItem::Ptr addFile(const std::string& name, const Strings& tags = {}) {
        const auto path = root() / "data" / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << "x";
        auto entry = frelt::TableViewItem::initForExternalNonSpotlightObject(path.string());
        entry->setTags(tags);
        EXPECT_EQ(store()->addToAllData(entry), frelt::DataStorage::addResultAdded);
        return entry;
    }
    void rebuildStore() { store()->rebuildData(frelt::RebuildDataReason::datastorageInitialize); }

    // The resources the text views read, in a folder of the test's own.
    std::filesystem::path useResources(const std::vector<std::pair<std::string, std::string>>& files) {
        const auto folder = root() / "resources";
        std::filesystem::create_directories(folder);
        for (const auto& [name, text] : files) std::ofstream(folder / name) << text;
        frelt::CustomMarkdownTextView::setResourceFolder(folder);
        return folder;
    }
};

}  // namespace dialogtest
