// The tag icon chooser as the desktop paints it (offscreen, with the icon
// theme installed on this machine): every symbol it offers is a picture of
// its own, whole inside its cell.

#include <QImage>
#include <QPainter>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/InterfaceResources.h"
#include "drawing/controls/IconChooser.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/Window.h"
#include "platform/foundation/Paths.h"
#include "platform/qt/IconTheme.h"
#include "platform/qt/QtGraphicsContext.h"
#include "sources/icons/IconImages.h"
#include "store/TagManager.h"
#include "support/qt/QtTestSupport.h"

using namespace frelt;
using platform::Rect;

namespace {

constexpr double scale = 2;

QImage drawView(platform::View& view) {
    const Rect b = view.bounds();
    QImage image(QSize(int(b.width() * scale), int(b.height() * scale)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    QPainter painter(&image);
    platform::qt::QtGraphicsContext context(painter, view.effectiveAppearance());
    platform::drawViewHierarchy(view, context);
    painter.end();
    return image;
}

// The pixels of `area` (points) of a picture drawn at `scale`.
QImage part(const QImage& picture, const Rect& area) {
    QImage out = picture.copy(int(area.minX() * scale), int(area.minY() * scale), int(area.width() * scale),
                              int(area.height() * scale));
    out.setDevicePixelRatio(1);
    return out;
}

bool differ(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) > 24 || std::abs(qGreen(a) - qGreen(b)) > 24 ||
           std::abs(qBlue(a) - qBlue(b)) > 24 || std::abs(qAlpha(a) - qAlpha(b)) > 24;
}

int differingPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) n += differ(a.pixel(x, y), b.pixel(x, y));
    return n;
}

// The pixels that are not the plain background.
int inkedPixels(const QImage& picture) {
    QImage blank(picture.size(), picture.format());
    blank.fill(Qt::white);
    return differingPixels(picture, blank);
}

class IconChooserPicturesTest : public QtKitTest {
protected:
    void SetUp() override {
        QtKitTest::SetUp();
        registerInterfaceResources();
        // The system's icon themes, seen from the test's own folders.
        auto layout = platform::Paths::current();
        layout.dataDirs.push_back("/usr/share");
        platform::Paths::setLayout(layout);
        if (!std::filesystem::exists(std::string("/usr/share/icons/") + platform::qt::fallbackThemeName + "/index.theme"))
            GTEST_SKIP() << "needs the " << platform::qt::fallbackThemeName
                         << " icon theme (scripts/install-deps installs it)";
        platform::qt::installIcons();
        installNamedImages();
    }
    void TearDown() override {
        window.reset();
        controller.reset();
        QtKitTest::TearDown();
    }

    // The chooser's popup content in a window, its grid loaded.
    std::shared_ptr<platform::CollectionView> openChooser() {
        controller = instantiateScene<IconChoosePopupViewController>(IconChoosePopupViewController::storyboardName,
                                                                     IconChoosePopupViewController::sceneIdentifier);
        if (!controller) return nullptr;
        window = std::make_shared<platform::Window>(Rect(0, 0, 236, 200));
        window->setContentViewController(controller);
        auto grid = controller->iconChooseCollectionView.lock();
        if (grid) grid->layoutSubtreeIfNeeded();
        return grid;
    }

    std::shared_ptr<IconChoosePopupViewController> controller;
    std::shared_ptr<platform::Window> window;
};

// Every cell shows its symbol: something is drawn, no two cells look the same
// (a placeholder or two names sharing one theme icon would), and what a cell
// shows is its image whole, fitted to the cell with its aspect kept, so no
// edge of the symbol is cut off. The chooser's own cells are 24 points; the
// tag popup's take the sidebar's icon size (20 by default), others may be
// larger.
TEST_F(IconChooserPicturesTest, EverySymbolDrawsItsOwnPictureWholeInItsCell) {
    auto grid = openChooser();
    ASSERT_TRUE(grid);
    const auto& names = TagManager::shared()->iconNames();
    for (double side : {24.0, 20.0, 32.0}) {
        SCOPED_TRACE("cells of " + std::to_string(int(side)) + " points");
        setUpIconGrid(*grid, controller, controller, side);
        grid->reloadData();
        grid->layoutSubtreeIfNeeded();
        ASSERT_EQ(grid->numberOfItemsInSection(0), long(names.size()));
        const QImage sheet = drawView(*grid);
        if (const char* out = std::getenv("FRELT_ICON_CHOOSER_PICTURE"))
            sheet.save(QString::fromUtf8(out) + QString::number(int(side)) + QStringLiteral(".png"));

        std::vector<QImage> cells;
        for (std::size_t i = 0; i < names.size(); ++i) {
            auto item = std::dynamic_pointer_cast<TagIconItem>(grid->itemAtIndexPath({0, long(i)}));
            ASSERT_TRUE(item) << names[i];
            const Rect cell = item->view()->frame();
            ASSERT_EQ(cell.size, (platform::Size{side, side})) << names[i];
            cells.push_back(part(sheet, cell));
            EXPECT_GT(inkedPixels(cells.back()), 20) << names[i] << " draws (almost) nothing";

            // The image drawn alone, fitted into a canvas of the cell's size
            // with its aspect kept, is what the cell shows.
            auto image = platform::Image::imageNamed(names[i]);
            ASSERT_TRUE(image) << names[i];
            auto alone = std::make_shared<platform::ImageView>(Rect({0, 0}, cell.size));
            alone->setImageScaling(platform::ImageScaling::proportionallyUpOrDown);
            alone->setImage(image);
            auto canvas = std::make_shared<platform::View>(Rect({0, 0}, cell.size));
            canvas->addSubview(alone);
            EXPECT_TRUE(matchesImage(cells.back(), part(drawView(*canvas), canvas->bounds()), names[i], {24, 0.01}));
        }
        // Two cells differ in a good part of their pixels, not in an edge.
        for (std::size_t i = 0; i < cells.size(); ++i)
            for (std::size_t j = i + 1; j < cells.size(); ++j)
                EXPECT_GT(differingPixels(cells[i], cells[j]), 30)
                    << names[i] << " and " << names[j] << " look the same";
    }
}

}  // namespace
