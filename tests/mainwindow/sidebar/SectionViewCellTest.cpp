// The sidebar's cells: captions, counters, and renaming a tag in place.

#include "mainwindow/sidebar/SectionViewCell.h"

#include <gtest/gtest.h>

#include "SidebarTestSupport.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/Event.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/ModalScript.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/TextView.h"
#include "store/SystemConfiguration.h"

using namespace frelt;
using sidebartest::SidebarTest;
using sidebartest::Strings;

namespace {

class SectionViewCellTest : public SidebarTest {
protected:
    void SetUp() override {
        SidebarTest::SetUp();
        config()->neverRemindMeRenameTagDialog = true;
        addFile("plan.txt", {"A|B"});
        addFile("deep.txt", {"A|X|Y"});
        addFile("list.txt", {"Top"});
        rebuildStore();
        sidebar->updateContent(true);
        sidebar->display();
    }
    std::shared_ptr<SectionViewCellEntry> cell(const std::string& name) const {
        return std::dynamic_pointer_cast<SectionViewCellEntry>(sidebar->viewAtColumn(0, rowNamed(name), false));
    }
    std::shared_ptr<CustomEditableTextLabel> caption(const std::string& name) const {
        return cell(name)->textFieldCellCaption.lock();
    }
    bool counterShown(const std::string& name) const { return !cell(name)->buttonUsageCounter.lock()->isHidden(); }
    bool tagExists(const std::string& name) const { return TagManager::shared()->tagWithName(name) != nullptr; }
};

TEST_F(SectionViewCellTest, RowsShowTheirItemsInTheirCells) {
    const auto header = std::dynamic_pointer_cast<SectionViewCellHeader>(sidebar->viewAtColumn(0, 0, false));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->headerTextField.lock()->stringValue(), "Categories");
    EXPECT_TRUE(controller->isGroupItem(*sidebar, sidebar->itemAtRow(0)));
    EXPECT_EQ(sidebar->rectOfRow(0).height(), SystemConfiguration::shared()->sidebarRowHeightHeader());
    EXPECT_EQ(sidebar->rectOfRow(1).height(), SystemConfiguration::shared()->sidebarRowHeight());

    const auto top = cell("Top");
    ASSERT_TRUE(top);
    EXPECT_EQ(caption("Top")->stringValue(), "Top");
    EXPECT_EQ(caption("Top")->maxLength, 70);
    EXPECT_EQ(top->imageViewCellIcon.lock()->image(), platform::Image::imageNamed(TagManager::defaultTag));
    EXPECT_EQ(top->textFont, platform::Font::systemFont(SystemConfiguration::shared()->sidebarTextSize()));
    EXPECT_EQ(caption("Top")->font(), top->textFont);
    EXPECT_EQ(top->imageViewCellIcon.lock()->frame().width(), SystemConfiguration::shared()->sidebarIconSize());
    // Drops go through caption and icon to the sidebar.
    EXPECT_TRUE(caption("Top")->registeredDraggedTypes().empty());
    EXPECT_TRUE(top->imageViewCellIcon.lock()->registeredDraggedTypes().empty());

    EXPECT_TRUE(caption("Top")->editIsAllowed);
    EXPECT_TRUE(caption("A")->editIsAllowed) << "a folder's name can be changed too";
    EXPECT_FALSE(caption("Files")->editIsAllowed);
}

TEST_F(SectionViewCellTest, TagRowsShowTheirCountWhileTheSettingIsOn) {
    EXPECT_TRUE(counterShown("Top"));
    EXPECT_EQ(cell("Top")->buttonUsageCounter.lock()->title(), "1");
    EXPECT_FALSE(counterShown("Files"));
    EXPECT_FALSE(counterShown("A")) << "a folder";
    // A caption stops before a shown counter; without one it takes the room
    // (a long category name is not cut short beside empty space).
    auto captionEnd = [&](const std::string& row) { return caption(row)->frame().maxX(); };
    EXPECT_LE(captionEnd("Top"), cell("Top")->buttonUsageCounter.lock()->frame().minX());
    EXPECT_GT(captionEnd("Files"), cell("Top")->buttonUsageCounter.lock()->frame().minX());

    config()->sidebarCategoriesShowNumberOfElementInSidebar = false;
    sidebar->redrawContent();
    for (const char* row : {"Top", "B", "Files", "Applications"}) EXPECT_FALSE(counterShown(row)) << row;
    EXPECT_EQ(captionEnd("Top"), captionEnd("Files"));
}

