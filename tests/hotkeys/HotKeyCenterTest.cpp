#include "hotkeys/HotKeyCenter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HotkeyTestSupport.h"
#include "hotkeys/KeyTranslating.h"
#include "platform/appkit/Application.h"
#include "platform/foundation/NotificationCenter.h"
#include "support/KitHarness.h"

using namespace frelt;
namespace mf = frelt::modifierflags;
namespace cm = frelt::carbonmodifiers;

namespace {

class HotKeyCenterTest : public HotkeyTest {
protected:
    // A hotkey whose action counts its runs and keeps the time it carried.
    HotKey::Ptr counting(const std::string& identifier, const KeyCombo::Ptr& keyCombo) {
        return HotKey::make(identifier, keyCombo, HotKey::ActionQueue::main, [this](const HotKey::Ptr& fired) {
            ++runs[fired->identifier()];
            times.push_back(fired->windowServerTime());
        });
    }

    std::map<std::string, int> runs;
    std::vector<std::uint32_t> times;
};

TEST_F(HotKeyCenterTest, RegistersWithTheServiceUnderSignatureAndGrowingIds) {
    const auto first = counting("first", combo(Key::k, mf::command | mf::shift));
    const auto second = counting("second", combo(Key::f5, 0));
    ASSERT_TRUE(first->registerHotKey());
    ASSERT_TRUE(second->registerHotKey());
    EXPECT_EQ(first->hotKeyId(), 0u);
    EXPECT_EQ(second->hotKeyId(), 1u);
    EXPECT_EQ(center()->hotKeyCount(), 2u);
    ASSERT_EQ(service->registrations().size(), 2u);
    const auto& registration = service->registrations().at(*first->hotKeyRef());
    EXPECT_EQ(registration.keyCode, 40u);
    EXPECT_EQ(registration.modifiers, static_cast<std::uint32_t>(cm::command | cm::shift));
    EXPECT_EQ(registration.id.signature, platform::osTypeFromString("Dudire"));
    EXPECT_EQ(service->registrations().at(*second->hotKeyRef()).modifiers, static_cast<std::uint32_t>(cm::function));
}

TEST_F(HotKeyCenterTest, RefusesWhatItHoldsAndWhatTheServiceRefuses) {
    const auto hotKey = counting("a", combo(Key::k));
    ASSERT_TRUE(center()->registerHotKey(hotKey));
    EXPECT_FALSE(center()->registerHotKey(hotKey)) << "the same object twice";
    EXPECT_EQ(center()->tryRegister(counting("a", combo(Key::j))), HotKeyCenter::Registration::identifierTaken);
    EXPECT_EQ(center()->tryRegister(counting("b", combo(Key::k))), HotKeyCenter::Registration::keyComboTaken);

    service->holdElsewhere(QWERTYKeyCode(Key::j), cm::command);
    EXPECT_EQ(center()->tryRegister(counting("c", combo(Key::j))), HotKeyCenter::Registration::refusedByService);

    // A stored mask the service cannot take is refused before anything changes.
    const auto wide = KeyCombo::decode(platform::Value(platform::ValueDictionary{
        {"key", platform::Value("m")}, {"modifiers", platform::Value(std::int64_t{1} << 33)},
        {"doubledModifiers", platform::Value(false)}}));
    ASSERT_TRUE(wide);
    EXPECT_EQ(center()->tryRegister(counting("d", wide)), HotKeyCenter::Registration::invalidModifiers);

    EXPECT_EQ(held(), (std::vector<std::string>{"a"}));
    EXPECT_EQ(center()->hotKeyCount(), 1u);
    EXPECT_EQ(service->registrations().size(), 1u);
}

TEST_F(HotKeyCenterTest, RegistersTheCodeOfTheKeyInTheCurrentLayout) {
    // A layout where z sits at code 16 (as on a German keyboard).
    class German : public QWERTYKeyTranslator {
    public:
        std::optional<std::uint16_t> keyCode(Key key) const override {
            if (key == Key::z) return 16;
            if (key == Key::y) return 6;
            return QWERTYKeyTranslator::keyCode(key);
        }
    };
    KeyTranslating::setShared(std::make_shared<German>());
    const auto hotKey = counting("z", combo(Key::z));
    ASSERT_TRUE(hotKey->registerHotKey());
    EXPECT_EQ(service->registrations().at(*hotKey->hotKeyRef()).keyCode, 16u);
}

TEST_F(HotKeyCenterTest, APressRunsTheActionOnTheMainQueueWithItsTime) {
    const auto hotKey = counting("a", combo(Key::k, mf::command | mf::option));
    ASSERT_TRUE(hotKey->registerHotKey());
    EXPECT_TRUE(service->press(40, cm::command | cm::option, 123456));
    EXPECT_TRUE(runs.empty()) << "never inside the event's handling";
    drain();
    EXPECT_EQ(runs["a"], 1);
    EXPECT_EQ(times, (std::vector<std::uint32_t>{123456}));
    EXPECT_EQ(hotKey->windowServerTime(), 123456u);

    // An id of no hotkey, and a release, run nothing.
    service->deliverEvent(platform::HotKeyEvent{platform::HotKeyEvent::kindPressed, {0, 99}, 1});
    service->deliverEvent(platform::HotKeyEvent{platform::HotKeyEvent::kindReleased, {0, *hotKey->hotKeyId()}, 1});
    drain();
    EXPECT_EQ(runs["a"], 1);
}

TEST_F(HotKeyCenterTest, AnActionQueuedForAHotKeyGoneMeanwhileDoesNotRun) {
    auto hotKey = counting("a", combo(Key::k));
    ASSERT_TRUE(hotKey->registerHotKey());
    service->press(40, cm::command);
    center()->unregisterHotKey("a");
    hotKey.reset();
    drain();
    EXPECT_TRUE(runs.empty());
}

TEST_F(HotKeyCenterTest, SessionActionsAndTargetsRunAtOnce) {
    int direct = 0;
    const auto session = HotKey::make("s", combo(Key::s), HotKey::ActionQueue::session,
                                      [&](const HotKey::Ptr&) { ++direct; });
    session->invoke();
    EXPECT_EQ(direct, 1);

    class Target : public platform::Object {
    public:
        Target() {
            registerAction("fire:", [this](const std::shared_ptr<platform::Object>& sender) {
                if (const auto hotKey = std::dynamic_pointer_cast<HotKey>(sender)) senders.push_back(hotKey->identifier());
            });
        }
        std::vector<std::string> senders;
    };
    const auto target = std::make_shared<Target>();
    const auto answered = HotKey::make("t", combo(Key::t), target, "fire:", HotKey::ActionQueue::main);
    const auto unanswered = HotKey::make("u", combo(Key::u), target, "other:", HotKey::ActionQueue::session);
    answered->invoke();
    unanswered->invoke();
    EXPECT_TRUE(target->senders.empty());
    drain();
    EXPECT_EQ(target->senders, (std::vector<std::string>{"t"}));
}

TEST_F(HotKeyCenterTest, DoubleTapsAreHeldWithoutTheServiceAndRunFromModifierEvents) {
    const auto tap = counting("tap", KeyCombo::makeDoubled(mf::option));
    ASSERT_TRUE(tap->registerHotKey());
    EXPECT_EQ(service->registerCalls(), 0u);
    EXPECT_EQ(tap->hotKeyId(), std::nullopt);
    EXPECT_EQ(center()->hotKeyCount(), 0u);

    // Global input (another program active), with the window system's times.
    auto press = [](platform::ModifierFlags flags, std::uint32_t time) {
        auto event = platform::Event::flagsChangedEvent(0, flags);
        event->windowServerTime = time;
        platform::Application::shared()->sendGlobalEvent(event);
    };
    press(mf::option, 701000);
    press(0, 701050);
    press(mf::option, 701100);
    drain();
    EXPECT_EQ(runs["tap"], 1);
    EXPECT_EQ(times, (std::vector<std::uint32_t>{701100}));

    // Local input of the program's own windows counts too.
    advance(1.0);
    kit::changeFlags(mf::option);
    advance(0.05);
    kit::changeFlags(0);
    advance(0.05);
    kit::changeFlags(mf::option);
    drain();
    EXPECT_EQ(runs["tap"], 2);

    center()->unregisterHotKey(tap);
    EXPECT_TRUE(held().empty());
}

TEST_F(HotKeyCenterTest, OneKeyPressSeenByBothMonitorsCountsOnce) {
    const auto tap = counting("tap", KeyCombo::makeDoubled(mf::shift));
    ASSERT_TRUE(tap->registerHotKey());
    auto event = platform::Event::flagsChangedEvent(0, mf::shift);
    event->windowServerTime = 5000;
    platform::Application::shared()->sendGlobalEvent(event);
    auto again = platform::Event::flagsChangedEvent(0, mf::shift);
    again->windowServerTime = 5000;
    platform::Application::shared()->sendEvent(again);
    drain();
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(center()->modifierEventHandler().tappingModifierFlags(), mf::shift);
}

TEST_F(HotKeyCenterTest, UnregisteringByKindLeavesTheOtherKinds) {
    const auto tag = counting("tagKey :: A", combo(Key::a));
    tag->hotkeyType = HotKeyType::tagKey;
    const auto launchAll = counting("tagKeyLaunchAll :: A", combo(Key::b));
    launchAll->hotkeyType = HotKeyType::tagKeyLaunchAll;
    const auto untyped = counting("untyped", combo(Key::c));
    for (const auto& hotKey : {tag, launchAll, untyped}) ASSERT_TRUE(hotKey->registerHotKey());

    center()->unregisterHotKeys(std::nullopt);
    EXPECT_EQ(held().size(), 3u);
    center()->unregisterHotKeys(HotKeyType::tagKey);
    EXPECT_EQ(held(), (std::vector<std::string>{"tagKeyLaunchAll :: A", "untyped"}));
    EXPECT_EQ(tag->hotKeyRef(), std::nullopt);
    EXPECT_EQ(service->registrations().size(), 2u);

    platform::NotificationCenter::defaultCenter().post(platform::applicationnotification::willTerminate);
    EXPECT_TRUE(held().empty());
    EXPECT_TRUE(service->registrations().empty());
}

TEST_F(HotKeyCenterTest, AStaleHotKeyDoesNotTakeItsSuccessorWithIt) {
    const auto stale = counting("tagKey :: A", combo(Key::a));
    ASSERT_TRUE(stale->registerHotKey());
    center()->unregisterHotKey(stale);
    const auto successor = counting("tagKey :: A", combo(Key::a));
    ASSERT_TRUE(successor->registerHotKey());

    center()->unregisterHotKey(stale);
    stale->setPaused(true);
    EXPECT_EQ(held(), (std::vector<std::string>{"tagKey :: A"}));
    EXPECT_EQ(center()->hotKeys().at("tagKey :: A"), successor);
    EXPECT_TRUE(service->press(0, cm::command));
}

TEST_F(HotKeyCenterTest, PausingUnregistersAndResumingRegistersUnderANewId) {
    const auto hotKey = counting("a", combo(Key::k));
    ASSERT_TRUE(hotKey->registerHotKey());
    hotKey->setPaused(true);
    EXPECT_TRUE(held().empty());
    EXPECT_FALSE(service->press(40, cm::command));
    hotKey->setPaused(true);  // no change, nothing happens
    hotKey->setPaused(false);
    EXPECT_EQ(hotKey->hotKeyId(), 1u);
    EXPECT_TRUE(service->press(40, cm::command));
}

TEST_F(HotKeyCenterTest, UpdatesTheReferencedPathOfTheHotKeyWithTheCombination) {
    const auto hotKey = counting("a", combo(Key::k));
    ASSERT_TRUE(hotKey->registerHotKey());
    EXPECT_TRUE(center()->updateReferencedPath(*combo(Key::k), "/new"));
    EXPECT_EQ(hotKey->hotkeyReferencedPath, "/new");
    EXPECT_TRUE(logs().contains("HotkeyReferencePath changed to: /new"));
    EXPECT_FALSE(center()->updateReferencedPath(*combo(Key::j), "/other"));
    EXPECT_TRUE(center()->isRegistered(*combo(Key::k)));
    EXPECT_FALSE(center()->isRegistered(*KeyCombo::make(Key::k, mf::option)));
}

TEST_F(HotKeyCenterTest, HotKeysAreEqualByIdentifierCombinationAndRegistration) {
    const auto a = counting("a", combo(Key::k));
    const auto b = counting("a", combo(Key::k));
    EXPECT_TRUE(a->isEqual(*b));
    EXPECT_FALSE(a->isEqual(*counting("b", combo(Key::k))));
    ASSERT_TRUE(a->registerHotKey());
    EXPECT_FALSE(a->isEqual(*b)) << "one is registered, the other not";
}

}  // namespace
