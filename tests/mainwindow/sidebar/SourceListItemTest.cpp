#include "mainwindow/sidebar/SourceListItem.h"

#include <gtest/gtest.h>

#include "SidebarTestSupport.h"
#include "drawing/ImageHelpers.h"
#include "platform/appkit/Image.h"

using namespace frelt;
using sidebartest::SidebarTest;

namespace {

using Type = SourceListItemContentType;

TEST(SourceListItemContentTypeTest, RawValuesAreTheCaseNamesExactly) {
    for (const Type type : sourceListItemContentTypes.allCases())
        EXPECT_EQ(sourceListItemContentTypeFromRawValue(rawValue(type)), type) << rawValue(type);
    for (const char* other : {"Tag", "", "TAG", " tag", "allapplications"})
        EXPECT_EQ(sourceListItemContentTypeFromRawValue(other), std::nullopt) << "'" << other << "'";
}

TEST(SourceListItemTest, EachKindIsMadeWithItsKeyAndRowType) {
    const auto header = SourceListItemSection::make("Tags", Type::headerTags);
    EXPECT_EQ(header->tag(), "Tags");
    EXPECT_EQ(header->itemType(), SourceListItemType::header);
    EXPECT_EQ(header->parent(), nullptr);

    const auto files = SourceListItemFixedEntry::make("Files", Type::allFiles);
    EXPECT_EQ(files->tag(), "::%Files%::%%");
    EXPECT_EQ(files->itemType(), SourceListItemType::entry);

    const auto tag = SourceListItemTags::make("Mail");
    EXPECT_EQ(tag->tag(), "Mail") << "until its creator sets the full name";
    EXPECT_EQ(tag->itemContentType(), Type::tag);
    EXPECT_EQ(tag->itemType(), SourceListItemType::entry);
}

TEST(SourceListItemTest, TakingATreeApartEmptiesEveryLevelAndKeepsParents) {
    const auto header = SourceListItemSection::make("Tags", Type::headerTags);
    const auto work = SourceListItemTags::make("Work");
    const auto projects = SourceListItemTags::make("Projects");
    const auto alpha = SourceListItemTags::make("Alpha");
    work->setParent(header);
    projects->setParent(work);
    alpha->setParent(projects);
    header->appendChild(work);
    work->appendChild(projects);
    projects->appendChild(alpha);
    EXPECT_TRUE(header->hasChildren());
    EXPECT_TRUE(projects->hasChildren());

    header->removeAllChildren();
    for (const auto& item : std::vector<SourceListItem::Ptr>{header, work, projects, alpha}) {
        EXPECT_TRUE(item->children().empty()) << item->name();
        EXPECT_FALSE(item->hasChildren()) << item->name();
    }
    EXPECT_EQ(projects->parent(), work);
    EXPECT_EQ(alpha->parent(), projects);

    // The tree holds its items; parents only refer back.
    std::weak_ptr<SourceListItem> gone = SourceListItemTags::make("x");
    {
        auto parent = SourceListItemTags::make("p");
        auto child = SourceListItemTags::make("c");
        child->setParent(parent);
        parent->appendChild(child);
        gone = child;
    }
    EXPECT_TRUE(gone.expired()) << "a dropped tree is freed without being taken apart";
}

class SourceListItemIconTest : public SidebarTest {};

TEST_F(SourceListItemIconTest, ATagShowsItsSymbolInItsColourAndAFolderTheFolderImage) {
    const auto red = platform::Color::sRGB(1, 0, 0);
    auto plain = sidebarsupport::addVisibleTags({"Plain", "Coloured", "Missing"});
    plain[0]->setTagSymbol("");
    plain[1]->setTagSymbol("icon_code");
    plain[1]->setColor(red);
    plain[2]->setTagSymbol("icon_code_without_image");

    const auto item = [](const std::string& tag) {
        auto made = SourceListItemTags::make(tag);
        made->setTag(tag);
        return made;
    };
    // No symbol: the default symbol, as the image itself (no colour).
    EXPECT_EQ(item("Plain")->icon(), platform::Image::imageNamed(TagManager::defaultTag));
    const auto coloured = item("Coloured")->icon();
    ASSERT_TRUE(coloured);
    EXPECT_NE(coloured, platform::Image::imageNamed("icon_code")) << "a tinted copy";
    EXPECT_EQ(item("Coloured")->color(), red);
    EXPECT_EQ(item("Missing")->icon(), nullptr) << "the symbol names no image";

    // A folder, or a name the registry does not hold: the folder image.
    const auto folder = SourceListItemTags::make("Work");
    folder->setTag("");
    EXPECT_EQ(folder->icon(), platform::Image::imageNamed(TagManager::defaultFolder));
    EXPECT_EQ(item("Unknown")->icon(), platform::Image::imageNamed(TagManager::defaultFolder));
    EXPECT_EQ(folder->color(), std::nullopt);

    // Read at every use: a new symbol shows without a new item.
    const auto plainItem = item("Plain");
    plain[0]->setTagSymbol("icon_cloud");
    EXPECT_EQ(plainItem->icon(), platform::Image::imageNamed("icon_cloud"));

    // Both are computed: setting them changes nothing.
    plainItem->setIcon(std::make_shared<platform::Image>());
    plainItem->setColor(red);
    EXPECT_EQ(plainItem->icon(), platform::Image::imageNamed("icon_cloud"));
    EXPECT_EQ(plainItem->color(), std::nullopt);
}

TEST_F(SourceListItemIconTest, ACategoryShowsItsImageTintedWithItsOwnColour) {
    const auto files = SourceListItemFixedEntry::make("Files", Type::allFiles);
    EXPECT_EQ(files->icon(), platform::Image::imageNamed("icon_allFiles"));
    files->setIcon(std::make_shared<platform::Image>());
    EXPECT_EQ(files->icon(), platform::Image::imageNamed("icon_allFiles")) << "the icon is computed";
    files->setColor(platform::Color::sRGB(0, 0, 1));
    EXPECT_NE(files->icon(), platform::Image::imageNamed("icon_allFiles"));
    EXPECT_TRUE(files->icon());

    for (const Type type : {Type::none, Type::tag, Type::headerTags})
        EXPECT_EQ(SourceListItemFixedEntry::make("x", type)->icon(), nullptr) << rawValue(type);
    platform::ImageRegistry::shared()->removeAll();
    EXPECT_EQ(SourceListItemFixedEntry::make("Files", Type::allFiles)->icon(), nullptr) << "no image of that name";
}

}  // namespace