TEST_F(SectionViewCellTest, ARedrawChangesOnlyTheSubviewsWhoseItemChanged) {
    const auto tag = TagManager::shared()->tagWithName("Top");
    ASSERT_TRUE(tag);
    tag->setColor(platform::Color::sRGB(0.8, 0.2, 0.2));
    sidebar->redrawContent();
    const auto top = cell("Top");
    const auto icon = top->imageViewCellIcon.lock();
    const auto counter = top->buttonUsageCounter.lock();
    const auto redIcon = icon->image();
    ASSERT_NE(redIcon, platform::Image::imageNamed(TagManager::defaultTag)) << "the tag's symbol in its colour";
    auto redraw = [&] {
        top->setNeedsDisplay(true);
        top->displayIfNeeded();  // draws the cell, then each subview it marked
    };
    const int iconDraws = icon->drawCount(), counterDraws = counter->drawCount();
    redraw();
    EXPECT_TRUE(icon->image() == redIcon) << "the same tinted icon";
    EXPECT_EQ(icon->drawCount(), iconDraws) << "an unchanged icon is not marked";
    EXPECT_EQ(counter->drawCount(), counterDraws) << "an unchanged counter is not marked";

    // What changed shows at the next redraw, and only that is marked.
    tag->setColor(platform::Color::sRGB(0.2, 0.4, 0.85));
    redraw();
    EXPECT_TRUE(icon->image() != redIcon);
    EXPECT_EQ(icon->drawCount(), iconDraws + 1);
    EXPECT_EQ(counter->drawCount(), counterDraws);
    tag->setTagUseCounter(5);
    redraw();
    EXPECT_EQ(counter->title(), "5");
    EXPECT_EQ(counter->drawCount(), counterDraws + 1);
    EXPECT_EQ(icon->drawCount(), iconDraws + 1);
}

TEST_F(SectionViewCellTest, AReusedCellForAnUnknownTagForgetsItsOldTag) {
    const auto reused = cell("Top");
    ASSERT_TRUE(reused->assignedIconTag.lock());
    auto unknown = SourceListItemTags::make("Gone");
    unknown->setTag("Gone");
    reused->configure(unknown);
    EXPECT_EQ(reused->assignedIconTag.lock(), nullptr);
    reused->display();
    EXPECT_FALSE(counterShown("Top")) << "no counter of the tag it showed before";
}

TEST_F(SectionViewCellTest, RenamingPassesTheFullPathThroughTheFolders) {
    struct Case {
        const char* row;
        const char* newName;
        const char* renamed;
        const char* gone;
    };
    for (const auto& c : std::vector<Case>{{"B", "C", "A|C", "A|B"},
                                           {"Top", "Peak", "Peak", "Top"},
                                           {"Y", "Z", "A|X|Z", "A|X|Y"}}) {
        SCOPED_TRACE(c.row);
        EXPECT_TRUE(cell(c.row)->textFieldValueChanged(c.row, c.newName));
        EXPECT_TRUE(tagExists(c.renamed));
        EXPECT_FALSE(tagExists(c.gone));
        sidebar->updateContent(true);
        sidebar->display();
    }
    EXPECT_EQ(rows(), (Strings{"Categories", "  Applications", "  Files", "  Recent Applications",
                               "  Active Applications", "Tags", "  A/", "    C", "    X/", "      Z", "  Peak"}));
}

TEST_F(SectionViewCellTest, BlankSameOrTakenNamesAreRefused) {
    addFile("other.txt", {"A|Taken"});
    rebuildStore();
    sidebar->updateContent(true);
    const auto b = cell("B");
    EXPECT_FALSE(b->textFieldValueChanged("B", "   "));
    EXPECT_FALSE(b->textFieldValueChanged("B", "  B "));
    EXPECT_FALSE(b->textFieldValueChanged("", "C"));
    EXPECT_TRUE(tagExists("A|B"));

    // A taken name: the registry asks whether to merge; declined, nothing changes.
    config()->neverRemindMeRenameTagDialog = false;
    platform::ModalScript::shared()->pressAlertButton(1);
    EXPECT_FALSE(b->textFieldValueChanged("B", "Taken"));
    EXPECT_TRUE(tagExists("A|B"));

    const auto unbound = std::make_shared<SectionViewCellEntry>();
    EXPECT_FALSE(unbound->textFieldValueChanged("B", "C"));
}

TEST_F(SectionViewCellTest, ADoubleClickOnATagsNameRenamesIt) {
    const auto label = caption("B");
    auto clickLabel = [&](int clicks) {
        const platform::Point p = label->convertPointToWindow({label->bounds().midX(), label->bounds().midY()});
        kit::click(window, p, 0, clicks);
    };
    clickLabel(1);
    EXPECT_EQ(selectedName(), "B") << "a single click selects the row";
    EXPECT_FALSE(label->isEditable());
    clickLabel(2);
    ASSERT_TRUE(label->currentEditor());
    label->currentEditor()->selectAll(nullptr);
    label->currentEditor()->insertText("Renamed");
    kit::pressKey(platform::keycode::returnKey, "\r");
    EXPECT_TRUE(tagExists("A|Renamed"));
    EXPECT_FALSE(tagExists("A|B"));

    // A category's caption does not become editable.
    const auto files = caption("Files");
    kit::click(window, files->convertPointToWindow({files->bounds().midX(), files->bounds().midY()}), 0, 2);
    EXPECT_FALSE(files->isEditable());
}

}  // namespace
