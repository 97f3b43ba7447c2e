#pragma once
// The fixture every test of the program uses: a temporary home with its own
// XDG folders, the manual clock, captured log lines, reset single instances,
// and platform failure reports (such as an unscripted modal) turned into test
// failures. A test that leaves scripted modal answers unused fails.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/log/Log.h"

class FreltTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Moves the manual clock, firing due timers and delayed work.
    void advance(double seconds);
    // Runs the main queue and due timers; waits for background queues first.
    void drain();
    // Waits (in real time, yielding) until `condition` holds, for work on
    // other threads; false when `timeout` passed first.
    static bool eventually(const std::function<bool()>& condition,
                           std::chrono::milliseconds timeout = std::chrono::seconds(10));

    platform::CapturingLogSink& logs() { return *logs_; }
    // The captured messages that begin with `prefix`, without it.
    std::vector<std::string> loggedAfter(const std::string& prefix) const;
    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path home() const { return root_ / "home"; }

private:
    std::filesystem::path root_;
    std::shared_ptr<platform::CapturingLogSink> logs_;
};
