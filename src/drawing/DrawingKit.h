#pragma once
// The program's vector drawing routines: every custom-drawn element (entry
// backgrounds, colour circles, group boxes, the maker's logo and the small
// icons of the drawn buttons) is painted by one of these. Each routine builds
// its shapes afresh, fills or strokes them into the current graphics context
// (nothing happens without one) and keeps nothing between calls.
//
// Routines with a design canvas map it into the caller's frame with
// resizingRect and the resizing behaviour given as a raw value (every caller
// in the program passes 0, aspect fit): save, translate, scale, draw,
// restore. The icon shapes are designed y-down, as the kit draws, so they
// come out upright everywhere.
//
// Shadow offsets are the kit's (y down): the colour circles cast their shadow
// downwards.

#include <memory>
#include <optional>

#include "platform/graphics/Color.h"
#include "platform/graphics/Geometry.h"

namespace platform {
class Image;
}

namespace frelt {

class DrawingKit {
public:
    // How a design canvas is fitted into a frame; the raw values are what
    // the routines take.
    enum class ResizingBehavior : long { aspectFit = 0, aspectFill = 1, stretch = 2, center = 3 };
    // None for a raw value outside 0...3.
    static std::optional<ResizingBehavior> resizingBehaviorFromRawValue(long rawValue);

    // The rectangle the design canvas `design` is drawn into for `target`:
    // the canvas scaled by the behaviour and centred in the target. A target
    // equal to the canvas, or the zero rectangle, leaves the canvas as it is.
    static platform::Rect resizingRect(const platform::Rect& design, const platform::Rect& target,
                                       ResizingBehavior behavior);

    // The brand colour (1, 0.635, 0), made once.
    static const platform::Color& quandorOrange();

    // --- backgrounds, colour circles, group boxes, logo

    // The rounded background of an entry row (when drawBackground) and, in
    // every case, its 7-point colour bar at the left; drawn in the frame
    // itself, no canvas.
    static void drawFreltBackgroundWithFrame(const platform::Rect& frame, double red, double green, double blue,
                                             double alphaBackground, double alphaIndicator, bool drawBackground);
    // A colour swatch on a 36 x 36 canvas with an inner shadow, an outline
    // and, on hover, a second ring.
    static void drawColorCircleDarkUICanvasWithFrame(const platform::Rect& frame, long resizing, bool mouseOver,
                                                     double red, double green, double blue, double alphaBackground);
    static void drawColorCircleLightUICanvasWithFrame(const platform::Rect& frame, long resizing, bool mouseOver,
                                                      double red, double green, double blue, double alphaBackground);
    // A rounded box inset by 2 points in the frame.
    static void drawGroupBoxDarkUICanvasWithFrame(const platform::Rect& frame);
    static void drawGroupBoxLightUICanvasWithFrame(const platform::Rect& frame);
    // The maker's logo on a 227 x 43 canvas, in the text colour of the
    // appearance and the brand colour.
    static void drawQuandorDarkUIWithFrame(const platform::Rect& frame, long resizing);
    static void drawQuandorLightUIWithFrame(const platform::Rect& frame, long resizing);

    // --- icons on an 18 x 18 canvas, neutral grey with a state layer on top

    // A cog; orange on hover.
    static void drawIcon_settingCanvasWithFrame(const platform::Rect& frame, long resizing, bool mouseOver);
    // A power symbol; orange on hover.
    static void drawIcon_exitCanvasWithFrame(const platform::Rect& frame, long resizing, bool mouseOver);
    // A waste bin; red strokes on hover.
    static void drawIcon_deleteCanvasWithFrame(const platform::Rect& frame, long resizing, bool mouseOver);
    // Three bars; the given colour on hover.
    static void drawIcon_menuCanvasWithFrame(const platform::Rect& frame, long resizing, bool mouseOver, double red,
                                             double green, double blue, double alphaBackground);
    // A crossed-out eye; checked, the open eye lies under the red diagonal.
    static void drawIcon_visibleCanvasWithFrame(const platform::Rect& frame, long resizing, bool isChecked);
    // A star: filled yellow when checked, a hover outline on top.
    static void drawIcon_favoriteLightUICanvasWithFrame(const platform::Rect& frame, long resizing, bool mouseOver,
                                                        bool isChecked);
    static void drawIcon_favoriteDarkUICanvasWithFrame(const platform::Rect& frame, long resizing, bool mouseOver,
                                                       bool isChecked);

    // --- the icons as 18 x 18 images, drawn afresh whenever they are drawn
    static std::shared_ptr<platform::Image> imageOfIcon_settingCanvasWithMouseOver(bool mouseOver);
    static std::shared_ptr<platform::Image> imageOfIcon_exitCanvasWithMouseOver(bool mouseOver);
    static std::shared_ptr<platform::Image> imageOfIcon_deleteCanvasWithMouseOver(bool mouseOver);
    static std::shared_ptr<platform::Image> imageOfIcon_visibleCanvasWithIsChecked(bool isChecked);
    static std::shared_ptr<platform::Image> imageOfIcon_favoriteLightUICanvasWithMouseOver(bool mouseOver,
                                                                                           bool isChecked);
    static std::shared_ptr<platform::Image> imageOfIcon_favoriteDarkUICanvasWithMouseOver(bool mouseOver,
                                                                                          bool isChecked);
};

}  // namespace frelt
