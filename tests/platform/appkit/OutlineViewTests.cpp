#include <gtest/gtest.h>

#include "KitTestSupport.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/DraggingInfo.h"
#include "platform/appkit/OutlineView.h"
#include "platform/appkit/Window.h"
#include "support/FreltTest.h"
#include "support/KitHarness.h"

using namespace platform;
using kittest::Calls;

namespace {

struct Node : Object {
    Node(std::string n, std::vector<std::shared_ptr<Node>> c = {}) : name(std::move(n)), children(std::move(c)) {}
    std::string name;
    std::vector<std::shared_ptr<Node>> children;
};

std::string nameOf(const OutlineItem& item) {
    auto node = std::dynamic_pointer_cast<Node>(item);
    return node ? node->name : "-";
}

class Tree : public OutlineViewDataSource, public OutlineViewDelegate {
public:
    explicit Tree(std::shared_ptr<Calls> calls) : calls(std::move(calls)) {}

    std::shared_ptr<Calls> calls;
    std::vector<std::shared_ptr<Node>> roots;
    std::vector<OutlineItem> groups;
    bool logTree = false;
    std::function<DragOperation(OutlineView&, const OutlineItem&, long)> validate;

    const std::vector<std::shared_ptr<Node>>& childrenOf(const OutlineItem& item) {
        auto node = std::dynamic_pointer_cast<Node>(item);
        return node ? node->children : roots;
    }
    long numberOfChildrenOfItem(OutlineView&, const OutlineItem& item) override {
        if (logTree) calls->push_back("numberOfChildren " + nameOf(item));
        return long(childrenOf(item).size());
    }
    OutlineItem child(OutlineView&, long index, const OutlineItem& item) override {
        if (logTree) calls->push_back("child " + std::to_string(index) + " of " + nameOf(item));
        return childrenOf(item)[std::size_t(index)];
    }
    bool isItemExpandable(OutlineView&, const OutlineItem& item) override {
        if (logTree) calls->push_back("isExpandable " + nameOf(item));
        return !childrenOf(item).empty();
    }
    std::shared_ptr<View> viewForTableColumn(OutlineView&, const std::shared_ptr<TableColumn>&,
                                             const OutlineItem& item) override {
        if (logTree) calls->push_back("viewFor " + nameOf(item));
        return std::make_shared<TableCellView>();
    }
    bool isGroupItem(OutlineView&, const OutlineItem& item) override {
        return std::find(groups.begin(), groups.end(), item) != groups.end();
    }
    double heightOfRowByItem(OutlineView& o, const OutlineItem& item) override {
        return isGroupItem(o, item) ? 25 : o.rowHeight();
    }
    bool shouldSelectItem(OutlineView&, const OutlineItem& item) override {
        calls->push_back("shouldSelect " + nameOf(item));
        return true;
    }
    void outlineViewSelectionDidChange(const Notification&) override { calls->push_back("selectionDidChange"); }
    DragOperation validateDrop(OutlineView& outline, const std::shared_ptr<DraggingInfo>&, const OutlineItem& item,
                               long index) override {
        calls->push_back("validateDrop " + nameOf(item) + " " + std::to_string(index));
        return validate ? validate(outline, item, index) : dragoperation::copy;
    }
    bool acceptDrop(OutlineView&, const std::shared_ptr<DraggingInfo>&, const OutlineItem& item, long index) override {
        calls->push_back("acceptDrop " + nameOf(item) + " " + std::to_string(index));
        return true;
    }
};

// An outline that writes its spring-loading calls and otherwise behaves as
// the kit's.
class SpringOutline : public OutlineView {
public:
    explicit SpringOutline(std::shared_ptr<Calls> calls) : calls_(std::move(calls)) {}
    SpringLoadingOptions springLoadingEntered(const std::shared_ptr<DraggingInfo>& info) override {
        calls_->push_back("springEntered");
        return options ? *options : OutlineView::springLoadingEntered(info);
    }
    SpringLoadingOptions springLoadingUpdated(const std::shared_ptr<DraggingInfo>& info) override {
        return options ? *options : OutlineView::springLoadingUpdated(info);
    }
    void springLoadingActivated(bool activated, const std::shared_ptr<DraggingInfo>& info) override {
        calls_->push_back(std::string("springActivated ") + (activated ? "yes" : "no") + " on " +
                          nameOf(itemAtRow(rowAtPoint(convertPointFromWindow(info->draggingLocation())))));
        OutlineView::springLoadingActivated(activated, info);
    }
    void springLoadingHighlightChanged(const std::shared_ptr<DraggingInfo>&) override {
        calls_->push_back("highlight " + std::to_string(int(springLoadingHighlight())));
    }
    void springLoadingExited(const std::shared_ptr<DraggingInfo>&) override { calls_->push_back("springExited"); }

