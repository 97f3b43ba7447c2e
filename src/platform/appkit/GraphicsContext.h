#pragma once
// Where drawing goes. GraphicsContext is one interface with two
// implementations: RecordingGraphicsContext (here) writes every operation as
// a line of text, so tests compare what was drawn and images and view
// snapshots keep their drawing as a display list; the desktop backend
// supplies one that paints with its toolkit's painter.
//
// The operations map one to one onto a painter: state save and restore,
// transforms, clipping by path or rectangle, shadows, alpha, transparency
// layers (drawn offscreen, then composited with the alpha, shadow and blend
// mode in force when the layer began), blend modes, path fill and stroke,
// rectangle fill with a compositing operation, bitmaps, and attributed text
// (laid out by the backend's text service).
//
// Drawing code finds its context as GraphicsContext::current(), which a
// Scope sets for the time of a drawing pass; fill and stroke of BezierPath,
// Shadow::set, setColor and rectFill draw into it.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/appkit/Appearance.h"
#include "platform/appkit/BezierPath.h"
#include "platform/appkit/ControlDrawing.h"
#include "platform/appkit/Shadow.h"
#include "platform/graphics/AffineTransform.h"
#include "platform/graphics/AttributedString.h"
#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

namespace platform {

class BitmapImageRep;
class View;

// How a context combines what is drawn with what is there.
enum class BlendMode : int {
    normal = 0,  // source over
    clear,
    copy,
    sourceIn,
    sourceOut,
    sourceAtop,
    destinationOver,
    destinationIn,
    destinationOut,
    destinationAtop,
    xorMode,
};

// The compositing operations images and rectangle fills take, with the
// platform's raw values.
enum class CompositingOperation : int {
    clear = 0,
    copy = 1,
    sourceOver = 2,
    sourceIn = 3,
    sourceOut = 4,
    sourceAtop = 5,
    destinationOver = 6,
    destinationIn = 7,
    destinationOut = 8,
    destinationAtop = 9,
    xorOp = 10,
};

BlendMode blendModeFor(CompositingOperation operation);
// "normal", "sourceOut", "sourceAtop", ...
std::string blendModeName(BlendMode mode);
// "rgba(1 0.635 0 1)" for colours with an sRGB form, else "catalog:name".
std::string describeColor(const Color& color);

class GraphicsContext {
public:
    virtual ~GraphicsContext() = default;

    // --- state (save and restore cover everything below, the clip included)
    virtual void saveGraphicsState() = 0;
    // Without a matching save, nothing happens.
    virtual void restoreGraphicsState() = 0;

    // --- transforms, applied to coordinates before the current transform
    virtual void translate(double dx, double dy) = 0;
    virtual void scale(double sx, double sy) = 0;
    virtual void concat(const AffineTransform& transform) = 0;
    virtual AffineTransform currentTransform() const = 0;

    // --- clipping: intersects the current clip
    virtual void clipToRect(const Rect& rect) = 0;
    // By the path's winding rule.
    virtual void clipToPath(const BezierPath& path) = 0;

    // --- what the following drawing looks like
    // None removes the shadow.
    virtual void setShadow(const std::optional<Shadow>& shadow) = 0;
    virtual void setAlpha(double alpha) = 0;
    virtual void setBlendMode(BlendMode mode) = 0;
    virtual void setFillColor(const Color& color) = 0;
    virtual void setStrokeColor(const Color& color) = 0;

    // --- transparency layers: what is drawn between begin and end is
    // composited as one picture at the end; the ends nest and pair up, an
    // end without a begin does nothing.
    virtual void beginTransparencyLayer() = 0;
    virtual void endTransparencyLayer() = 0;

