// One writer of the settings: the lock in the settings folder, held for as
// long as its holder lives, refused to a second taker without touching the
// folder.

#include "platform/linux/InstanceLock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using platform::InstanceLock;

namespace {

class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/frelt-lock-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
    }
    void TearDown() override {
        std::error_code error;
        fs::permissions(root_, fs::perms::owner_all, error);
        fs::remove_all(root_, error);
    }
    fs::path root_;
};

TEST_F(InstanceLockTest, OneHolderAtATimeAndASecondTakerChangesNothing) {
    const fs::path folder = root_ / "config" / "frelt";
    auto first = InstanceLock::acquire(folder);
    ASSERT_EQ(first.outcome, InstanceLock::Outcome::held) << first.message;
    const auto lockFile = folder / InstanceLock::fileName;
    const auto written = fs::last_write_time(lockFile);

    // Another process, as a second start is.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const auto second = InstanceLock::acquire(folder);
        const bool refused = second.outcome == InstanceLock::Outcome::heldElsewhere && !second.lock &&
                             second.message.find(folder.string()) != std::string::npos;
        ::_exit(refused ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the second start was not refused";
    EXPECT_EQ(fs::last_write_time(lockFile), written);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

    // Once the holder is gone the next start takes it.
    first.lock.reset();
    EXPECT_EQ(InstanceLock::acquire(folder).outcome, InstanceLock::Outcome::held);
}

TEST_F(InstanceLockTest, AFolderThatCannotBeWrittenLeavesTheProgramToRunWithout) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes every folder";
    fs::permissions(root_, fs::perms::owner_read | fs::perms::owner_exec);
    const auto result = InstanceLock::acquire(root_ / "frelt");
    EXPECT_EQ(result.outcome, InstanceLock::Outcome::unavailable);
    EXPECT_FALSE(result.message.empty());
}

}  // namespace