    // What the outline answers on entering and moving, when not the kit's own answer.
    std::optional<SpringLoadingOptions> options;

private:
    std::shared_ptr<Calls> calls_;
};

// A sidebar-like outline 200 x 200 with rows 20 high in a window:
// A (a1, a2 (a2x)), B (b1), C.
class OutlineViewTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        makeTree();
        window = std::make_shared<Window>(Rect(0, 0, 200, 200));
        auto scroll = std::make_shared<ScrollView>(Rect(0, 0, 200, 200));
        window->contentView()->addSubview(scroll);
        outline = std::make_shared<SpringOutline>(calls);
        outline->setRowHeight(20);
        outline->addTableColumn(std::make_shared<TableColumn>("name"));
        outline->setDataSource(tree);
        outline->setDelegate(tree);
        scroll->setDocumentView(outline);
        kit::makeKey(window);
        outline->reloadData();
    }

    void makeTree() {
        a2x = std::make_shared<Node>("a2x");
        a1 = std::make_shared<Node>("a1");
        a2 = std::make_shared<Node>("a2", std::vector<std::shared_ptr<Node>>{a2x});
        a = std::make_shared<Node>("A", std::vector<std::shared_ptr<Node>>{a1, a2});
        b1 = std::make_shared<Node>("b1");
        b = std::make_shared<Node>("B", std::vector<std::shared_ptr<Node>>{b1});
        c = std::make_shared<Node>("C");
        tree->roots = {a, b, c};
    }

    std::vector<std::string> rows() {
        std::vector<std::string> names;
        for (long r = 0; r < outline->numberOfRows(); ++r) names.push_back(nameOf(outline->itemAtRow(r)));
        return names;
    }
    Point rowPoint(long row, double fraction = 0.5) { return {150, row * 20 + 20 * fraction}; }
    // The calls that begin with one of `prefixes`.
    Calls callsStartingWith(std::initializer_list<const char*> prefixes) {
        Calls out;
        for (const auto& c : *calls) {
            for (const char* p : prefixes)
                if (c.rfind(p, 0) == 0) out.push_back(c);
        }
        return out;
    }
    Calls springCalls() { return callsStartingWith({"spring", "highlight"}); }
    std::shared_ptr<DraggingInfo> fileDrag() {
        auto pasteboard = Pasteboard::withUniqueName();
        pasteboard->writeObjects({pasteboardWriterForURL(URL::fileURL("/tmp/report.pdf"))});
        return std::make_shared<DraggingInfo>(pasteboard, dragoperation::every);
    }

    std::shared_ptr<Calls> calls = std::make_shared<Calls>();
    std::shared_ptr<Tree> tree = std::make_shared<Tree>(calls);
    std::shared_ptr<Node> a, a1, a2, a2x, b, b1, c;
    std::shared_ptr<Window> window;
    std::shared_ptr<SpringOutline> outline;
};

TEST_F(OutlineViewTest, ReloadWalksTheTreeThroughExpandedItemsOnly) {
    outline->expandItem(a);
    tree->logTree = true;
    calls->clear();
    outline->reloadData();
    EXPECT_EQ(*calls, (Calls{"numberOfChildren -", "child 0 of -", "isExpandable A", "numberOfChildren A",
                             "child 0 of A", "isExpandable a1", "child 1 of A", "isExpandable a2", "child 1 of -",
                             "isExpandable B", "child 2 of -", "isExpandable C", "viewFor A", "viewFor a1",
                             "viewFor a2", "viewFor B", "viewFor C"}));
    EXPECT_EQ(rows(), (std::vector<std::string>{"A", "a1", "a2", "B", "C"}));
}

TEST_F(OutlineViewTest, ExpansionStaysWithTheSameItemsAndIsForgottenForNewOnes) {
    EXPECT_EQ(rows(), (std::vector<std::string>{"A", "B", "C"}));
    outline->expandItem(a);
    outline->expandItem(a2);
    outline->expandItem(c);  // not expandable: nothing happens
    EXPECT_EQ(rows(), (std::vector<std::string>{"A", "a1", "a2", "a2x", "B", "C"}));
    EXPECT_FALSE(outline->isItemExpanded(c));

    outline->reloadData();
    EXPECT_EQ(rows(), (std::vector<std::string>{"A", "a1", "a2", "a2x", "B", "C"})) << "the same objects";

    makeTree();  // equal names, new objects
    outline->reloadData();
    EXPECT_EQ(rows(), (std::vector<std::string>{"A", "B", "C"}));

    outline->expandItem(nullptr, true);  // the root with every descendant
    EXPECT_EQ(rows(), (std::vector<std::string>{"A", "a1", "a2", "a2x", "B", "b1", "C"}));
    outline->collapseItem(a);
    EXPECT_EQ(rows(), (std::vector<std::string>{"A", "B", "b1", "C"}));
    outline->expandItem(a);
    EXPECT_EQ(rows(), (std::vector<std::string>{"A", "a1", "a2", "a2x", "B", "b1", "C"}))
        << "a2 stayed expanded inside its collapsed parent";
}

