#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <thread>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/SingleInstance.h"
#include "support/Watchdog.h"
#include "support/FreltTest.h"

namespace {

std::vector<std::string> gDestroyed;
int gMade = 0;

template <int N>
struct Service {
    Service() { ++gMade; }
    ~Service() { gDestroyed.push_back("service " + std::to_string(N)); }
    static std::shared_ptr<Service> shared() {
        return platform::singleInstance<Service>([] { return std::make_shared<Service>(); });
    }
};

// Makes the service it depends on while it is being made.
struct Dependent {
    Dependent() : dependency(Service<9>::shared()) {}
    ~Dependent() { gDestroyed.push_back("dependent"); }
    std::shared_ptr<Service<9>> dependency;
    static std::shared_ptr<Dependent> shared() {
        return platform::singleInstance<Dependent>([] { return std::make_shared<Dependent>(); });
    }
};

// Its factory asks for the instance being made (a mistake a long chain of
// constructors can hide).
struct SelfAsking {
    static inline bool askSelf = true;
    SelfAsking() { ++gMade; }
    static std::shared_ptr<SelfAsking> shared() {
        return platform::singleInstance<SelfAsking>([] {
            if (askSelf) (void)shared();
            return std::make_shared<SelfAsking>();
        });
    }
};

// Slow to make, so that other threads ask while it is being made.
struct Slow {
    explicit Slow(platform::dispatch::Semaphore& go) {
        go.wait();
        ++made;
    }
    static inline std::atomic<int> made{0};
};

}  // namespace

class SingleInstanceTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        gDestroyed.clear();
        gMade = 0;
    }
};

TEST_F(SingleInstanceTest, IsMadeOnceAndResetNewestFirst) {
    auto one = Service<1>::shared();
    EXPECT_EQ(Service<1>::shared(), one);
    Service<3>::shared();
    Service<2>::shared();
    Dependent::shared();
    EXPECT_EQ(gMade, 4);
    one.reset();

    platform::singleinstance::resetAll();
    // The dependency was finished first, so it goes last.
    EXPECT_EQ(gDestroyed,
              (std::vector<std::string>{"dependent", "service 9", "service 2", "service 3", "service 1"}));

    // After a reset the next use makes a fresh instance.
    Service<1>::shared();
    EXPECT_EQ(gMade, 5);
}

TEST_F(SingleInstanceTest, AnInstanceStillHeldOutlivesTheReset) {
    auto held = Service<4>::shared();
    platform::singleinstance::resetAll();
    EXPECT_TRUE(gDestroyed.empty());
    EXPECT_NE(Service<4>::shared(), held);
    held.reset();
    EXPECT_EQ(gDestroyed, (std::vector<std::string>{"service 4"}));
}

// A factory that asks for its own instance once made a second object behind
// the first one's back; now the mistake is reported, and nothing is kept.
TEST_F(SingleInstanceTest, AFactoryAskingForItsOwnInstanceFailsClearly) {
    SelfAsking::askSelf = true;
    try {
        SelfAsking::shared();
        ADD_FAILURE() << "no error";
    } catch (const std::logic_error& e) {
        EXPECT_NE(std::string(e.what()).find("SelfAsking"), std::string::npos) << e.what();
    }
    EXPECT_EQ(gMade, 0);
    SelfAsking::askSelf = false;
    auto made = SelfAsking::shared();
    EXPECT_EQ(SelfAsking::shared(), made);
    EXPECT_EQ(gMade, 1);
}

TEST_F(SingleInstanceTest, ThreadsAskingWhileItIsMadeGetTheSameObject) {
    Slow::made = 0;
    platform::dispatch::Semaphore go;
    auto shared = [&] {
        return platform::singleInstance<Slow>([&] { return std::make_shared<Slow>(go); });
    };
    std::vector<std::shared_ptr<Slow>> got(4);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < got.size(); ++i) threads.emplace_back([&, i] { got[i] = shared(); });
    go.signal();
    for (auto& t : threads) t.join();
    EXPECT_EQ(Slow::made.load(), 1);
    for (auto& g : got) EXPECT_EQ(g, got[0]);
}

// The atomic-file fault injector is per-test state: one test's faults must not
// reach the next. It is called outside its lock, so an injector that fails
// once and then removes itself (a common test pattern) once deadlocked.
TEST_F(SingleInstanceTest, TheFileFaultInjectorMayRemoveItselfAndIsForgottenBetweenTests) {
    Watchdog watchdog("a fault injector that removes itself");
    namespace atomicfile = platform::atomicfile;
    const auto file = root() / "settings.plist";
    atomicfile::setFaultInjector([](atomicfile::Stage, const std::filesystem::path&) {
        atomicfile::setFaultInjector(nullptr);
        return EIO;
    });
    EXPECT_FALSE(platform::writeFileAtomically(file, platform::Data{1, 2}));
    EXPECT_TRUE(platform::writeFileAtomically(file, platform::Data{1, 2}));

    atomicfile::setFaultInjector([](atomicfile::Stage, const std::filesystem::path&) { return ENOSPC; });
    platform::singleinstance::resetAll();
    EXPECT_TRUE(platform::writeFileAtomically(file, platform::Data{3}));
}
