#pragma once
// Shared pieces of the entry tests: a fixture with a recording workspace and
// the log gate open, and a recorder of "tableViewItemChanged".

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/RecordingWorkspace.h"
#include "platform/foundation/NotificationCenter.h"
#include "store/ChangeNotifications.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"
#include "store/TableViewItem.h"
#include "support/FreltTest.h"

class EntryTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        workspace = platform::RecordingWorkspace::make();
        platform::Workspace::setShared(workspace);
        frelt::logging::setDebugLoggingEnabled(true);
    }
    void TearDown() override {
        frelt::logging::setDebugLoggingEnabled(false);
        FreltTest::TearDown();
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
    std::string makeApplication(const std::string& fileName, const std::string& displayName) {
        return makeFile(fileName, "[Desktop Entry]\nType=Application\nName=" + displayName + "\nExec=true\n");
    }

    std::shared_ptr<platform::RecordingWorkspace> workspace;
};

// Every "tableViewItemChanged" as "reason path".
class ChangeRecorder {
public:
    ChangeRecorder() {
        observation_ = platform::NotificationCenter::defaultCenter().observe(
            frelt::Notifications::tableViewItemChanged, nullptr, [this](const platform::Notification& n) {
                const auto* payload = n.objectAs<std::shared_ptr<frelt::TableViewItemChangedNotifyObject>>();
                if (!payload || !*payload) {
                    posts.push_back("<no payload>");
                    return;
                }
                const auto& object = **payload;
                posts.push_back(std::string(object.reason ? frelt::rawValue(*object.reason) : "none") + " " + object.path);
            });
    }
    std::vector<std::string> reasons() const {
        std::vector<std::string> out;
        for (const auto& p : posts) out.push_back(p.substr(0, p.find(' ')));
        return out;
    }
    std::vector<std::string> posts;

private:
    platform::Subscription observation_;
};
