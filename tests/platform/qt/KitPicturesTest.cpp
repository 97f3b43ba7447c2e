// The kit's controls on Qt, rendered offscreen and compared with reference
// pictures: a window with a button, a text field, a check box, a slider, a
// table of 20 rows and a popover, at scale 1 and at scale 2.

#include <QPainter>
#include <QWidget>

#include "support/qt/QtTestSupport.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/ContainerViews.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/ImageView.h"
#include "platform/appkit/Popover.h"
#include "platform/appkit/Slider.h"
#include "platform/appkit/TableView.h"
#include "platform/appkit/TextField.h"
#include "platform/appkit/ViewController.h"
#include "platform/appkit/Window.h"

using namespace platform;

namespace {

const std::string pictures = "tests/platform/qt/pictures";

class PictureRows : public TableViewDataSource, public TableViewDelegate {
public:
    long numberOfRowsInTableView(TableView&) override { return 20; }
    std::shared_ptr<View> viewForTableColumn(TableView& table, const std::shared_ptr<TableColumn>&, long row) override {
        auto cell = std::make_shared<TableCellView>(Rect(0, 0, table.frame().width(), 24));
        auto icon = std::make_shared<ImageView>(Rect(4, 3, 18, 18));
        const double hue = double(row) / 20;
        icon->setImage(Image::imageWithSize({18, 18}, false, [hue](const Rect& r) {
            setFillColor(Color::calibratedHSB(hue, 0.6, 0.85));
            BezierPath::withRoundedRect(r.insetBy(1, 1), 4, 4).fill();
            return true;
        }));
        auto label = TextField::label("Entry number " + std::to_string(row + 1) + " with a longer name that is cut");
        label->setFrame(Rect(28, 0, 260, 24));
        cell->addSubview(icon);
        cell->addSubview(label);
        return cell;
    }
};

class KitPicturesTest : public QtKitTest {
protected:
    void SetUp() override {
        QtKitTest::SetUp();
        window = std::make_shared<Window>(Rect(40, 40, 460, 400));
        window->setTitle("Pictures");
        auto content = window->contentView();
        button = Button::withTitle("Open");
        button->setFrame(Rect(20, 20, 100, 28));
        button->setKeyEquivalent("\r");
        field = TextField::textField("Frelt");
        field->setFrame(Rect(130, 22, 180, 24));
        auto empty = TextField::textField("");
        empty->setPlaceholderString("Search");
        empty->setFrame(Rect(320, 22, 120, 24));
        auto check = Button::checkbox("Launch at login");
        check->setFrame(Rect(20, 60, 160, 22));
        check->setState(ControlStateValue::on);
        auto slider = std::make_shared<Slider>(Rect(190, 60, 250, 24));
        slider->setDoubleValue(0.3);
        auto scroll = std::make_shared<ScrollView>(Rect(20, 100, 420, 280));
        scroll->setBorderType(BorderType::lineBorder);
        table = std::make_shared<TableView>(Rect(0, 0, 420, 280));
        table->addTableColumn(std::make_shared<TableColumn>("name"));
        table->setDataSource(rows);
        table->setDelegate(rows);
        scroll->setDocumentView(table);
        table->reloadData();
        table->selectRowIndexes(IndexSet::withIndex(2), false);
        for (auto v : std::vector<std::shared_ptr<View>>{button, field, empty, check, slider, scroll}) content->addSubview(v);
        window->makeKeyAndOrderFront();
        Application::shared()->activate();
        window->makeFirstResponder(table);

        auto popoverContent = std::make_shared<ViewController>();
        popoverContent->setPreferredContentSize({220, 80});
        auto label = TextField::label("Shown below the field");
        label->setFrame(Rect(14, 12, 190, 22));
        auto inner = Button::checkbox("Detach");
        inner->setFrame(Rect(14, 44, 120, 22));
        popoverContent->view()->addSubview(label);
        popoverContent->view()->addSubview(inner);
        popover = std::make_shared<Popover>();
        popover->setContentViewController(popoverContent);
        popover->showRelativeToRect(field->bounds(), field, RectEdge::maxY);
        // The window stays key for the picture, as after a click in it.
        window->makeKeyWindow();
        settle();
    }

    // The window, with the popover over it where it stands on screen.
    QImage picture(qreal scale) {
        QWidget* main = widgetOf(*window);
        QWidget* pop = widgetOf(*popover->window());
        QImage image(main->size() * scale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::white);
        main->render(&image);
        QImage over(pop->size() * scale, QImage::Format_ARGB32_Premultiplied);
        over.setDevicePixelRatio(scale);
        over.fill(Qt::transparent);
        pop->render(&over, QPoint(), QRegion(), QWidget::DrawChildren);
        QPainter painter(&image);
        painter.drawImage(pop->geometry().topLeft() - main->geometry().topLeft(), over);
        return image;
    }

    std::shared_ptr<PictureRows> rows = std::make_shared<PictureRows>();
    std::shared_ptr<Window> window;
    std::shared_ptr<Button> button;
    std::shared_ptr<TextField> field;
    std::shared_ptr<TableView> table;
    std::shared_ptr<Popover> popover;
};

TEST_F(KitPicturesTest, TheControlsTableAndPopoverLookAsTheReference) {
    EXPECT_TRUE(matchesPicture(picture(1), pictures, "kit-window"));
}

TEST_F(KitPicturesTest, AtScaleTwoEverythingIsDrawnAtTheFinerPixels) {
    EXPECT_TRUE(matchesPicture(picture(2), pictures, "kit-window@2x"));
}

}  // namespace
