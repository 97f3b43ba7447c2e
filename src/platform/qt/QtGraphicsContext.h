#pragma once
// The kit's drawing context on a QPainter: paths, fills, bitmaps, gradients
// and text as the painter draws them; transparency layers as offscreen
// images composited at their end with the alpha, blend mode and shadow in
// force when they began; standard controls with the application's QStyle.
// Catalogue colours resolve through the desktop palette (SystemColors) in
// the context's appearance.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <memory>
#include <optional>
#include <vector>

#include "platform/appkit/GraphicsContext.h"

namespace platform::qt {

QPainterPath painterPath(const BezierPath& path);
QColor qColor(const Color& color, const AppearanceName& appearance);
QPainter::CompositionMode compositionMode(BlendMode mode);

class QtGraphicsContext : public GraphicsContext {
public:
    explicit QtGraphicsContext(QPainter& painter, AppearanceName appearance = appearance::aqua);
    ~QtGraphicsContext() override;
    QtGraphicsContext(const QtGraphicsContext&) = delete;
    QtGraphicsContext& operator=(const QtGraphicsContext&) = delete;

    QPainter& painter() { return *painter_; }

    void saveGraphicsState() override;
    void restoreGraphicsState() override;
    void translate(double dx, double dy) override;
    void scale(double sx, double sy) override;
    void concat(const AffineTransform& transform) override;
    AffineTransform currentTransform() const override;
    void clipToRect(const Rect& rect) override;
    void clipToPath(const BezierPath& path) override;
    void setShadow(const std::optional<Shadow>& shadow) override;
    void setAlpha(double alpha) override;
    void setBlendMode(BlendMode mode) override;
    void setFillColor(const Color& color) override;
    void setStrokeColor(const Color& color) override;
    void beginTransparencyLayer() override;
    void endTransparencyLayer() override;
    void fillPath(const BezierPath& path) override;
    void strokePath(const BezierPath& path) override;
    void fillRect(const Rect& rect, CompositingOperation operation) override;
    void drawBitmap(const BitmapImageRep& bitmap, const Rect& rect) override;
    void drawAttributedString(const AttributedString& text, const Rect& rect) override;
    void drawLinearGradient(const std::vector<Color>& colors, const std::vector<double>& locations, Point start,
                            Point end) override;
    void drawControl(const ControlDrawing& control, const Rect& rect) override;
    void setAppearance(const AppearanceName& appearance) override;

private:
    struct State {
        double alpha = 1;
        BlendMode blend = BlendMode::normal;
        std::optional<Shadow> shadow;
        Color fill = Color::black();
        Color stroke = Color::black();
        AppearanceName appearance;
        bool opensLayer = false;
    };
    struct Layer {
        // On the heap: the painter paints on this very object.
        std::unique_ptr<QImage> image;
        std::unique_ptr<QPainter> painter;
        QPainter* outer = nullptr;
        QRect deviceRect;  // in the outer device's logical pixels
        State composite;   // alpha, blend and shadow to composite with
    };

    State& state() { return stack_.back(); }
    // Sets the painter's opacity and composition for the next drawing.
    void prepare(std::optional<BlendMode> blend = std::nullopt);
    // Draws the shadow of what `paint` draws, when a shadow is set.
    void drawShadowOf(const QPainterPath& shape, bool stroke, double lineWidth);

    QPainter* painter_;
    std::vector<State> stack_;
    std::vector<Layer> layers_;
};

}  // namespace platform::qt
