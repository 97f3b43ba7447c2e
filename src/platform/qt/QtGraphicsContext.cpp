#include "platform/qt/QtGraphicsContext.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QTextLayout>
#include <QTextOption>
#include <QPaintDevice>

#include <algorithm>
#include <cmath>

#include "platform/appkit/Image.h"
#include "platform/appkit/SystemColors.h"
#include "platform/appkit/TextMetrics.h"
#include "platform/qt/QtControls.h"
#include "platform/qt/QtImages.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

QPainterPath painterPath(const BezierPath& path) {
    QPainterPath out;
    for (const auto& e : path.elements()) {
        switch (e.kind) {
            case BezierPathElement::moveTo: out.moveTo(e.points[0].x, e.points[0].y); break;
            case BezierPathElement::lineTo: out.lineTo(e.points[0].x, e.points[0].y); break;
            case BezierPathElement::curveTo:
                out.cubicTo(e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x, e.points[2].y);
                break;
            case BezierPathElement::closePath: out.closeSubpath(); break;
        }
    }
    out.setFillRule(path.windingRule() == WindingRule::evenOdd ? Qt::OddEvenFill : Qt::WindingFill);
    return out;
}

QColor qColor(const Color& color, const AppearanceName& appearance) {
    const auto rgba = systemcolors::resolve(color, appearance);
    if (!rgba) return QColor(Qt::black);
    return QColor::fromRgbF(float(std::clamp(rgba->red, 0.0, 1.0)), float(std::clamp(rgba->green, 0.0, 1.0)),
                            float(std::clamp(rgba->blue, 0.0, 1.0)), float(std::clamp(rgba->alpha, 0.0, 1.0)));
}

QPainter::CompositionMode compositionMode(BlendMode mode) {
    switch (mode) {
        case BlendMode::normal: return QPainter::CompositionMode_SourceOver;
        case BlendMode::clear: return QPainter::CompositionMode_Clear;
        case BlendMode::copy: return QPainter::CompositionMode_Source;
        case BlendMode::sourceIn: return QPainter::CompositionMode_SourceIn;
        case BlendMode::sourceOut: return QPainter::CompositionMode_SourceOut;
        case BlendMode::sourceAtop: return QPainter::CompositionMode_SourceAtop;
        case BlendMode::destinationOver: return QPainter::CompositionMode_DestinationOver;
        case BlendMode::destinationIn: return QPainter::CompositionMode_DestinationIn;
        case BlendMode::destinationOut: return QPainter::CompositionMode_DestinationOut;
        case BlendMode::destinationAtop: return QPainter::CompositionMode_DestinationAtop;
        case BlendMode::xorMode: return QPainter::CompositionMode_Xor;
    }
    return QPainter::CompositionMode_SourceOver;
}

namespace {

QRectF qRect(const Rect& r) { return QRectF(r.minX(), r.minY(), r.width(), r.height()); }

// A box blur of the alpha channel, three passes (close to a Gaussian).
void blurAlpha(QImage& image, int radius) {
    if (radius <= 0) return;
    const int w = image.width(), h = image.height();
    std::vector<int> line(static_cast<std::size_t>(std::max(w, h)));
    auto pass = [&](bool horizontal) {
        const int outer = horizontal ? h : w, inner = horizontal ? w : h;
        for (int o = 0; o < outer; ++o) {
            for (int i = 0; i < inner; ++i) {
                const QRgb px = horizontal ? image.pixel(i, o) : image.pixel(o, i);
                line[std::size_t(i)] = qAlpha(px);
            }
            int sum = 0;
            for (int i = -radius; i <= radius; ++i) sum += line[std::size_t(std::clamp(i, 0, inner - 1))];
            for (int i = 0; i < inner; ++i) {
                const int a = sum / (2 * radius + 1);
                if (horizontal) image.setPixel(i, o, qRgba(0, 0, 0, a));
                else image.setPixel(o, i, qRgba(0, 0, 0, a));
                sum += line[std::size_t(std::clamp(i + radius + 1, 0, inner - 1))];
                sum -= line[std::size_t(std::clamp(i - radius, 0, inner - 1))];
            }
        }
    };
    for (int k = 0; k < 3; ++k) {
        pass(true);
        pass(false);
    }
}

// A shadow image of `source` (its alpha), blurred and tinted.
QImage shadowImage(const QImage& source, const QColor& colour, int blur) {
    QImage shadow(source.size() + QSize(4 * blur, 4 * blur), QImage::Format_ARGB32);
    shadow.fill(Qt::transparent);
    {
        QPainter p(&shadow);
        p.drawImage(2 * blur, 2 * blur, source);
    }
    blurAlpha(shadow, blur);
    shadow = shadow.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&shadow);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(shadow.rect(), colour);
    return shadow;
}

}  // namespace

