// The drawn views, buttons, icons and controls as the desktop paints them:
// each group laid out on a sheet, drawn through the Qt painter into an image
// (offscreen) at scale 1 and 2, in the dark appearance too where it differs,
// and compared with the reference pictures in pictures/ (made with
// FRELT_UPDATE_PICTURES=1, looked at before they are checked in).

#include <QImage>
#include <QPainter>

#include <cctype>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/InterfaceResources.h"
#include "drawing/ClearButton.h"
#include "drawing/DrawingKit.h"
#include "drawing/DrawnViews.h"
#include "drawing/controls/ColorPopup.h"
#include "drawing/controls/ColorSlider.h"
#include "hotkeys/KeyTranslating.h"
#include "hotkeys/RecordView.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Image.h"
#include "platform/appkit/Layer.h"
#include "platform/appkit/TextMetrics.h"
#include "platform/appkit/Window.h"
#include "platform/qt/QtGraphicsContext.h"
#include "settings/RecorderStyle.h"
#include "support/qt/QtTestSupport.h"

using namespace frelt;
using platform::AppearanceName;
using platform::Color;
using platform::Rect;
using platform::View;
namespace mf = platform::modifierflags;
namespace appearance = platform::appearance;

namespace {

const std::string pictures = "tests/drawing_pictures/pictures";
// Shapes come out the same wherever the same packages draw them: one pixel in
// 2000 may differ (an edge), no detail may.
constexpr PictureTolerance sheetTolerance{24, 0.0005};

// The window background of the view's appearance, behind what it holds.
class Backdrop : public View {
public:
    using View::View;
    void drawRect(const Rect&) override {
        platform::setFillColor(Color::named("System", "windowBackgroundColor", Color::white()));
        platform::rectFill(bounds());
    }
};

// An image at its own size in the view's corner.
class ImageCell : public View {
public:
    explicit ImageCell(std::shared_ptr<platform::Image> image)
        : View(Rect({0, 0}, image->size())), image_(std::move(image)) {}
    void drawRect(const Rect&) override { image_->drawInRect(Rect({0, 0}, image_->size())); }

private:
    std::shared_ptr<platform::Image> image_;
};

// Views laid out in rows on a backdrop, `gap` apart and from the edges.
class Sheet {
public:
    explicit Sheet(std::optional<AppearanceName> appearance = std::nullopt, double gap = 10) : gap_(gap) {
        root_->setAppearance(std::move(appearance));
    }
    Sheet& add(const std::shared_ptr<View>& view) {
        view->setFrameOrigin({x_, y_});
        root_->addSubview(view);
        x_ += view->frame().width() + gap_;
        width_ = std::max(width_, x_);
        rowHeight_ = std::max(rowHeight_, view->frame().height());
        return *this;
    }
    Sheet& nextRow() {
        y_ += rowHeight_ + gap_;
        x_ = gap_;
        rowHeight_ = 0;
        return *this;
    }
    std::shared_ptr<View> done() {
        root_->setFrame(Rect(0, 0, width_, y_ + rowHeight_ + gap_));
        return root_;
    }

private:
    std::shared_ptr<View> root_ = std::make_shared<Backdrop>(Rect());
    double gap_;
    double x_ = gap_, y_ = gap_, width_ = 0, rowHeight_ = 0;
};

// What a sheet needs kept alive while it is drawn (controllers, windows).
using KeepAlive = std::vector<std::shared_ptr<void>>;

// --- the sheets

// The six icon images in their states: the cog, the power symbol, the bin and
// the eye, then the light star on the light backdrop and the dark star on
// the dark one (plain, checked, hovered, checked and hovered).
std::shared_ptr<View> iconSheet(KeepAlive&) {
    auto add = [](Sheet& sheet, std::shared_ptr<platform::Image> image) {
        sheet.add(std::make_shared<ImageCell>(std::move(image)));
    };
    Sheet sheet;
    for (bool on : {false, true}) add(sheet, DrawingKit::imageOfIcon_settingCanvasWithMouseOver(on));
    for (bool on : {false, true}) add(sheet, DrawingKit::imageOfIcon_exitCanvasWithMouseOver(on));
    for (bool on : {false, true}) add(sheet, DrawingKit::imageOfIcon_deleteCanvasWithMouseOver(on));
    for (bool on : {false, true}) add(sheet, DrawingKit::imageOfIcon_visibleCanvasWithIsChecked(on));
    sheet.nextRow();
    const std::vector<std::pair<bool, bool>> starStates = {{false, false}, {false, true}, {true, false}, {true, true}};
    for (auto [hover, checked] : starStates)
        add(sheet, DrawingKit::imageOfIcon_favoriteLightUICanvasWithMouseOver(hover, checked));
    Sheet dark(appearance::darkAqua);
    for (auto [hover, checked] : starStates)
        add(dark, DrawingKit::imageOfIcon_favoriteDarkUICanvasWithMouseOver(hover, checked));
    sheet.add(dark.done());
    return sheet.done();
}

template <class Button>
std::shared_ptr<Button> drawnButton(Rect frame, bool hover) {
    auto button = std::make_shared<Button>(frame);
    button->setBordered(false);
    button->isMouseOver = hover;
    return button;
}

// Every drawn view and button: the favourite star (plain, checked, hovered,
// both), the menu, exit and delete buttons (plain, hovered); colour circles
// with and without a colour (plain, hovered), one in a wide frame and one
// small; entry backgrounds with and without their area; the group box and
// the logo.
std::shared_ptr<View> drawnViews(bool withCircles) {
    Sheet sheet;
    const std::vector<std::pair<bool, bool>> starStates = {{false, false}, {false, true}, {true, false}, {true, true}};
    for (auto [hover, checked] : starStates) {
        auto star = drawnButton<DrawnCheckBoxFavorite>(Rect(0, 0, 18, 18), hover);
        star->isChecked = checked;
        sheet.add(star);
    }
    for (bool hover : {false, true}) sheet.add(drawnButton<DrawnButtonMenu>(Rect(0, 0, 18, 18), hover));
    for (bool hover : {false, true}) sheet.add(drawnButton<DrawnButtonExit>(Rect(0, 0, 18, 18), hover));
    for (bool hover : {false, true}) sheet.add(drawnButton<DrawnButtonDelete>(Rect(0, 0, 18, 18), hover));
    sheet.nextRow();

    auto circle = [](Rect frame, bool hover, std::optional<Color> color) {
        auto c = drawnButton<DrawnColorCircle>(frame, hover);
        c->setColor(color);
        return c;
    };
    if (withCircles) {
        const Color blue = Color::sRGB(0.20, 0.62, 0.90);
        for (bool hover : {false, true}) sheet.add(circle(Rect(0, 0, 30, 30), hover, blue));
        for (bool hover : {false, true}) sheet.add(circle(Rect(0, 0, 30, 30), hover, std::nullopt));
        sheet.add(circle(Rect(0, 0, 60, 30), false, Color::sRGB(0.92, 0.26, 0.24)));
        sheet.add(circle(Rect(0, 0, 18, 18), false, Color::sRGB(0.45, 0.78, 0.27)));
        sheet.nextRow();
    }

    // As the rows set them: the colour first, then its opacity.
    auto background = [](float alpha) {
        auto b = std::make_shared<DrawnMainViewBackground>(Rect(0, 0, 200, 28));
        b->setColor(Color::sRGB(0.52, 0.34, 0.84));
        b->setAlphaColor(alpha);
        return b;
    };
    sheet.add(background(0.3f)).add(background(0.0f));
    sheet.nextRow();
    sheet.add(std::make_shared<DrawnGroupBox>(Rect(0, 0, 150, 60)));
    sheet.add(std::make_shared<DrawnLogo>(Rect(0, 0, 227, 43)));
    return sheet.done();
}

std::shared_ptr<View> viewSheet(KeepAlive&) { return drawnViews(true); }

// The colour popup's content as its scene lays it out, after it appeared.
std::shared_ptr<View> colorPopupSheet(KeepAlive& keep) {
    auto controller = instantiateScene<ColorPopupViewController>(ColorPopupViewController::storyboardName,
                                                                 ColorPopupViewController::sceneIdentifier);
    if (!controller) return nullptr;
    keep.push_back(controller);
    auto content = controller->view();
    controller->viewWillAppear();
    Sheet sheet;
    sheet.add(content);
    return sheet.done();
}

std::shared_ptr<ColorSlider> colorSlider(double value, const std::function<void(ColorSlider&)>& configure = {}) {
    auto slider = std::make_shared<ColorSlider>(Rect(0, 0, 196, 24));
    slider->setMinValue(0);
    slider->setMaxValue(1);
    slider->setDoubleValue(value);
    slider->awakeFromNib();
    if (configure) configure(*slider);
    return slider;
}

// The hue slider at rest at the left end, a third and the right end; while
// the mouse holds it (the bar); at half saturation; disabled; a temperature
// slider and one of unknown type.
std::shared_ptr<View> colorSliderSheet(KeepAlive&) {
    Sheet sheet;
    sheet.add(colorSlider(0)).add(colorSlider(0.35)).nextRow();
    sheet.add(colorSlider(1)).add(colorSlider(0.6, [](ColorSlider& s) {
        s.setIsTracking(true);
        // The end of the line-to-bar animation.
        s.backgroundLayer()->removeAllAnimations();
    }));
    sheet.nextRow();
    sheet.add(colorSlider(0.35, [](ColorSlider& s) { s.setSaturation(0.5f); }));
    sheet.add(colorSlider(0.35, [](ColorSlider& s) { s.setEnabled(false); }));
    sheet.nextRow();
    sheet.add(colorSlider(0.5, [](ColorSlider& s) { s.setColorType(ColorSlider::ColorType::temperature); }));
    sheet.add(colorSlider(0.5, [](ColorSlider& s) { s.setColorType(ColorSlider::ColorType::unknown); }));
    return sheet.done();
}

// The clear button at the recorder's size and larger, plain and pressed, and
// one wider than high.
std::shared_ptr<View> clearButtonSheet(KeepAlive&) {
    Sheet sheet;
    for (Rect frame : {Rect(0, 0, 14, 14), Rect(0, 0, 24, 24), Rect(0, 0, 36, 20)}) {
        for (bool pressed : {false, true}) {
            auto button = std::make_shared<ClearButton>(frame);
            button->setHighlighted(pressed);
            sheet.add(button);
        }
    }
    return sheet.done();
}

// Recorders: the bare control, then in the program's style: empty, with a
// combination, with a double tap, recording with Alt held (and its focus
// ring), disabled, and narrow ones whose words are set smaller (100, 90 and
// 80 wide) or break onto two lines, the last without a clear button.
std::shared_ptr<View> recorderSheet(KeepAlive& keep) {
    auto recorder = [](double width, KeyCombo::Ptr combo, bool styled = true) {
        auto r = RecordView::make(Rect(0, 0, width, 24));
        if (styled) applyDefaultStyle(*r, nullptr);
        r->setKeyCombo(std::move(combo));
        return r;
    };
    Sheet sheet;
    sheet.add(recorder(200, KeyCombo::make(Key::k, mf::command | mf::shift), false));
    sheet.add(recorder(200, nullptr)).nextRow();
    sheet.add(recorder(200, KeyCombo::make(Key::k, mf::command | mf::shift)));
    sheet.add(recorder(200, KeyCombo::makeDoubled(mf::command))).nextRow();
    auto recording = recorder(200, nullptr);
    sheet.add(recording);
    auto disabled = recorder(200, KeyCombo::make(Key::space, mf::control | mf::option));
    disabled->setEnabled(false);
    sheet.add(disabled).nextRow();
    sheet.add(recorder(100, KeyCombo::make(Key::f12, mf::shift | mf::command | mf::option)));
    sheet.add(recorder(90, KeyCombo::make(Key::space, mf::command | mf::option)));
    sheet.add(recorder(80, KeyCombo::make(Key::one, mf::shift | mf::command))).nextRow();
    sheet.add(recorder(80, KeyCombo::make(Key::f12, mf::shift | mf::command | mf::option)));
    sheet.add(recorder(80, KeyCombo::makeDoubled(mf::shift)));
    auto bare = recorder(80, KeyCombo::make(Key::pageDown, mf::command | mf::option));
    bare->setClearButtonMode(ClearButtonMode::never);
    sheet.add(bare);
    auto root = sheet.done();

    // Recording is being its window's first responder.
    auto window = std::make_shared<platform::Window>(Rect(0, 0, root->frame().width(), root->frame().height()));
    window->contentView()->addSubview(root);
    window->makeFirstResponder(recording);
    recording->inputModifiers = mf::option;
    keep.push_back(window);
    return root;
}

// --- drawing

// The sheet drawn as a window draws its content: through the Qt painter at
// `scale`, with the focus ring round its window's first responder. With
// `strip`, it is drawn in vertical strips that wide, each a partial redraw.
QImage draw(View& sheet, double scale, std::optional<double> strip = std::nullopt) {
    const Rect b = sheet.bounds();
    QImage image(QSize(int(b.width() * scale), int(b.height() * scale)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const AppearanceName appearance = sheet.effectiveAppearance();
    platform::qt::QtGraphicsContext context(painter, appearance);
    const View* focus = nullptr;
    if (auto window = sheet.window()) focus = dynamic_cast<const View*>(window->firstResponder().get());
    sheet.layoutSubtreeIfNeeded();
    if (!strip) {
        platform::drawViewHierarchy(sheet, context, std::nullopt, focus);
    } else {
        // The painter keeps to the strip, as it keeps to the region a window
        // repaints.
        for (double x = 0; x < b.width(); x += *strip) {
            const Rect part(x, 0, std::min(*strip, b.width() - x), b.height());
            context.saveGraphicsState();
            context.clipToRect(part);
            platform::drawViewHierarchy(sheet, context, part, focus);
            context.restoreGraphicsState();
        }
    }
    painter.end();
    return image;
}

struct SheetCase {
    std::string name;
    std::function<std::shared_ptr<View>(KeepAlive&)> build;
    AppearanceName appearance;
    double scale;
};

std::string pictureName(const SheetCase& c) {
    std::string name = c.name;
    if (c.appearance == appearance::darkAqua) name += "-dark";
    if (c.scale != 1) name += "@" + std::to_string(int(c.scale)) + "x";
    return name;
}

void PrintTo(const SheetCase& c, std::ostream* out) { *out << pictureName(c); }

class DrawingPicturesTest : public QtKitTest, public ::testing::WithParamInterface<SheetCase> {
protected:
    void SetUp() override {
        QtKitTest::SetUp();
        registerInterfaceResources();
        // Key texts as on a US keyboard, whatever the machine's layout.
        KeyTranslating::setShared(std::make_shared<QWERTYKeyTranslator>());
    }
    void TearDown() override {
        KeyTranslating::setShared(nullptr);
        keep.clear();
        QtKitTest::TearDown();
    }

    std::shared_ptr<View> build(const SheetCase& c) {
        platform::Application::shared()->setAppearance(c.appearance);
        return c.build(keep);
    }

    KeepAlive keep;
};

TEST_P(DrawingPicturesTest, LooksAsTheReference) {
    const SheetCase& c = GetParam();
    auto sheet = build(c);
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(matchesPicture(draw(*sheet, c.scale), pictures, pictureName(c), sheetTolerance));
}

std::vector<SheetCase> sheetCases() {
    struct Group {
        std::string name;
        std::function<std::shared_ptr<View>(KeepAlive&)> build;
        bool dark;  // whether it has a dark variant of its own
    };
    const std::vector<Group> groups = {
        {"icons", iconSheet, false},           {"views", viewSheet, true},
        {"colour-popup", colorPopupSheet, true}, {"colour-slider", colorSliderSheet, false},
        {"clear-button", clearButtonSheet, false}, {"recorder", recorderSheet, true},
    };
    // Light at both scales; dark, which only changes colours, at scale 2.
    std::vector<SheetCase> cases;
    for (const auto& g : groups) {
        cases.push_back({g.name, g.build, appearance::aqua, 1});
        cases.push_back({g.name, g.build, appearance::aqua, 2});
        if (g.dark) cases.push_back({g.name, g.build, appearance::darkAqua, 2});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Sheets, DrawingPicturesTest, ::testing::ValuesIn(sheetCases()),
                         [](const ::testing::TestParamInfo<SheetCase>& info) {
                             std::string name = pictureName(info.param);
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

// A partial redraw repaints its part of the same picture: drawn in narrow
// strips, every drawn view looks as when drawn whole, shadows included.
TEST_F(DrawingPicturesTest, DrawnInStripsEveryViewLooksAsDrawnWhole) {
    for (const auto& c : {SheetCase{"views", viewSheet, appearance::aqua, 2},
                          SheetCase{"colour-slider", colorSliderSheet, appearance::aqua, 2},
                          SheetCase{"clear-button", clearButtonSheet, appearance::aqua, 2}}) {
        auto sheet = build(c);
        EXPECT_TRUE(matchesImage(draw(*sheet, c.scale, 7), draw(*sheet, c.scale), c.name + "-in-strips",
                                 sheetTolerance));
    }
}

// The texts a drawing pass writes, with their rectangles.
class TextCapture : public platform::RecordingGraphicsContext {
public:
    std::vector<std::pair<platform::AttributedString, Rect>> texts;
    void drawAttributedString(const platform::AttributedString& text, const Rect& rect) override {
        texts.emplace_back(text, rect);
        RecordingGraphicsContext::drawAttributedString(text, rect);
    }
};

// In the desktop's own font the words of a combination fit whole and end
// before the clear button: in narrow recorders (80 to 100 wide) set smaller,
// in the sizes the program's recorders have still at a comfortable size.
TEST_F(DrawingPicturesTest, TheRecordersWordsFitWholeInTheDesktopsFont) {
    const KeyCombo::Ptr combos[] = {
        KeyCombo::make(Key::space, mf::command | mf::option), KeyCombo::make(Key::one, mf::shift | mf::command),
        KeyCombo::make(Key::k, mf::control), KeyCombo::makeDoubled(mf::shift),
        KeyCombo::make(Key::pageDown, mf::command | mf::option), KeyCombo::make(Key::f12, mf::shift | mf::command | mf::option),
        nullptr,
    };
    struct Size {
        double width, height, smallestFont;
    };
    const Size sizes[] = {{80, 24, RecordView::minimumFontSize}, {90, 24, RecordView::minimumFontSize},
                          {100, 24, RecordView::minimumFontSize}, {132, 22, 9}, {140, 26, 9}, {148, 24, 9}};
    for (const auto& size : sizes) {
        for (const auto& combo : combos) {
            for (const bool styled : {true, false}) {
                auto recorder = RecordView::make(Rect(0, 0, size.width, size.height));
                if (styled) applyDefaultStyle(*recorder, nullptr);
                recorder->setKeyCombo(combo);
                TextCapture capture;
                {
                    platform::GraphicsContext::Scope scope(capture);
                    recorder->drawRect(recorder->bounds());
                }
                const std::string expected = combo ? combo->displayString() : RecordView::idlePlaceholder;
                const std::string where = expected + " at " + std::to_string(int(size.width));
                ASSERT_EQ(capture.texts.size(), 1u) << where;
                const auto& [text, rect] = capture.texts[0];
                const auto button = recorder->clearButton();
                const double limit = button->isHidden() ? size.width : button->frame().minX();
                std::string shown;
                for (const auto& line : platform::textMetrics().layOut(text, rect)) {
                    if (!shown.empty() && shown.back() != '+') shown += ' ';
                    shown += line.text.string();
                    EXPECT_LT(line.origin.x + line.width, limit) << where;
                    EXPECT_LE(line.origin.y + line.height, size.height + 0.01) << where;
                }
                EXPECT_EQ(shown, expected) << where << ": cut";
                EXPECT_GE(text.attributesAt(0).attributes.font->pointSize(), size.smallestFont) << where;
            }
        }
    }
}

}  // namespace
