#include "hotkeys/ModifierEventHandler.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/foundation/RunLoop.h"
#include "support/FreltTest.h"

using namespace frelt;
namespace mf = frelt::modifierflags;

namespace {

class ModifierEventHandlerTest : public FreltTest {};

// Flags handed in at a moment, in milliseconds since the first event.
struct Step {
    int atMs;
    ModifierFlags flags;
};

struct Case {
    const char* name;
    std::vector<Step> steps;
    std::vector<ModifierFlags> taps;
};

TEST_F(ModifierEventHandlerTest, RecognisesDoubleTapsByTheRulesOfItsTable) {
    const ModifierFlags chord = mf::shift | mf::control;
    const std::vector<Case> cases = {
        {"a single tap", {{0, mf::shift}, {50, 0}}, {}},
        {"two taps within 300 ms", {{0, mf::shift}, {50, 0}, {200, mf::shift}, {250, 0}}, {mf::shift}},
        {"two taps 350 ms apart", {{0, mf::shift}, {50, 0}, {350, mf::shift}}, {}},
        {"a third quick tap opens a new pending tap",
         {{0, mf::command}, {20, 0}, {100, mf::command}, {120, 0}, {200, mf::command}},
         {mf::command}},
        {"another modifier in between replaces the pending one",
         {{0, mf::shift}, {20, 0}, {100, mf::option}, {120, 0}, {200, mf::shift}},
         {}},
        {"a chord only suspends the pending tap",
         {{0, mf::shift}, {50, chord}, {100, mf::shift}, {150, 0}, {250, mf::shift}},
         {mf::shift}},
        {"the first single modifier after a chord is no tap",
         {{0, chord}, {20, 0}, {100, mf::control}, {120, 0}, {200, mf::control}},
         {}},
        {"a tap after a chord counts from the next press",
         {{0, chord}, {20, 0}, {100, mf::control}, {120, 0}, {200, mf::control}, {220, 0}, {250, mf::control}},
         {mf::control}},
        {"the right key while the left one is held", {{0, mf::shift}, {100, mf::shift}}, {mf::shift}},
        {"locks and the function key are no modifiers",
         {{0, mf::capsLock}, {20, 0}, {100, mf::capsLock}, {150, mf::function}, {200, mf::function | mf::numericPad}},
         {}},
        {"an earlier press's clearing empties a later pending tap",
         {{0, mf::option}, {20, 0}, {200, mf::shift}, {220, 0}, {350, mf::shift}},
         {}},
        {"other bits beside one modifier still make a tap",
         {{0, mf::option | mf::capsLock}, {20, mf::capsLock}, {100, mf::option | mf::capsLock}},
         {mf::option}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ModifierEventHandler handler(platform::dispatch::seconds(0.3), platform::dispatch::Queue::main());
        std::vector<ModifierFlags> taps;
        handler.setDoubleTapped([&](ModifierFlags modifier) { taps.push_back(modifier); });
        int now = 0;
        for (const auto& step : c.steps) {
            advance((step.atMs - now) / 1000.0);
            now = step.atMs;
            handler.handleModifiersEvent(step.flags);
        }
        EXPECT_EQ(taps, c.taps);
        advance(1.0);  // let the clearings of this case run
    }
}

TEST_F(ModifierEventHandlerTest, AnEventHandedInTwiceWithItsTimestampCountsOnce) {
    ModifierEventHandler handler(platform::dispatch::seconds(0.3), platform::dispatch::Queue::main());
    int taps = 0;
    handler.setDoubleTapped([&](ModifierFlags) { ++taps; });
    handler.handleModifiersEvent(mf::shift, 1.0);
    handler.handleModifiersEvent(mf::shift, 1.0);
    EXPECT_EQ(taps, 0);
    EXPECT_EQ(handler.tappingModifierFlags(), mf::shift);
    handler.handleModifiersEvent(0, 1.05);
    handler.handleModifiersEvent(mf::shift, 1.1);
    EXPECT_EQ(taps, 1);
}

TEST_F(ModifierEventHandlerTest, ClearingAfterTheHandlerIsGoneDoesNothing) {
    auto handler =
        std::make_unique<ModifierEventHandler>(platform::dispatch::seconds(0.3), platform::dispatch::Queue::main());
    handler->handleModifiersEvent(mf::shift);
    handler.reset();
    advance(1.0);  // the scheduled clearing finds nothing to clear
}

}  // namespace