QtGraphicsContext::QtGraphicsContext(QPainter& painter, AppearanceName appearance) : painter_(&painter) {
    State s;
    s.appearance = std::move(appearance);
    stack_.push_back(s);
    painter_->setRenderHint(QPainter::Antialiasing, true);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
}

QtGraphicsContext::~QtGraphicsContext() {
    while (!layers_.empty()) endTransparencyLayer();
}

void QtGraphicsContext::saveGraphicsState() {
    State s = state();
    s.opensLayer = false;
    stack_.push_back(s);
    painter_->save();
}

void QtGraphicsContext::restoreGraphicsState() {
    if (stack_.size() < 2 || state().opensLayer) return;
    stack_.pop_back();
    painter_->restore();
}

void QtGraphicsContext::translate(double dx, double dy) { painter_->translate(dx, dy); }
void QtGraphicsContext::scale(double sx, double sy) { painter_->scale(sx, sy); }

void QtGraphicsContext::concat(const AffineTransform& t) {
    painter_->setWorldTransform(QTransform(t.a, t.b, t.c, t.d, t.tx, t.ty), true);
}

AffineTransform QtGraphicsContext::currentTransform() const {
    const QTransform m = painter_->worldTransform();
    return {m.m11(), m.m12(), m.m21(), m.m22(), m.dx(), m.dy()};
}

void QtGraphicsContext::clipToRect(const Rect& rect) { painter_->setClipRect(qRect(rect), Qt::IntersectClip); }
void QtGraphicsContext::clipToPath(const BezierPath& path) { painter_->setClipPath(painterPath(path), Qt::IntersectClip); }
void QtGraphicsContext::setShadow(const std::optional<Shadow>& shadow) { state().shadow = shadow; }
void QtGraphicsContext::setAlpha(double alpha) { state().alpha = std::clamp(alpha, 0.0, 1.0); }
void QtGraphicsContext::setBlendMode(BlendMode mode) { state().blend = mode; }
void QtGraphicsContext::setFillColor(const Color& color) { state().fill = color; }
void QtGraphicsContext::setStrokeColor(const Color& color) { state().stroke = color; }
void QtGraphicsContext::setAppearance(const AppearanceName& appearance) { state().appearance = appearance; }

void QtGraphicsContext::prepare(std::optional<BlendMode> blend) {
    painter_->setOpacity(state().alpha);
    painter_->setCompositionMode(compositionMode(blend.value_or(state().blend)));
}

void QtGraphicsContext::drawShadowOf(const QPainterPath& shape, bool stroke, double lineWidth) {
    const auto& shadow = state().shadow;
    if (!shadow || !shadow->shadowColor()) return;
    const QColor colour = qColor(*shadow->shadowColor(), state().appearance);
    if (colour.alpha() == 0) return;
    const QTransform m = painter_->worldTransform();
    QPainterPath device = m.map(shape);
    const double scale = painter_->device() ? painter_->device()->devicePixelRatioF() : 1;
    const int blur = static_cast<int>(std::ceil(shadow->shadowBlurRadius() / 2));
    QRectF bounds = device.boundingRect().adjusted(-lineWidth, -lineWidth, lineWidth, lineWidth);
    QImage mask((bounds.size() * scale).toSize() + QSize(2, 2), QImage::Format_ARGB32_Premultiplied);
    if (mask.isNull()) return;
    mask.fill(Qt::transparent);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(scale, scale);
        p.translate(-bounds.topLeft());
        if (stroke) p.strokePath(device, QPen(Qt::black, lineWidth * std::sqrt(std::abs(m.determinant()))));
        else p.fillPath(device, Qt::black);
    }
    const QImage blurred = shadowImage(mask, colour, static_cast<int>(blur * scale));
    painter_->save();
    painter_->resetTransform();
    painter_->setOpacity(state().alpha);
    painter_->setCompositionMode(compositionMode(state().blend));
    const QPointF at = bounds.topLeft() + QPointF(shadow->shadowOffset().width, shadow->shadowOffset().height) -
                       QPointF(2 * blur, 2 * blur);
    painter_->drawImage(QRectF(at, QSizeF(blurred.size()) / scale), blurred);
    painter_->restore();
}

namespace {
// Room beyond the clip for the shadows that layers nested in a layer cast.
constexpr int kLayerMargin = 24;
}  // namespace

