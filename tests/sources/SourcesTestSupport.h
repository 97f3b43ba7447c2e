#pragma once
// The fixture of the entry-source tests: the entry tests' fixture (log gate
// open, a recording workspace, files and folders made on demand) with the
// modal script, whose answers must all be used. The simulated access
// restriction and injected bookmark failures are switched off again after
// every test, whatever it did.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/ModalScript.h"
#include "platform/foundation/Bookmark.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/URL.h"
#include "store/TableViewItemTestSupport.h"
#include "support/PostCounter.h"

class SourcesTest : public EntryTest {
protected:
    void SetUp() override {
        EntryTest::SetUp();
        script = platform::ModalScript::shared();
    }
    void TearDown() override {
        EXPECT_TRUE(script->verifyAllAnswersUsed());
        EntryTest::TearDown();
        platform::fileaccess::setSimulatedRestriction(std::nullopt);
        platform::bookmark::setFaultInjector(nullptr);
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

    // Runs the loop and the manual clock, a quarter second a step, until
    // the condition holds (work on the worker pool, inotify and timers all
    // come in through it); false when it did not within `steps`.
    bool runUntil(const std::function<bool()>& condition, int steps = 40) {
        for (int i = 0; i < steps; ++i) {
            drain();
            if (condition()) return true;
            advance(0.25);
        }
        drain();
        return condition();
    }

    std::shared_ptr<platform::ModalScript> script;
};

