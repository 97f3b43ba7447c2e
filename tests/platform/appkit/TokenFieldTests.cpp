#include <gtest/gtest.h>

#include "platform/appkit/Application.h"
#include "platform/appkit/TextView.h"
#include "platform/appkit/TokenField.h"
#include "platform/appkit/Window.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;

namespace {

using Strings = std::vector<std::string>;

// Upper-cases what it accepts, refuses "no", and offers completions.
class ShoutingDelegate : public TokenFieldDelegate {
public:
    std::vector<std::size_t> indexes;
    int changes = 0;
    ValueArray shouldAddObjects(TokenField&, const ValueArray& tokens, std::size_t index) override {
        indexes.push_back(index);
        ValueArray out;
        for (const auto& t : tokens) {
            std::string s = *t.asString();
            if (s == "no") continue;
            for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            out.emplace_back(s);
        }
        return out;
    }
    std::vector<std::string> completionsForSubstring(TokenField&, const std::string& substring, long tokenIndex,
                                                     long* selected) override {
        if (selected) *selected = 0;
        return {substring + "!", std::to_string(tokenIndex)};
    }
    void controlTextDidChange(const Notification&) override { ++changes; }
};

class TokenFieldTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        window = std::make_shared<Window>(Rect(0, 0, 300, 100));
        field = std::make_shared<TokenField>(Rect(10, 10, 200, 24));
        other = std::make_shared<TextField>(Rect(10, 50, 100, 22));
        window->contentView()->addSubview(field);
        window->contentView()->addSubview(other);
        field->setDelegate(delegate);
        kit::makeKey(window);
        ASSERT_TRUE(window->makeFirstResponder(field));
    }
    std::shared_ptr<Window> window;
    std::shared_ptr<TokenField> field;
    std::shared_ptr<TextField> other;
    std::shared_ptr<ShoutingDelegate> delegate = std::make_shared<ShoutingDelegate>();
};

TEST_F(TokenFieldTest, TypedTextBecomesTokensAtACommaAndAtTheEndThroughTheDelegate) {
    EXPECT_TRUE(field->tokens().empty());
    kit::typeText(" a , no,b");
    EXPECT_EQ(field->tokens(), (Strings{"A"})) << "trimmed, refused, the rest still being typed";
    EXPECT_EQ(field->currentEditor()->string(), "b");
    long selected = -1;
    EXPECT_EQ(field->completionsForTypedText(&selected), (Strings{"b!", "1"}));
    EXPECT_EQ(selected, 0);
    window->makeFirstResponder(other);
    EXPECT_EQ(field->tokens(), (Strings{"A", "B"}));
    EXPECT_EQ(delegate->indexes, (std::vector<std::size_t>{0, 1, 1})) << "each batch at the end of the tokens";
}

TEST_F(TokenFieldTest, DeleteWithNothingTypedRemovesTheLastToken) {
    field->setObjectValue(Value(ValueArray{Value("x"), Value("y")}));
    ASSERT_TRUE(window->makeFirstResponder(field));
    delegate->changes = 0;
    kit::pressKey(keycode::deleteKey);
    EXPECT_EQ(field->tokens(), (Strings{"x"}));
    EXPECT_EQ(delegate->changes, 1) << "a removed token is a change";
    kit::typeText("z");
    kit::pressKey(keycode::deleteKey);
    EXPECT_EQ(field->tokens(), (Strings{"x"})) << "Delete takes the typed text first";
    // A text given to the field is not a token list and changes nothing.
    field->cell()->setObjectValue(Value("loose text"));
    EXPECT_EQ(field->tokens(), (Strings{"x"}));
}

}  // namespace