void QtGraphicsContext::beginTransparencyLayer() {
    QPaintDevice* device = painter_->device();
    const qreal scale = device ? device->devicePixelRatioF() : 1;
    QRect deviceBounds(0, 0, device ? device->width() : 0, device ? device->height() : 0);
    QRect area = deviceBounds;
    if (painter_->hasClipping()) {
        QRect clip = painter_->worldTransform().mapRect(painter_->clipBoundingRect()).toAlignedRect();
        // The layer also holds what lies just beyond the clip: a shadow cast
        // by the layer, or by a layer inside it, is made from that content,
        // and without it a partial repaint would cast shadows from the
        // clip's edges. What lies beyond is cut when the layer is composited.
        int margin = kLayerMargin;
        if (const auto& shadow = state().shadow; shadow && shadow->shadowColor()) {
            const Size offset = shadow->shadowOffset();
            margin += static_cast<int>(std::ceil(shadow->shadowBlurRadius() + std::abs(offset.width) +
                                                 std::abs(offset.height)));
        }
        clip.adjust(-margin, -margin, margin, margin);
        area = clip.intersected(deviceBounds);
    }
    Layer layer;
    layer.outer = painter_;
    layer.deviceRect = area;
    layer.composite = state();
    layer.image = std::make_unique<QImage>(
        QSize(std::max(1, int(std::ceil(area.width() * scale))), std::max(1, int(std::ceil(area.height() * scale)))),
        QImage::Format_ARGB32_Premultiplied);
    layer.image->setDevicePixelRatio(scale);
    layer.image->fill(Qt::transparent);
    layer.painter = std::make_unique<QPainter>(layer.image.get());
    layer.painter->setRenderHints(painter_->renderHints());
    layer.painter->setFont(painter_->font());
    QTransform shift;
    shift.translate(-area.left(), -area.top());
    layer.painter->setWorldTransform(painter_->worldTransform() * shift);
    painter_ = layer.painter.get();
    layers_.push_back(std::move(layer));
    State s = state();
    s.alpha = 1;
    s.blend = BlendMode::normal;
    s.shadow.reset();
    s.opensLayer = true;
    stack_.push_back(s);
}

void QtGraphicsContext::endTransparencyLayer() {
    if (layers_.empty() || !state().opensLayer) return;
    stack_.pop_back();
    Layer layer = std::move(layers_.back());
    layers_.pop_back();
    layer.painter->end();
    painter_ = layer.outer;
    painter_->save();
    painter_->resetTransform();
    painter_->setOpacity(layer.composite.alpha);
    painter_->setCompositionMode(compositionMode(layer.composite.blend));
    if (layer.composite.shadow && layer.composite.shadow->shadowColor()) {
        const QColor colour = qColor(*layer.composite.shadow->shadowColor(), layer.composite.appearance);
        if (colour.alpha() > 0) {
            const qreal scale = layer.image->devicePixelRatio();
            const int blur = static_cast<int>(std::ceil(layer.composite.shadow->shadowBlurRadius() / 2 * scale));
            QImage plain = *layer.image;
            plain.setDevicePixelRatio(1);
            const QImage shadow = shadowImage(plain, colour, blur);
            const Size offset = layer.composite.shadow->shadowOffset();
            const QPointF at = QPointF(layer.deviceRect.topLeft()) + QPointF(offset.width, offset.height) -
                               QPointF(2 * blur, 2 * blur) / scale;
            painter_->drawImage(QRectF(at, QSizeF(shadow.size()) / scale), shadow);
        }
    }
    painter_->drawImage(QPointF(layer.deviceRect.topLeft()), *layer.image);
    painter_->restore();
}

void QtGraphicsContext::fillPath(const BezierPath& path) {
    const QPainterPath shape = painterPath(path);
    drawShadowOf(shape, false, 0);
    prepare();
    painter_->fillPath(shape, qColor(state().fill, state().appearance));
}

void QtGraphicsContext::strokePath(const BezierPath& path) {
    const QPainterPath shape = painterPath(path);
    drawShadowOf(shape, true, path.lineWidth());
    prepare();
    QPen pen(qColor(state().stroke, state().appearance), path.lineWidth());
    pen.setCapStyle(path.lineCapStyle() == LineCapStyle::round    ? Qt::RoundCap
                    : path.lineCapStyle() == LineCapStyle::square ? Qt::SquareCap
                                                                  : Qt::FlatCap);
    pen.setJoinStyle(path.lineJoinStyle() == LineJoinStyle::round   ? Qt::RoundJoin
                     : path.lineJoinStyle() == LineJoinStyle::bevel ? Qt::BevelJoin
                                                                    : Qt::MiterJoin);
    pen.setMiterLimit(path.miterLimit());
    painter_->strokePath(shape, pen);
}