    // --- drawing
    // By the path's winding rule, in the fill colour.
    virtual void fillPath(const BezierPath& path) = 0;
    // With the path's line width, cap and join, in the stroke colour.
    virtual void strokePath(const BezierPath& path) = 0;
    // In the fill colour, combined by `operation` for this fill only.
    virtual void fillRect(const Rect& rect, CompositingOperation operation) = 0;
    // The whole bitmap scaled into `rect`.
    virtual void drawBitmap(const BitmapImageRep& bitmap, const Rect& rect) = 0;
    // Laid out and drawn by the backend's text service inside `rect`.
    virtual void drawAttributedString(const AttributedString& text, const Rect& rect) = 0;
    // Fills the clip with a linear gradient from `start` to `end` (user
    // space), the colours at `locations` in 0...1 (spread evenly when there
    // are none), the end colours continued beyond the ends.
    virtual void drawLinearGradient(const std::vector<Color>& colors, const std::vector<double>& locations, Point start,
                                    Point end) = 0;
    // A standard control in `rect`, as the desktop draws it.
    virtual void drawControl(const ControlDrawing& control, const Rect& rect) {
        (void)control;
        (void)rect;
    }
    // The appearance system colours resolve in from here on (part of the
    // saved state).
    virtual void setAppearance(const AppearanceName& appearance) { (void)appearance; }

    // --- the current context of drawing code
    static GraphicsContext* current();
    // Makes a context current for its lifetime; scopes nest.
    class Scope {
    public:
        explicit Scope(GraphicsContext& context);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        GraphicsContext* previous_;
    };
};

// Helpers that draw into the current context, as drawing code writes them.
// Sets the fill and the stroke colour.
void setColor(const Color& color);
void setFillColor(const Color& color);
void setStrokeColor(const Color& color);
void rectFill(const Rect& rect);
void rectFillUsingOperation(const Rect& rect, CompositingOperation operation);

// Writes each operation as one line:
//   save | restore | translate 10 20 | scale 0.5 0.5 | concat 1 0 0 1 5 5
//   clip rect 0 0 10 10 | clip path <path> nonZero|evenOdd
//   shadow rgba(0 0 0 0.45) offset 0 2 blur 6 | shadow none
//   alpha 0.45 | blend sourceOut | fill color <colour> | stroke color <colour>
//   begin layer | end layer
//   fill path <path> nonZero | stroke path <path> width 1 cap round join miter
//   fill rect 0 0 18 18 sourceAtop | bitmap <name> in 0 0 18 18
//   text "Hello" in 0 0 100 20
//   gradient <colour> 0, <colour> 1 from 0 0 to 10 0
//   control pushButton "OK" in 0 0 80 24
// Paths are written as BezierPath::description. The recording can be played
// back into another context.
class RecordingGraphicsContext : public GraphicsContext {
public:
    RecordingGraphicsContext() = default;

    const std::vector<std::string>& operations() const { return lines_; }
    void clear();
    // Replays every operation into `target`, in order.
    void replay(GraphicsContext& target) const;
    bool isEmpty() const { return lines_.empty(); }

    // State a test may read.
    int saveDepth() const;
    int layerDepth() const;
    double alpha() const { return stack_.back().alpha; }
    BlendMode blendMode() const { return stack_.back().blend; }
    const std::optional<Shadow>& shadow() const { return stack_.back().shadow; }

    void saveGraphicsState() override;
    void restoreGraphicsState() override;
    void translate(double dx, double dy) override;
    void scale(double sx, double sy) override;
    void concat(const AffineTransform& transform) override;
    AffineTransform currentTransform() const override { return stack_.back().transform; }
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

private:
    struct State {
        AffineTransform transform;
        double alpha = 1;
        BlendMode blend = BlendMode::normal;
        std::optional<Shadow> shadow;
        bool opensLayer = false;  // pushed by beginTransparencyLayer, not by save
    };
    void record(std::string line, std::function<void(GraphicsContext&)> replay);

    std::vector<std::string> lines_;
    std::vector<std::function<void(GraphicsContext&)>> replays_;
    std::vector<State> stack_{State{}};
};

// Draws `view` and its visible subviews, each in its own coordinates and
// clipped to its bounds, into `context` (which becomes current meanwhile).
// Backends paint windows with it; view snapshots record with it. With
// `dirty` (in the view's coordinates), subviews outside it are skipped and
// drawRect gets the part of it inside the view. `focusRingView` gets the
// focus ring drawn around it after its subviews. A window's own paint pass
// sets `windowPass`: each view drawn then takes back the marks its drawing
// answers (a snapshot leaves them).
void drawViewHierarchy(View& view, GraphicsContext& context, std::optional<Rect> dirty = std::nullopt,
                       const View* focusRingView = nullptr, bool windowPass = false);

}  // namespace platform