TEST_F(OutlineViewTest, HiddenItemsHaveNoRow) {
    EXPECT_EQ(outline->rowForItem(a1), -1);
    EXPECT_EQ(outline->parentForItem(a1), nullptr);
    EXPECT_EQ(outline->rowForItem(std::make_shared<Node>("stranger")), -1);
    EXPECT_EQ(outline->rowForItem(nullptr), -1);
    outline->expandItem(a, true);
    EXPECT_EQ(outline->rowForItem(a2x), 3);
    EXPECT_EQ(outline->levelForItem(a2x), 2);
    EXPECT_EQ(outline->parentForItem(a2x), a2);
    EXPECT_EQ(outline->childIndexForItem(a2), 1);
    EXPECT_EQ(outline->rowForItem(b), 4);
    // The outline column is indented by level, after the disclosure triangle.
    EXPECT_EQ(outline->frameOfCellAtColumn(0, 3), Rect(48, 60, 152, 20));
    EXPECT_EQ(outline->frameOfOutlineCellAtRow(2), Rect(16, 40, 16, 20));
    EXPECT_EQ(outline->frameOfOutlineCellAtRow(3), Rect()) << "a2x cannot expand";
}

TEST_F(OutlineViewTest, SelectionFollowsItemsAsRowsMoveAndChangesOnlyWhenASelectedItemHides) {
    outline->expandItem(a);
    outline->selectRowIndexes(IndexSet{2}, false);  // a2
    calls->clear();
    outline->collapseItem(b);
    outline->expandItem(b);
    EXPECT_EQ(outline->itemAtRow(outline->selectedRow()), a2);
    outline->selectRowIndexes(IndexSet{outline->rowForItem(b1)}, false);
    calls->clear();
    outline->collapseItem(a);
    EXPECT_EQ(outline->itemAtRow(outline->selectedRow()), b1) << "moved up with its row";
    EXPECT_TRUE(calls->empty()) << ::testing::PrintToString(*calls);
    EXPECT_TRUE(outline->rowViewAtRow(outline->selectedRow(), false)->isSelected());
    outline->collapseItem(b);
    EXPECT_EQ(*calls, (Calls{"selectionDidChange"}));
    EXPECT_EQ(outline->selectedRow(), -1);
}

TEST_F(OutlineViewTest, ClicksAskShouldSelectItemAndTheTriangleExpands) {
    calls->clear();
    kit::click(window, rowPoint(1, 0.5));
    EXPECT_EQ(*calls, (Calls{"shouldSelect B", "selectionDidChange"}));
    calls->clear();
    outline->selectRowIndexes(IndexSet{0}, false);
    EXPECT_EQ(*calls, (Calls{"selectionDidChange"})) << "selection by code asks nothing";

    calls->clear();
    kit::click(window, {8, 30});  // B's disclosure triangle
    EXPECT_TRUE(outline->isItemExpanded(b));
    EXPECT_EQ(rows(), (std::vector<std::string>{"A", "B", "b1", "C"}));
    EXPECT_TRUE(calls->empty()) << "a click on the triangle selects nothing";
}

TEST_F(OutlineViewTest, DropsAreProposedAsItemAndIndexAndCanBeRetargetedToAnotherItem) {
    outline->registerForDraggedTypes({pasteboardtype::fileURL});
    outline->expandItem(a);  // A a1 a2 B C
    tree->validate = [this](OutlineView& o, const OutlineItem& item, long index) {
        if (item == a1 && index == outlineViewDropOnItemIndex) o.setDropItem(b, outlineViewDropOnItemIndex);
        return dragoperation::copy;
    };
    DragDispatcher drag(fileDrag());
    calls->clear();
    drag.moveTo(window, rowPoint(3, 0.1));  // between a2 and B: before B among the root's children
    drag.moveTo(window, rowPoint(2, 0.1));  // between a1 and a2: inside A
    drag.moveTo(window, {150, 190});        // below the rows: the whole outline
    drag.moveTo(window, rowPoint(1));       // onto a1, retargeted onto B
    EXPECT_EQ(outline->dropItem(), b);
    EXPECT_EQ(outline->dropRow(), 3);
    EXPECT_TRUE(drag.drop());
    EXPECT_EQ(callsStartingWith({"validateDrop", "acceptDrop"}), (Calls{"validateDrop - 1", "validateDrop A 1", "validateDrop - -1", "validateDrop a1 -1",
                             "acceptDrop B -1"}));
}

