#include "drawing/DrawnViews.h"

#include "drawing/DrawingKit.h"
#include "platform/appkit/Application.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/appkit/Layer.h"

namespace frelt {

using platform::Color;
using platform::Rect;

namespace {

// Runs `routine` with the view's bounds, clipped to `dirtyRect`: the picture
// keeps its place and size whatever part of it is redrawn.
template <class Routine>
void drawClipped(const platform::View& view, const Rect& dirtyRect, Routine routine) {
    auto* context = platform::GraphicsContext::current();
    if (!context) return;
    context->saveGraphicsState();
    context->clipToRect(dirtyRect);
    routine(view.bounds());
    context->restoreGraphicsState();
}

void trackMouse(platform::View& view) {
    view.addTrackingArea(std::make_shared<platform::TrackingArea>(
        view.bounds(), platform::trackingarea::mouseEnteredAndExited | platform::trackingarea::activeAlways,
        std::static_pointer_cast<platform::Responder>(view.shared_from_this())));
}

}  // namespace

bool DrawnViewColor::update(const std::optional<Color>& color) {
    const bool same = color_ ? (color && *color == *color_) : !color;
    if (!initial_ && same) return false;
    initial_ = false;
    color_ = color;
    return true;
}

std::optional<Color::RGBA> DrawnViewColor::drawnComponents() const {
    if (!color_ || *color_ == Color::clear()) return std::nullopt;
    return color_->sRGBComponents();
}

bool isDark(const platform::AppearanceName& appearance) { return platform::appearance::isDark(appearance); }

bool applicationIsDark() { return isDark(platform::Application::shared()->effectiveAppearance()); }

bool isDarkMode(const platform::View& view) { return isDark(view.effectiveAppearance()); }

// --- logo

void DrawnLogo::drawRect(const Rect& dirtyRect) {
    View::drawRect(dirtyRect);
    const bool dark = applicationIsDark();
    drawClipped(*this, dirtyRect, [dark](const Rect& bounds) {
        if (dark) DrawingKit::drawQuandorDarkUIWithFrame(bounds, 0);
        else DrawingKit::drawQuandorLightUIWithFrame(bounds, 0);
    });
}

// --- entry background

DrawnMainViewBackground::DrawnMainViewBackground(Rect frame) : View(frame) {
    // One of these sits behind every entry row.
    if (auto l = layer()) l->setDrawsAsynchronously(true);
}

void DrawnMainViewBackground::setDrawBackground(bool drawBackground) {
    if (drawBackground_ == drawBackground) return;
    drawBackground_ = drawBackground;
    setNeedsDisplayInRect(visibleRect());
}

void DrawnMainViewBackground::setAlphaColor(float alpha) {
    if (alpha > 1.0f) {
        alpha = 1.0f;
        setDrawBackground(true);
    } else if (alpha < 0.05f) {
        setDrawBackground(false);
    } else {
        setDrawBackground(true);
    }
    alphaColor_ = alpha;
    alphaColorBackground = static_cast<double>(alpha);
    setNeedsDisplayInRect(visibleRect());
}

void DrawnMainViewBackground::setColor(const std::optional<Color>& color) {
    if (!color_.update(color)) return;
    const auto rgb = color_.drawnComponents();
    if (!rgb) {
        hasColor = false;
        alphaColorBackground = 0;
        alphaColorIndicator = 0;
        redColor = greenColor = blueColor = 1.0;
    } else {
        // The colour's own alpha is not used: the two opacities are the view's.
        redColor = rgb->red;
        greenColor = rgb->green;
        blueColor = rgb->blue;
        hasColor = true;
        alphaColorIndicator = 0.9;
    }
    setNeedsDisplayInRect(visibleRect());
}

void DrawnMainViewBackground::drawRect(const Rect& dirtyRect) {
    View::drawRect(dirtyRect);
    if (!hasColor) return;
    drawClipped(*this, dirtyRect, [this](const Rect& bounds) {
        DrawingKit::drawFreltBackgroundWithFrame(bounds, redColor, greenColor, blueColor, alphaColorBackground,
                                                 alphaColorIndicator, drawBackground_);
    });
}

// --- buttons

void DrawnButton::awakeFromNib() {
    Button::awakeFromNib();
    trackMouse(*this);
}

void DrawnButton::mouseEntered(const platform::Event&) {
    isMouseOver = true;
    setNeedsDisplay(true);
    if (auto sup = superview()) sup->setNeedsDisplay(true);
}

void DrawnButton::mouseExited(const platform::Event&) {
    isMouseOver = false;
    setNeedsDisplay(true);
    if (auto sup = superview()) sup->setNeedsDisplay(true);
}

void DrawnCheckBoxFavorite::drawRect(const Rect& dirtyRect) {
    DrawnCheckBox::drawRect(dirtyRect);
    const bool dark = applicationIsDark();
    drawClipped(*this, dirtyRect, [this, dark](const Rect& bounds) {
        if (dark) DrawingKit::drawIcon_favoriteDarkUICanvasWithFrame(bounds, 0, isMouseOver, isChecked);
        else DrawingKit::drawIcon_favoriteLightUICanvasWithFrame(bounds, 0, isMouseOver, isChecked);
    });
}

void DrawnButtonMenu::drawRect(const Rect& dirtyRect) {
    DrawnButton::drawRect(dirtyRect);
    // The hover layer follows the accent colour the desktop has now; one
    // without an RGB form leaves the last one in place.
    const Color accent = Color::named("System", "controlAccentColor", Color::sRGB(0.0, 0.478, 1.0));
    if (auto rgb = accent.sRGBComponents()) {
        redColor = rgb->red;
        greenColor = rgb->green;
        blueColor = rgb->blue;
    }
    drawClipped(*this, dirtyRect, [this](const Rect& bounds) {
        DrawingKit::drawIcon_menuCanvasWithFrame(bounds, 0, isMouseOver, redColor, greenColor, blueColor,
                                                 alphaColorBackground);
    });
}

void DrawnButtonMenu::mouseDown(const platform::Event&) {
    if (mouseDownHandler) {
        auto handler = mouseDownHandler;  // the handler may replace itself
        handler();
    }
}

void DrawnButtonExit::drawRect(const Rect& dirtyRect) {
    DrawnButton::drawRect(dirtyRect);
    drawClipped(*this, dirtyRect,
                [this](const Rect& bounds) { DrawingKit::drawIcon_exitCanvasWithFrame(bounds, 0, isMouseOver); });
}

void DrawnButtonDelete::drawRect(const Rect& dirtyRect) {
    DrawnButton::drawRect(dirtyRect);
    drawClipped(*this, dirtyRect,
                [this](const Rect& bounds) { DrawingKit::drawIcon_deleteCanvasWithFrame(bounds, 0, isMouseOver); });
}

// --- colour circle

void DrawnColorCircle::setColor(const std::optional<Color>& color) {
    if (!color_.update(color)) return;
    const auto rgb = color_.drawnComponents();
    if (!rgb) {
        alphaColorBackground = 0;
        redColor = greenColor = blueColor = 1.0;
    } else {
        alphaColorBackground = 1.0;
        redColor = rgb->red;
        greenColor = rgb->green;
        blueColor = rgb->blue;
    }
    setNeedsDisplayInRect(visibleRect());
}

void DrawnColorCircle::drawRect(const Rect& dirtyRect) {
    DrawnButton::drawRect(dirtyRect);
    const bool dark = applicationIsDark();
    drawClipped(*this, dirtyRect, [this, dark](const Rect& bounds) {
        if (dark)
            DrawingKit::drawColorCircleDarkUICanvasWithFrame(bounds, 0, isMouseOver, redColor, greenColor, blueColor,
                                                             alphaColorBackground);
        else
            DrawingKit::drawColorCircleLightUICanvasWithFrame(bounds, 0, isMouseOver, redColor, greenColor, blueColor,
                                                              alphaColorBackground);
    });
}

void DrawnColorCircle::mouseDown(const platform::Event&) {
    // The colour a circle starts with is no colour anyone can store.
    const auto& color = color_.value();
    if (!color) return;
    auto d = delegate();
    if (!d) return;
    d->colorCircleSelected(std::static_pointer_cast<DrawnColorCircle>(shared_from_this()), *color);
}

// --- group box

void DrawnGroupBox::awakeFromNib() {
    View::awakeFromNib();
    trackMouse(*this);
}

void DrawnGroupBox::mouseEntered(const platform::Event&) {
    isMouseOver = true;
    setNeedsDisplay(true);
}

void DrawnGroupBox::mouseExited(const platform::Event&) {
    isMouseOver = false;
    setNeedsDisplay(true);
}

void DrawnGroupBox::drawRect(const Rect& dirtyRect) {
    View::drawRect(dirtyRect);
    const bool dark = applicationIsDark();
    drawClipped(*this, dirtyRect, [dark](const Rect& bounds) {
        if (dark) DrawingKit::drawGroupBoxDarkUICanvasWithFrame(bounds);
        else DrawingKit::drawGroupBoxLightUICanvasWithFrame(bounds);
    });
}

}  // namespace frelt
