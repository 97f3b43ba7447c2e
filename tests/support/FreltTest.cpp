#include "support/FreltTest.h"

#include <cstdlib>
#include <thread>

#include "platform/appkit/ModalScript.h"
#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/FailureHook.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/RunLoop.h"
#include "platform/foundation/SingleInstance.h"

namespace fs = std::filesystem;

void FreltTest::SetUp() {
    std::string tmpl = (fs::temp_directory_path() / "frelt-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;

    platform::PathLayout layout;
    layout.home = root_ / "home";
    layout.configHome = layout.home / ".config";
    layout.dataHome = layout.home / ".local/share";
    layout.cacheHome = layout.home / ".cache";
    layout.dataDirs = {root_ / "usr/share"};
    layout.configDirs = {root_ / "etc/xdg"};
    for (const auto& p : {layout.home, layout.configHome, layout.dataHome, layout.cacheHome}) fs::create_directories(p);
    platform::Paths::setLayout(layout);

    platform::manualclock::install();
    logs_ = std::make_shared<platform::CapturingLogSink>();
    platform::setLogSink(logs_);
    platform::setFailureHandler([](const std::string& message) { ADD_FAILURE() << message; });
}

void FreltTest::TearDown() {
    drain();
    // An answer nobody took points at a path the test never went down.
    platform::ModalScript::shared()->verifyAllAnswersUsed();
    platform::singleinstance::resetAll();
    drain();
    platform::dispatch::discardPendingWork();
    platform::RunLoop::main().reset();
    platform::NotificationCenter::defaultCenter().removeAllObservers();
    platform::setFailureHandler(nullptr);
    platform::setLogSink(nullptr);
    platform::manualclock::uninstall();
    platform::Paths::setLayout(std::nullopt);
    std::error_code ec;
    fs::remove_all(root_, ec);
}

void FreltTest::advance(double seconds) { platform::manualclock::advance(seconds); }

void FreltTest::drain() {
    for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(platform::dispatch::waitForBackgroundIdle()) << "background queues did not finish";
        if (platform::RunLoop::main().runUntilIdle() == 0 && !platform::dispatch::mainqueue::hasPending()) return;
    }
}

bool FreltTest::eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

std::vector<std::string> FreltTest::loggedAfter(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& m : logs_->messages())
        if (m.rfind(prefix, 0) == 0) out.push_back(m.substr(prefix.size()));
    return out;
}