TEST_F(OutlineViewTest, SpringLoadingActivatesAfterTheDelayOnACollapsedItem) {
    outline->registerForDraggedTypes({pasteboardtype::fileURL});
    DragDispatcher drag(fileDrag());
    calls->clear();
    drag.moveTo(window, rowPoint(0));  // A, collapsed
    EXPECT_EQ(springCalls(), (Calls{"springEntered", "highlight 1"}));
    advance(DragDispatcher::springLoadingDelay() - 0.1);
    drag.moveTo(window, rowPoint(0, 0.3));  // resting on the same row keeps the delay running
    EXPECT_EQ(springCalls().size(), 2u);
    advance(0.1);
    EXPECT_EQ(springCalls(), (Calls{"springEntered", "highlight 1", "highlight 2", "springActivated yes on A", "highlight 0"}));
    EXPECT_TRUE(outline->isItemExpanded(a)) << "the kit's outline opens the item";

    // Each move to another row starts the delay again; C cannot open.
    calls->clear();
    drag.moveTo(window, rowPoint(3));  // B
    advance(DragDispatcher::springLoadingDelay() / 2);
    drag.moveTo(window, rowPoint(4));  // C
    advance(DragDispatcher::springLoadingDelay());
    EXPECT_EQ(springCalls(), (Calls{"highlight 1", "highlight 0"}));
    drag.drop();
    EXPECT_EQ(springCalls().back(), "springExited");
}

TEST_F(OutlineViewTest, SpringLoadingDoesNotFireAfterTheDragLeft) {
    outline->registerForDraggedTypes({pasteboardtype::fileURL});
    {
        DragDispatcher drag(fileDrag());
        drag.moveTo(window, rowPoint(1));  // B
        advance(DragDispatcher::springLoadingDelay() / 2);
        drag.exit();
        calls->clear();
        advance(DragDispatcher::springLoadingDelay() * 2);
        EXPECT_TRUE(springCalls().empty()) << ::testing::PrintToString(*calls);
    }
    // Nor after the dispatcher is gone in the middle of a drag.
    {
        DragDispatcher drag(fileDrag());
        drag.moveTo(window, rowPoint(1));
    }
    calls->clear();
    advance(DragDispatcher::springLoadingDelay() * 2);
    EXPECT_TRUE(springCalls().empty()) << ::testing::PrintToString(*calls);
    EXPECT_FALSE(outline->isItemExpanded(b));
}

TEST_F(OutlineViewTest, ADestinationThatAsksForNoHoverIsNotActivatedByRestingOnIt) {
    outline->registerForDraggedTypes({pasteboardtype::fileURL});
    outline->options = springloading::enabled | springloading::noHover;
    DragDispatcher drag(fileDrag());
    calls->clear();
    drag.moveTo(window, rowPoint(0));  // A, collapsed
    advance(DragDispatcher::springLoadingDelay() * 2);
    drag.moveTo(window, rowPoint(0, 0.3));
    advance(DragDispatcher::springLoadingDelay() * 2);
    for (const auto& call : springCalls()) EXPECT_EQ(call.rfind("springActivated", 0), std::string::npos) << call;
    EXPECT_FALSE(outline->isItemExpanded(a));
}

TEST_F(OutlineViewTest, GroupItemsGetTheirHeightAndAFullWidthView) {
    tree->groups = {a, b};
    outline->reloadData();
    outline->expandItem(a);  // A a1 a2 B C
    EXPECT_EQ(outline->rectOfRow(0), Rect(0, 0, 200, 25));
    EXPECT_EQ(outline->rectOfRow(1), Rect(0, 25, 200, 20));
    EXPECT_EQ(outline->rowAtPoint({10, 24}), 0);
    EXPECT_TRUE(outline->rowViewAtRow(0, false)->isGroupRowStyle());
    EXPECT_FALSE(outline->rowViewAtRow(1, false)->isGroupRowStyle());
    EXPECT_EQ(outline->viewAtColumn(0, 0, false)->frame(), Rect(0, 0, 200, 25)) << "not indented";
    EXPECT_EQ(outline->viewAtColumn(0, 1, false)->frame(), Rect(32, 0, 168, 20));
}

}  // namespace
