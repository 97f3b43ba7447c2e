#pragma once
// Small views and buttons whose whole look is painted by DrawingKit: the
// coloured background of an entry row, the colour circles of the colour
// popups, the favourite star, the menu, exit and delete buttons, the group
// box and the logo.
//
// Each chooses its light or dark variant at every drawing pass from the
// application's appearance (not its own). Each draws its routine with its
// bounds, clipped to the rectangle that needs drawing, so a partial redraw
// repaints that part of the same picture instead of squeezing the whole
// picture into it.
//
// Buttons and group boxes made by a scene (awakeFromNib) follow the mouse
// over the bounds they have then; made from a frame, they never do.

#include <functional>
#include <memory>
#include <optional>

#include "platform/appkit/Appearance.h"
#include "platform/appkit/Button.h"
#include "platform/appkit/View.h"
#include "platform/graphics/Color.h"

namespace frelt {

// Whether an appearance is a dark one.
bool isDark(const platform::AppearanceName& appearance);
// Whether the application currently looks dark; drawn views ask at every pass.
bool applicationIsDark();
// Whether the view's own effective appearance is dark.
bool isDarkMode(const platform::View& view);

// The colour a drawn view shows. A view starts with a colour object that
// equals no real colour, so the first colour set always takes effect; later
// an equal colour changes nothing.
class DrawnViewColor {
public:
    const std::optional<platform::Color>& value() const { return color_; }
    // Stores `color` and answers true, unless it equals the stored one.
    bool update(const std::optional<platform::Color>& color);
    // The components to draw with; none for no colour, the clear colour, or
    // a colour without an RGB form (which cannot be shown).
    std::optional<platform::Color::RGBA> drawnComponents() const;

private:
    std::optional<platform::Color> color_;
    bool initial_ = true;
};

class DrawnLogo : public platform::View {
public:
    using View::View;
    void drawRect(const platform::Rect& dirtyRect) override;
};

// The background of an entry row: a rounded area in the entry's colour and a
// colour bar at its left. Without a colour it draws nothing.
class DrawnMainViewBackground : public platform::View {
public:
    explicit DrawnMainViewBackground(platform::Rect frame = {});

    double redColor = 0.808;
    double greenColor = 0.808;
    double blueColor = 0.808;
    double alphaColorBackground = 0.2;
    double alphaColorIndicator = 0.9;
    bool hasColor = false;

    bool drawBackground() const { return drawBackground_; }
    // Redraws when the value changes.
    void setDrawBackground(bool drawBackground);
    float alphaColor() const { return alphaColor_; }
    // Above 1 it is cut to 1; below 0.05 the background is left out. Every
    // assignment redraws.
    void setAlphaColor(float alpha);
    const std::optional<platform::Color>& color() const { return color_.value(); }
    // None or the clear colour: nothing is drawn. Another colour shows the
    // bar at 0.9 in that colour; the background keeps alphaColor's opacity.
    // An equal colour changes nothing.
    void setColor(const std::optional<platform::Color>& color);

    void drawRect(const platform::Rect& dirtyRect) override;

private:
    bool drawBackground_ = true;
    float alphaColor_ = 0.2f;
    DrawnViewColor color_;
};

class DrawnButton : public platform::Button {
public:
    using Button::Button;

    bool isMouseOver = false;

    void awakeFromNib() override;
    void mouseEntered(const platform::Event& event) override;
    void mouseExited(const platform::Event& event) override;
};

// A check box whose owner sets isChecked and redraws; a click sends the
// button's ordinary action.
class DrawnCheckBox : public DrawnButton {
public:
    using DrawnButton::DrawnButton;
    bool isChecked = false;
};

class DrawnCheckBoxFavorite : public DrawnCheckBox {
public:
    using DrawnCheckBox::DrawnCheckBox;
    void drawRect(const platform::Rect& dirtyRect) override;
};

// The three-bar button; a mouse down runs the handler instead of tracking.
class DrawnButtonMenu : public DrawnButton {
public:
    using DrawnButton::DrawnButton;

    double redColor = 0.808;
    double greenColor = 0.808;
    double blueColor = 0.808;
    double alphaColorBackground = 1.0;
    std::function<void()> mouseDownHandler;

    // Takes the system accent colour for the hover layer at each pass.
    void drawRect(const platform::Rect& dirtyRect) override;
    void mouseDown(const platform::Event& event) override;
};

class DrawnButtonExit : public DrawnButton {
public:
    using DrawnButton::DrawnButton;
    void drawRect(const platform::Rect& dirtyRect) override;
};

class DrawnButtonDelete : public DrawnButton {
public:
    using DrawnButton::DrawnButton;
    void drawRect(const platform::Rect& dirtyRect) override;
};

class DrawnColorCircle;

class ColorCircleDelegate {
public:
    virtual ~ColorCircleDelegate() = default;
    virtual void colorCircleSelected(const std::shared_ptr<DrawnColorCircle>& circle, const platform::Color& color) = 0;
};

// A clickable colour swatch. A click tells the delegate the circle's colour
// (and sends no action); a circle without a colour ignores clicks.
class DrawnColorCircle : public DrawnButton {
public:
    using DrawnButton::DrawnButton;

    double redColor = 0.808;
    double greenColor = 0.808;
    double blueColor = 0.808;
    double alphaColorBackground = 1.0;

    std::shared_ptr<ColorCircleDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<ColorCircleDelegate>& d) { delegate_ = d; }

    const std::optional<platform::Color>& color() const { return color_.value(); }
    // None or the clear colour: a transparent fill (only the shadow and the
    // outline show). Another colour is shown opaque.
    void setColor(const std::optional<platform::Color>& color);

    void drawRect(const platform::Rect& dirtyRect) override;
    void mouseDown(const platform::Event& event) override;

private:
    std::weak_ptr<ColorCircleDelegate> delegate_;
    DrawnViewColor color_;
};

class DrawnGroupBox : public platform::View {
public:
    using View::View;

    bool isMouseOver = false;

    void awakeFromNib() override;
    void mouseEntered(const platform::Event& event) override;
    void mouseExited(const platform::Event& event) override;
    // The hover state does not change the picture.
    void drawRect(const platform::Rect& dirtyRect) override;
};

}  // namespace frelt
