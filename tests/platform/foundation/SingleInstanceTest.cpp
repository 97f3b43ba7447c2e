#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/SingleInstance.h"
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
