#include <gtest/gtest.h>

#include "drawing/controls/CustomTokenField.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/Window.h"
#include "store/Logging.h"
#include "store/TagManager.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;
using namespace frelt;
using Strings = std::vector<std::string>;

namespace {

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

class CustomTokenFieldTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        registry = TagManager::shared();
        for (const char* name : {"Work", "Apps", "Maps", "apple"})
            registry->allAvailableTags()->append(iconTag::initWithNewName(name, "icon_tags"));
        drain();
        field = std::make_shared<CustomTokenField>(Rect(10, 10, 300, 24));
        field->setDelegate(field);
        field->internalTagManager = registry;
    }
    void TearDown() override {
        logging::setDebugLoggingEnabled(false);
        FreltTest::TearDown();
    }
    Strings tagNames() {
        Strings out;
        for (const auto& t : *registry->allAvailableTags()->snapshot()) out.push_back(t->tagName());
        return out;
    }
    static ValueArray values(const Strings& s) { return ValueArray(s.begin(), s.end()); }
    static Strings strings(const ValueArray& v) {
        Strings out;
        for (const auto& x : v) out.push_back(x.asString() ? *x.asString() : "?");
        return out;
    }

    std::shared_ptr<TagManager> registry;
    std::shared_ptr<CustomTokenField> field;
};

