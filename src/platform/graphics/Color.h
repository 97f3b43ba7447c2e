#pragma once
// Colours as values: RGB (calibrated, device and sRGB), white (calibrated and
// device) and catalogue colours known by name, such as the desktop palette's
// system colours. A colour archives itself in the platform colour class's
// keys ("NSColor": NSColorSpace, NSRGB, NSWhite, NSComponents,
// NSCustomColorSpace, NSCatalogName, NSColorName, NSColor).

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/KeyedArchive.h"

namespace platform {

class Color : public Coding {
public:
    enum class Space { CalibratedRGB, DeviceRGB, SRGB, CalibratedWhite, DeviceWhite, Catalog };

    struct RGBA {
        double red = 0, green = 0, blue = 0, alpha = 1;
        bool operator==(const RGBA&) const = default;
    };

    // Opaque black in calibrated white.
    Color() = default;

    static Color calibratedRGB(double red, double green, double blue, double alpha = 1);
    static Color deviceRGB(double red, double green, double blue, double alpha = 1);
    static Color sRGB(double red, double green, double blue, double alpha = 1);
    // Hue, saturation and brightness in 0...1, giving a calibrated RGB colour.
    static Color calibratedHSB(double hue, double saturation, double brightness, double alpha = 1);
    static Color calibratedWhite(double white, double alpha = 1);
    static Color deviceWhite(double white, double alpha = 1);
    // A colour of a catalogue ("System", "controlAccentColor"). The fallback is
    // what it looks like where the catalogue is unknown.
    static Color named(std::string catalogName, std::string colorName,
                       std::optional<Color> fallback = std::nullopt);

    static Color black() { return calibratedWhite(0); }
    static Color white() { return calibratedWhite(1); }
    static Color clear() { return calibratedWhite(0, 0); }

    Space space() const { return space_; }
    bool isRGB() const { return space_ == Space::CalibratedRGB || space_ == Space::DeviceRGB || space_ == Space::SRGB; }
    bool isWhite() const { return space_ == Space::CalibratedWhite || space_ == Space::DeviceWhite; }
    // The colour's own components, alpha last: (r, g, b, a) or (w, a); empty
    // for a catalogue colour.
    std::vector<double> components() const;
    double alphaComponent() const;
    const std::string& catalogName() const { return catalogName_; }
    const std::string& colorName() const { return colorName_; }
    const Color* fallback() const { return fallback_.get(); }

    // The colour in sRGB. RGB spaces carry their components over (the
    // desktop renders device and calibrated RGB as sRGB), white becomes grey,
    // a catalogue colour takes its fallback; nullopt when it has none.
    std::optional<RGBA> sRGBComponents() const;
    // This colour mixed with `other` by `fraction` (0 keeps this colour, 1
    // gives `other`; outside values are clamped), as an sRGB colour; nullopt
    // when either colour has no sRGB form.
    std::optional<Color> blended(double fraction, const Color& other) const;
    Color withAlphaComponent(double alpha) const;

    // Same space and same components (and names, for catalogue colours).
    bool operator==(const Color& other) const;

    // Keyed archiving as the platform colour class.
    std::string className() const override { return "NSColor"; }
    void encodeWithCoder(KeyedArchiver& coder) const override;
    // Nullptr for a record that is not a colour this program can use.
    static std::shared_ptr<Color> initWithCoder(KeyedUnarchiver& coder);
    // Makes "NSColor" decodable. Runs on its own when this file is linked in;
    // calling it again does no harm.
    static void registerCoding();

private:
    Space space_ = Space::CalibratedWhite;
    std::array<double, 4> c_{0, 1, 0, 0};  // r g b a, or w a
    std::string catalogName_, colorName_;
    std::shared_ptr<const Color> fallback_;
};

}  // namespace platform
