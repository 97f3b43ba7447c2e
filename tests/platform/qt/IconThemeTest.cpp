// The icon lookup through the desktop's icon theme: names the theme has,
// symbolic icons, names it lacks, the icon of a file's MIME type and of a
// desktop entry, and the drawn stand-in when nothing matches.

#include "platform/qt/IconTheme.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <filesystem>
#include <fstream>

#include "platform/linux/FileIcons.h"
#include "platform/foundation/Paths.h"
#include "support/FreltTest.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

void ensureApplication() {
    if (QGuiApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_platform_qt";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);  // lives for the whole test program
}

class IconThemeTest : public FreltTest {
protected:
    void SetUp() override {
        FreltTest::SetUp();
        ensureApplication();
        // The system's themes, seen from the test's own folders.
        auto layout = Paths::current();
        layout.dataDirs.push_back("/usr/share");
        Paths::setLayout(layout);
        if (!fs::exists(std::string("/usr/share/icons/") + qt::fallbackThemeName + "/index.theme"))
            GTEST_SKIP() << "needs the " << qt::fallbackThemeName << " icon theme (scripts/install-deps installs it)";
        theme = std::make_shared<qt::IconTheme>();
        themeicons::setProvider(theme);
    }
    static bool drawsSomething(const std::shared_ptr<Image>& image) {
        const auto rep = std::dynamic_pointer_cast<BitmapImageRep>(image->representations().front());
        const QImage picture =
            QImage::fromData(reinterpret_cast<const uchar*>(rep->data().data()), static_cast<int>(rep->data().size()));
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (picture.pixelColor(x, y).alpha() > 0) return true;
        return false;
    }

    std::shared_ptr<qt::IconTheme> theme;
};

TEST_F(IconThemeTest, NamesAreLookedUpInTheTheme) {
    const auto folder = theme->iconNamed({"no-such-icon-here", "folder"}, {48, 48});
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->name(), "folder") << "the first name the theme has";
    EXPECT_EQ(folder->size(), (Size{48, 48}));
    EXPECT_TRUE(drawsSomething(folder));
    const auto symbolic = theme->iconNamed({"folder-symbolic"}, {32, 32});
    ASSERT_TRUE(symbolic) << "symbolic icons are SVG: Qt's SVG plugin draws them";
    EXPECT_TRUE(drawsSomething(symbolic));
    EXPECT_FALSE(theme->iconNamed({"no-such-icon-here"}, {48, 48}));

    // Asked again (thousands of files of one type): a new image on the same
    // picture, so changing one image changes no other.
    const auto again = theme->iconNamed({"folder"}, {48, 48});
    ASSERT_TRUE(again);
    EXPECT_NE(again, folder);
    EXPECT_EQ(again->representations().front(), folder->representations().front());
    again->setSize({16, 16});
    EXPECT_EQ(folder->size(), (Size{48, 48}));
    EXPECT_NE(theme->iconNamed({"folder"}, {32, 32})->representations().front(), folder->representations().front())
        << "another size, another picture";
}

TEST_F(IconThemeTest, FilesShowTheIconOfTheirTypeAndApplicationsTheirOwn) {
    const auto text = (root() / "notes.txt").string();
    std::ofstream(text) << "hello";
    const auto names = fileicons::iconNamesForFile(text);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "text-plain") << "from the MIME type";
    const auto icon = fileicons::iconForFile(text);
    ASSERT_TRUE(icon);
    EXPECT_FALSE(std::dynamic_pointer_cast<CustomImageRep>(icon->representations().front())) << "the theme's, not drawn";

    const auto entry = (root() / "tool.desktop").string();
    std::ofstream(entry) << "[Desktop Entry]\nType=Application\nName=Tool\nExec=tool\nIcon=utilities-terminal\n";
    EXPECT_EQ(fileicons::iconNamesForFile(entry).front(), "utilities-terminal");
    EXPECT_EQ(fileicons::iconForFile(entry)->name(), "utilities-terminal");

    // An icon nobody has: drawn, never blank.
    const auto odd = (root() / "odd.desktop").string();
    std::ofstream(odd) << "[Desktop Entry]\nType=Application\nName=Odd\nExec=odd\nIcon=no-such-icon-here\n";
    themeicons::setProvider(nullptr);
    const auto drawn = fileicons::iconForFile(odd);
    ASSERT_TRUE(drawn);
    EXPECT_TRUE(std::dynamic_pointer_cast<CustomImageRep>(drawn->representations().front()));
}

}  // namespace