TEST_F(CustomTokenFieldTest, NewTokensAreNormalisedDeduplicatedCutAndMadeIntoTagsOnce) {
    struct Case {
        const char* name;
        Strings held, typed, accepted, created;
    };
    // Each case uses names of its own: the registry keeps what earlier cases made.
    const std::string a70(70, 'a'), b70(70, 'b'), c70(70, 'c');
    const std::vector<Case> cases = {
        {"held in another case", {"Work"}, {"work"}, {}, {}},
        {"known to the registry in another case", {}, {"work"}, {"work"}, {}},
        {"unknown: one new tag", {}, {"Travel"}, {"Travel"}, {"Travel"}},
        {"twice in one batch: both kept, one tag", {}, {"Trip", "trip"}, {"Trip", "trip"}, {"Trip"}},
        {"blanks round the separator", {}, {" a | b "}, {"a|b"}, {"a|b"}},
        {"70 characters stay whole", {}, {a70}, {a70}, {a70}},
        {"71 are cut to 70", {}, {b70 + "b"}, {b70}, {b70}},
        {"the second cut to the same name is dropped", {}, {c70 + "x", c70 + "y"}, {c70}, {c70}},
        // A cut never splits a character: e with its accent is one character of two units.
        {"combining marks", {}, {repeat("e\u0301", 71)}, {repeat("e\u0301", 35)}, {repeat("e\u0301", 35)}},
        {"emoji", {}, {repeat("\U0001F600", 71)}, {repeat("\U0001F600", 35)}, {repeat("\U0001F600", 35)}},
        {"CJK", {}, {repeat("\u65E5", 71)}, {repeat("\u65E5", 70)}, {repeat("\u65E5", 70)}},
    };
    for (const auto& c : cases) {
        auto fresh = std::make_shared<CustomTokenField>();
        fresh->internalTagManager = registry;
        const std::size_t before = tagNames().size();
        fresh->currentTokens = c.held;
        EXPECT_EQ(strings(fresh->acceptNewTokens(values(c.typed))), c.accepted) << c.name;
        drain();
        const Strings all = tagNames();
        const Strings created(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
        EXPECT_EQ(created, c.created) << c.name;
        for (const auto& name : c.created) {
            auto tag = registry->tagWithName(name);
            ASSERT_TRUE(tag) << name;
            EXPECT_TRUE(tag->tagUsed()) << c.name;
            EXPECT_EQ(tag->tagSymbol(), "icon_tags") << c.name;
        }
        Strings expectedCurrent = c.held;
        expectedCurrent.insert(expectedCurrent.end(), c.accepted.begin(), c.accepted.end());
        EXPECT_EQ(fresh->currentTokens, expectedCurrent) << c.name;
    }
}

TEST_F(CustomTokenFieldTest, TokensThatAreNotTextsAreRefusedAndWithoutARegistryNothingIsMade) {
    EXPECT_TRUE(field->acceptNewTokens(ValueArray{Value("a"), Value(3L)}).empty());
    EXPECT_TRUE(field->currentTokens.empty());

    field->internalTagManager.reset();
    EXPECT_EQ(strings(field->acceptNewTokens(values({"Travel"}))), (Strings{"Travel"}));
    drain();
    EXPECT_EQ(registry->tagWithName("Travel"), nullptr);
    EXPECT_TRUE(field->tagCompletions("ap", nullptr).empty());
}

TEST_F(CustomTokenFieldTest, ShorteningLogsWhatItDoesWhenDebugLoggingIsOn) {
    logging::setDebugLoggingEnabled(true);
    const std::string a70(70, 'a');
    Strings tokens{a70 + "1", "keep", a70 + "2"};
    CustomTokenField::shortenLongTokens(tokens);
    EXPECT_EQ(tokens, (Strings{a70, "keep"}));
    EXPECT_EQ(loggedAfter("Token is too long and will be shortened: ").size(), 2u);
    EXPECT_EQ(loggedAfter("Token renamed successfully").size(), 1u);
    EXPECT_EQ(loggedAfter("There is already a token with the shortened name.").size(), 1u);
}

TEST_F(CustomTokenFieldTest, CompletionsContainTheTextIgnoringCaseInCodePointOrder) {
    long selected = 99;
    EXPECT_EQ(field->tagCompletions("ap", &selected), (Strings{"Apps", "Maps", "apple"}));
    EXPECT_EQ(selected, 2) << "apple alone begins with ap as typed";
    EXPECT_EQ(field->tagCompletions("AP", &selected), (Strings{"Apps", "Maps", "apple"}));
    EXPECT_EQ(selected, -1);
    EXPECT_TRUE(field->tagCompletions("", &selected).empty());
    EXPECT_TRUE(field->tagCompletions("zz", nullptr).empty());
}

class TokenEditingTest : public CustomTokenFieldTest {
protected:
    void SetUp() override {
        CustomTokenFieldTest::SetUp();
        window = std::make_shared<Window>(Rect(0, 0, 400, 200));
        other = std::make_shared<TextField>(Rect(10, 100, 100, 22));
        window->contentView()->addSubview(field);
        window->contentView()->addSubview(other);
        field->setObjectValue(Value(values({"Work", "Home"})));
        field->didEndEditingHandler = [this] { calls.push_back("ended"); };
        field->didEndEditingAndValueWasChangedHandler = [this] { calls.push_back("changed"); };
        kit::makeKey(window);
        ASSERT_TRUE(window->makeFirstResponder(field));
    }
    std::shared_ptr<Window> window;
    std::shared_ptr<TextField> other;
    Strings calls;
};

TEST_F(TokenEditingTest, TypingACommaAddsATokenAndLeavingReportsTheChange) {
    EXPECT_EQ(field->tokensBeforeEditing, (Strings{"Work", "Home"}));
    kit::typeText("  trips ,");
    EXPECT_EQ(field->tokens(), (Strings{"Work", "Home", "trips"}));
    EXPECT_EQ(field->currentEditor()->string(), "");
    long selected = 0;
    kit::typeText("ap");
    EXPECT_EQ(field->completionsForTypedText(&selected), (Strings{"Apps", "Maps", "apple"}));
    EXPECT_EQ(selected, 2);

    // Leaving takes what was typed as a token too.
    window->makeFirstResponder(other);
    EXPECT_EQ(field->tokens(), (Strings{"Work", "Home", "trips", "ap"}));
    EXPECT_EQ(calls, (Strings{"ended", "changed"}));
    drain();
    EXPECT_TRUE(registry->tagWithName("trips"));
}

TEST_F(TokenEditingTest, DeletingATokenAndAddingItBackIsNoChange) {
    kit::pressKey(keycode::deleteKey);
    EXPECT_EQ(field->tokens(), (Strings{"Work"}));
    EXPECT_EQ(field->currentTokens, (Strings{"Work"}));
    kit::typeText("Home,");
    window->makeFirstResponder(other);
    EXPECT_EQ(calls, (Strings{"ended"}));
}

TEST_F(TokenEditingTest, ATokenHeldAlreadyInAnotherCaseIsRefused) {
    kit::typeText("work,");
    EXPECT_EQ(field->tokens(), (Strings{"Work", "Home"}));
    window->makeFirstResponder(other);
    EXPECT_EQ(calls, (Strings{"ended"}));
}

}  // namespace