void QtGraphicsContext::fillRect(const Rect& rect, CompositingOperation operation) {
    if (state().shadow) {
        QPainterPath shape;
        shape.addRect(qRect(rect));
        drawShadowOf(shape, false, 0);
    }
    prepare(blendModeFor(operation));
    // Pixel-aligned rectangles fill without antialiased seams.
    const bool hint = painter_->testRenderHint(QPainter::Antialiasing);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->fillRect(qRect(rect), qColor(state().fill, state().appearance));
    painter_->setRenderHint(QPainter::Antialiasing, hint);
}

void QtGraphicsContext::drawBitmap(const BitmapImageRep& bitmap, const Rect& rect) {
    const QImage image = decodedImage(bitmap);
    if (image.isNull()) return;
    prepare();
    painter_->drawImage(qRect(rect), image);
}

void QtGraphicsContext::drawAttributedString(const AttributedString& text, const Rect& rect) {
    prepare();
    const auto& appearance = state().appearance;
    for (const auto& line : textMetrics().layOut(text, rect)) {
        // Qt's layout sets the line: shaped across its runs, and in visual
        // order, so right-to-left text reads right to left even when its
        // runs differ in style.
        const std::string& s = line.text.string();
        const auto indexes = indexesOfByteOffsets(s);
        QList<QTextLayout::FormatRange> formats = fontFormats(line.text, indexes);
        const auto& runs = line.text.runs();
        for (qsizetype i = 0; i < formats.size(); ++i) {
            const TextAttributes& a = runs[std::size_t(i)].attributes;
            QTextCharFormat& format = formats[i].format;
            if (a.underlineStyle && *a.underlineStyle != 0) format.setFontUnderline(true);
            if (a.strikethroughStyle && *a.strikethroughStyle != 0) format.setFontStrikeOut(true);
            const Color colour = a.foregroundColor.value_or(Color::named("System", "labelColor", Color::black()));
            // An attachment's character only keeps its place; its image is drawn over it.
            format.setForeground(a.attachment ? QColor(Qt::transparent) : qColor(colour, appearance));
            if (a.backgroundColor) format.setBackground(qColor(*a.backgroundColor, appearance));
            if (a.baselineOffset && *a.baselineOffset != 0) {
                // Qt shifts by a share of the font's height.
                const double height = QFontMetricsF(format.font()).height();
                if (height > 0) format.setBaselineOffset(*a.baselineOffset / height * 100);
            }
        }
        QTextLayout layout(toQString(s), qFont(defaultTextFont()));
        layout.setFormats(formats);
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        // The kit placed the line; Qt only orders it within its box.
        option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
        option.setTextDirection(Qt::LayoutDirectionAuto);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine set = layout.createLine();
        if (set.isValid()) set.setLineWidth(std::max(line.width, 0.0));
        layout.endLayout();
        if (!set.isValid()) continue;
        layout.draw(painter_, QPointF(line.origin.x, line.baseline - set.ascent()));
        for (const auto& run : runs) {
            if (!run.attributes.attachment) continue;
            if (auto image = Image::imageNamed(run.attributes.attachment->imageName)) {
                const double x = line.origin.x + set.cursorToX(indexes[run.range.location]);
                image->drawInRect(Rect(x, line.origin.y, line.height, line.height));
                prepare();
            }
        }
    }
}

void QtGraphicsContext::drawLinearGradient(const std::vector<Color>& colors, const std::vector<double>& locations,
                                           Point start, Point end) {
    if (colors.empty()) return;
    QLinearGradient gradient(QPointF(start.x, start.y), QPointF(end.x, end.y));
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const double at = i < locations.size() ? locations[i]
                                                : (colors.size() > 1 ? double(i) / double(colors.size() - 1) : 0.0);
        gradient.setColorAt(std::clamp(at, 0.0, 1.0), qColor(colors[i], state().appearance));
    }
    prepare();
    QRectF area = painter_->hasClipping() ? painter_->clipBoundingRect()
                                          : painter_->worldTransform().inverted().mapRect(
                                                QRectF(0, 0, painter_->device()->width(), painter_->device()->height()));
    painter_->fillRect(area, gradient);
}

void QtGraphicsContext::drawControl(const ControlDrawing& control, const Rect& rect) {
    prepare();
    drawStandardControl(*painter_, control, qRect(rect), state().appearance);
}

}  // namespace platform::qt
