#include <gtest/gtest.h>

#include "app/InterfaceResources.h"
#include "drawing/controls/ColorPopup.h"
#include "drawing/controls/ColorSlider.h"
#include "drawing/controls/IconChooser.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Storyboard.h"
#include "sources/icons/IconCache.h"
#include "sources/icons/IconImages.h"
#include "store/TagManager.h"
#include "support/FreltTest.h"

using namespace platform;
using namespace frelt;

namespace {

class InterfaceResourcesTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        registerInterfaceResources();
    }
};

TEST_F(InterfaceResourcesTest, ScenesAndNibsYieldTheirClassesWithViewsBuiltAndWokenOnDemand) {
    auto colorPopup = Storyboard::storyboardWithName("ConfigData")
                          ->instantiateControllerWithIdentifier<ColorPopupViewController>("ColorPopupViewController");
    ASSERT_TRUE(colorPopup);
    EXPECT_FALSE(colorPopup->isViewLoaded()) << "views are built when first needed";
    colorPopup->loadViewIfNeeded();
    for (const auto& circle : colorPopup->colorCircles) EXPECT_TRUE(circle.lock());
    auto slider = colorPopup->colorSlider.lock();
    ASSERT_TRUE(slider);
    EXPECT_TRUE(std::dynamic_pointer_cast<ColorSliderCell>(slider->cell())) << "woken like a loaded scene";

    EXPECT_TRUE(Storyboard::storyboardWithName("Main")->instantiateControllerWithIdentifier<IconChoosePopupViewController>(
        "IconChoosePopupViewController"));

    auto nib = Nib::nibNamed("TagIconItem");
    ASSERT_TRUE(nib);
    auto item = std::dynamic_pointer_cast<TagIconItem>(nib->instantiate());
    ASSERT_TRUE(item);
    EXPECT_TRUE(item->isViewLoaded()) << "a nib's item comes with its view";
    EXPECT_TRUE(item->tagImage.lock());
    EXPECT_NE(nib->instantiate(), item) << "each instantiation is a new item";

    EXPECT_EQ(Storyboard::storyboardWithName("NoSuchStoryboard"), nullptr);
    EXPECT_EQ(Nib::nibNamed("NoSuchNib"), nullptr);
}

TEST_F(InterfaceResourcesTest, AFailingSceneOrNibGivesNothing) {
    SceneRegistry::shared()->setSceneFails("Main", "IconChoosePopupViewController");
    SceneRegistry::shared()->setSceneFails("TagIconItem", "");
    EXPECT_EQ(Storyboard::storyboardWithName("Main")->instantiateControllerWithIdentifier("IconChoosePopupViewController"),
              nullptr);
    EXPECT_EQ(Nib::nibNamed("TagIconItem")->instantiate(), nullptr);
}

TEST_F(InterfaceResourcesTest, NamedColoursFollowTheAppearance) {
    auto colors = NamedColors::shared();
    auto light = colors->colorNamed("AppPath", appearance::aqua);
    auto dark = colors->colorNamed("AppPath", appearance::darkAqua);
    ASSERT_TRUE(light && dark);
    EXPECT_NE(*light, *dark);
    EXPECT_EQ(colors->colorNamed("AppPath", appearance::vibrantDark), dark);

    Application::shared()->setAppearance(appearance::darkAqua);
    EXPECT_EQ(colors->colorNamed("AppPath"), dark);
    Application::shared()->setAppearance(appearance::aqua);
    EXPECT_EQ(colors->colorNamed("AppPath"), light);

    colors->removeColor("AppPath");
    EXPECT_EQ(colors->colorNamed("AppPath"), std::nullopt);
    EXPECT_EQ(colors->colorNamed("NoSuchColour"), std::nullopt);
}

TEST_F(InterfaceResourcesTest, TheImagesTheInterfaceNeedsAreListedAndTheMissingOnesNamed) {
    const auto names = interfaceImageNames();
    for (const char* name : {"statusbar-1", "statusbar-4", "tag_Background", "overlay_Execute", "status_AppActive",
                             "icon_tags", "icon_folder"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
    EXPECT_EQ(names.size(), 8 + TagManager::shared()->iconNames().size());

    // The four tray images and the three of the entry cells are drawn in
    // code; the others need the loader.
    EXPECT_EQ(missingInterfaceImages().size(), names.size() - 7) << "no image loader in tests";
    ImageRegistry::shared()->setLoader([](const std::string&) { return std::make_shared<Image>(Size{16, 16}); });
    EXPECT_TRUE(missingInterfaceImages().empty());
}

TEST_F(InterfaceResourcesTest, WithTheIconNamesEveryInterfaceImageResolvesAndNoLoaderIsDropped) {
    ImageRegistry::shared()->addLoader([](const std::string& name) {
        return name == "from another loader" ? std::make_shared<Image>(Size{8, 8}) : nullptr;
    });
    // As the program starts: the icon names, then the icon cache and the
    // dialogs, which ask for them again.
    installNamedImages();
    (void)IconCache::shared();
    installNamedImages();
    EXPECT_EQ(missingInterfaceImages(), std::vector<std::string>{});
    EXPECT_TRUE(Image::imageNamed("from another loader"));
    EXPECT_TRUE(Image::imageNamed("url_HTTPs"));
    EXPECT_FALSE(Image::imageNamed("no such image"));
}

}  // namespace
