#pragma once
// What the drawing routines share: the canvas mapping, the colours that recur
// and an arc helper for the shapes built from circles and ellipses.

#include "drawing/DrawingKit.h"
#include "platform/appkit/BezierPath.h"
#include "platform/appkit/GraphicsContext.h"

namespace frelt::drawingkit {

// The grey of icons and circle outlines.
platform::Color neutralGrey();
// The grey of the lines of a drawn button that acts (the menu's bars, the
// delete bin): it follows the appearance and stands at least 3:1 against
// the window's background in light and dark, so that the button does not
// look disabled.
platform::Color controlGrey();

// `base` mixed with `fraction` of `other`; `base` itself when the colours
// cannot be mixed (the routines only mix RGB and grey colours).
platform::Color blend(const platform::Color& base, double fraction, const platform::Color& other);

// The canvas procedure: saves the current context's state and maps a canvas
// of `canvasSize` into `frame` by the resizing behaviour; restores at the end
// of the scope. Without a current context it does nothing and is false.
class CanvasScope {
public:
    CanvasScope(const platform::Rect& frame, platform::Size canvasSize, long resizing);
    ~CanvasScope();
    CanvasScope(const CanvasScope&) = delete;
    CanvasScope& operator=(const CanvasScope&) = delete;

    explicit operator bool() const { return context_ != nullptr; }
    platform::GraphicsContext& context() const { return *context_; }
    // The rectangle the canvas was mapped into.
    const platform::Rect& mappedRect() const { return mapped_; }

private:
    platform::GraphicsContext* context_;
    platform::Rect mapped_;
};

// Appends an elliptical arc around `center` from `startDegrees` to
// `endDegrees` (y-down: increasing angles turn clockwise on screen), in
// cubic segments of at most 90 degrees. It starts a subpath when the path is
// empty and draws a line to the arc's start when the path ends elsewhere.
void appendArc(platform::BezierPath& path, platform::Point center, double radiusX, double radiusY,
               double startDegrees, double endDegrees);

}  // namespace frelt::drawingkit
