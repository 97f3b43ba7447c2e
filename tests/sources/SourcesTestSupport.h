#pragma once
// The fixture of the entry-source tests: the log gate open, a recording
// workspace, the modal script, and helpers to make files and folders. The
// simulated access restriction and injected bookmark failures are switched
// off again after every test, whatever it did.

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/ModalScript.h"
#include "platform/appkit/RecordingWorkspace.h"
#include "platform/foundation/Bookmark.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/URL.h"
#include "store/Logging.h"
#include "support/FreltTest.h"

class SourcesTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        workspace = platform::RecordingWorkspace::make();
        platform::Workspace::setShared(workspace);
        script = platform::ModalScript::shared();
        frelt::logging::setDebugLoggingEnabled(true);
    }
    void TearDown() override {
        EXPECT_TRUE(script->verifyAllAnswersUsed());
        FreltTest::TearDown();
        platform::fileaccess::setSimulatedRestriction(std::nullopt);
        platform::bookmark::setFaultInjector(nullptr);
        frelt::logging::setDebugLoggingEnabled(false);
    }

    std::string makeFile(const std::string& name, const std::string& contents = "x") {
        const auto path = root() / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << contents;
        return path.string();
    }
    std::string makeFolder(const std::string& name) {
        const auto path = root() / name;
        std::filesystem::create_directories(path);
        return path.string();
    }
    platform::URL fileURL(const std::string& name) const { return platform::URL::fileURL((root() / name).string()); }
    platform::URL folderURL(const std::string& name) const {
        return platform::URL::fileURL((root() / name).string(), true);
    }
    // Only the given folders (beneath the test's root) pass the access test.
    void restrictAccessTo(const std::vector<std::string>& names) {
        std::vector<std::filesystem::path> allowed;
        for (const auto& n : names) allowed.push_back(root() / n);
        platform::fileaccess::setSimulatedRestriction(allowed);
    }

    std::shared_ptr<platform::RecordingWorkspace> workspace;
    std::shared_ptr<platform::ModalScript> script;
};

// Counts posts of one notification.
class PostCounter {
public:
    explicit PostCounter(const std::string& name) {
        observation_ = platform::NotificationCenter::defaultCenter().observe(
            name, nullptr, [this](const platform::Notification&) { ++count; });
    }
    int count = 0;

private:
    platform::NotificationCenter::Observation observation_;
};
