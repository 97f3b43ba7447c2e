#include <gtest/gtest.h>

#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/TextView.h"
#include "support/FreltTest.h"

using namespace platform;

namespace {

class ContainerViewTest : public FreltTest {};

class LimitingDelegate : public SplitViewDelegate {
public:
    double constrainMaxCoordinate(SplitView&, double proposedMax, long) override { return std::min(proposedMax, 250.0); }
};

TEST_F(ContainerViewTest, SplitViewDividerKeepsMinimumWidthsAndDelegateLimits) {
    auto split = std::make_shared<SplitView>(Rect(0, 0, 401, 100));
    auto left = std::make_shared<View>(Rect(0, 0, 200, 100));
    auto right = std::make_shared<View>(Rect(0, 0, 200, 100));
    split->addArrangedSubview(left);
    split->addArrangedSubview(right);
    split->setMinimumThickness(left, 120);
    split->setMinimumThickness(right, 100);
    split->setAutosaveName("mainSplitView");

    struct Case {
        double proposed, expected;
    };
    for (const Case& c : {Case{50, 120}, Case{180, 180}, Case{390, 300}}) {
        split->setPosition(c.proposed, 0);
        EXPECT_DOUBLE_EQ(split->positionOfDivider(0), c.expected) << c.proposed;
        EXPECT_DOUBLE_EQ(left->frame().width() + right->frame().width() + split->dividerThickness(), 401);
    }
    auto delegate = std::make_shared<LimitingDelegate>();
    split->setDelegate(delegate);
    split->setPosition(390, 0);
    EXPECT_DOUBLE_EQ(split->positionOfDivider(0), 250);
    EXPECT_DOUBLE_EQ(right->frame().minX(), 251);
}

TEST_F(ContainerViewTest, StackViewLaysOutVisibleViewsInOrder) {
    auto a = std::make_shared<View>(Rect(0, 0, 40, 10));
    auto hidden = std::make_shared<View>(Rect(0, 0, 40, 10));
    auto b = std::make_shared<View>(Rect(0, 0, 30, 10));
    hidden->setHidden(true);
    auto stack = StackView::withViews({a, hidden, b});
    stack->setOrientation(UserInterfaceLayoutOrientation::vertical);
    stack->setAlignment(LayoutAttribute::left);
    stack->setSpacing(5);
    stack->setFrame(Rect(0, 0, 100, 25));
    stack->layout();
    EXPECT_EQ(a->frame(), Rect(0, 0, 40, 10));
    EXPECT_EQ(b->frame(), Rect(0, 15, 30, 10));
    EXPECT_EQ(stack->fittingSize(), (Size{40, 25}));

    stack->removeArrangedSubview(a);
    EXPECT_EQ(a->superview(), stack) << "no longer arranged, still a subview";
    EXPECT_EQ(stack->arrangedSubviews().size(), 2u);
}

TEST_F(ContainerViewTest, TextViewInAScrollViewScrollsToTopAndEditsLikeAPerson) {
    auto scroll = std::make_shared<ScrollView>(Rect(0, 0, 100, 50));
    auto text = std::make_shared<TextView>(Rect(0, 0, 100, 400));
    scroll->setDocumentView(text);
    scroll->scrollToPoint({0, 1000});
    EXPECT_DOUBLE_EQ(scroll->documentVisibleRect().minY(), 350);
    text->scrollToBeginningOfDocument();
    EXPECT_DOUBLE_EQ(scroll->documentVisibleRect().minY(), 0);
    scroll->scrollToPoint({0, 100});
    scroll->scrollToTop();
    EXPECT_DOUBLE_EQ(scroll->documentVisibleRect().minY(), 0);

    text->setString("ab");
    text->doCommandBySelector("insertNewline:");  // not a field editor: a new line
    text->insertText("é");
    text->deleteBackward();                        // one character, two bytes
    EXPECT_EQ(text->string(), "ab\n");
    text->setEditable(false);
    text->insertText("x");
    EXPECT_EQ(text->string(), "ab\n");
    EXPECT_TRUE(text->isSelectable());
}

}  // namespace
