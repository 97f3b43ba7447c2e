#include "drawing/ClearButton.h"

#include "platform/appkit/BezierPath.h"
#include "platform/appkit/Layer.h"

namespace frelt {

using platform::BezierPath;
using platform::Color;
using platform::Rect;

namespace {

const Color& normalColor() {
    static const Color c = Color::sRGB(0.749019608, 0.749019608, 0.749019608, 1.0);
    return c;
}

const Color& highlightedColor() {
    static const Color c = Color::sRGB(0.525490196, 0.525490196, 0.525490196, 1.0);
    return c;
}

// An X with arms 1.5 wide and round ends of radius 0.75, between 30 % and
// 70 % of each axis of `b`.
BezierPath crossOutline(const Rect& b) {
    const double w = b.width() * 0.3, h = b.height() * 0.3, W = b.width(), H = b.height();
    const double mx = b.midX() - b.minX(), my = b.midY() - b.minY();
    constexpr double a = 0.5303300858899106;  // 0.75 / sqrt(2)
    constexpr double c = 1.0606601717798212;  // 1.5 / sqrt(2)
    constexpr double r = 0.75;
    BezierPath p;
    p.moveTo({w - a, h + a});
    p.lineTo({mx - c, my});
    p.lineTo({w - a, H - h - a});
    p.appendArcFromPoint({w - a, H - h + a}, {w + a, H - h + a}, r);
    p.lineTo({mx, my + c});
    p.lineTo({W - w - a, H - h + a});
    p.appendArcFromPoint({W - w + a, H - h + a}, {W - w + a, H - h - a}, r);
    p.lineTo({mx + c, my});
    p.lineTo({W - w + a, h + a});
    p.appendArcFromPoint({W - w + a, h - a}, {W - w - a, h - a}, r);
    p.lineTo({mx, my - c});
    p.lineTo({w + a, h - a});
    p.appendArcFromPoint({w - a, h - a}, {w - a, h + a}, r);
    p.closePath();
    return p;
}

}  // namespace

ClearButton::ClearButton(Rect frame) : Button(frame) {
    setBordered(false);
    setWantsLayer(true);
    if (auto l = layer()) l->setMasksToBounds(true);
    setTitle("");
}

void ClearButton::drawRect(const Rect& dirtyRect) {
    Button::drawRect(dirtyRect);
    rebuildLayers();
}

void ClearButton::updateLayer() { rebuildLayers(); }

void ClearButton::rebuildLayers() {
    auto root = layer();
    if (!root) return;
    const Rect b = bounds();
    root->setCornerRadius(b.height() * 0.5);
    for (const auto& sub : std::vector<std::shared_ptr<platform::Layer>>(root->sublayers())) sub->removeFromSuperlayer();

    // The layers' paths are in their own coordinates, which start at the
    // bounds' corner.
    const Rect local(0, 0, b.width(), b.height());
    auto disc = std::make_shared<platform::ShapeLayer>();
    disc->setFrame(b);
    disc->setFillColor(isHighlighted() ? highlightedColor() : normalColor());
    disc->setPath(BezierPath::withOvalInRect(local));

    auto mask = std::make_shared<platform::ShapeLayer>();
    mask->setFrame(b);
    BezierPath shape = BezierPath::withOvalInRect(local);
    shape.appendPath(crossOutline(local));
    mask->setPath(shape);
    mask->setLineWidth(0);
    mask->setFillColor(Color::black());
    mask->setStrokeColor(Color::black());
    // Even-odd: the disc minus the cross.
    mask->setFillRule(platform::FillRule::evenOdd);

    disc->setMask(mask);
    root->addSublayer(disc);
}

}  // namespace frelt
