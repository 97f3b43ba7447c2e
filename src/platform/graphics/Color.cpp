#include "platform/graphics/Color.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <mutex>

namespace platform {

namespace {

// The archived colour-space numbers of the platform colour class.
enum ArchivedSpace : std::int64_t {
    kCalibratedRGB = 1,
    kDeviceRGB = 2,
    kCalibratedWhite = 3,
    kDeviceWhite = 4,
    kCatalog = 6,
};
// The identifier an archived colour-space object gives the sRGB space.
constexpr std::int64_t kSRGBSpaceID = 7;

// The colour-space object an sRGB colour refers to under "NSCustomColorSpace".
class ColorSpaceRecord : public Coding {
public:
    explicit ColorSpaceRecord(std::int64_t id) : id(id) {}
    std::string className() const override { return "NSColorSpace"; }
    void encodeWithCoder(KeyedArchiver& coder) const override { coder.encodeInteger(id, "NSID"); }
    static std::shared_ptr<ColorSpaceRecord> initWithCoder(KeyedUnarchiver& coder) {
        return std::make_shared<ColorSpaceRecord>(coder.decodeInteger("NSID"));
    }
    std::int64_t id;
};

// "0.5 0.25 1" plus the terminating NUL the platform writes.
Data componentText(const double* values, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, values[i]);
        if (i) text.push_back(' ');
        text.append(buf, r.ptr);
    }
    Data d(text.begin(), text.end());
    d.push_back(0);
    return d;
}

std::optional<std::vector<double>> parseComponents(const Data& data, std::size_t minCount, std::size_t maxCount) {
    std::vector<double> out;
    std::size_t i = 0;
    const char* p = reinterpret_cast<const char*>(data.data());
    const std::size_t n = data.size();
    while (i < n) {
        while (i < n && (p[i] == ' ' || p[i] == '\t' || p[i] == '\n')) ++i;
        if (i >= n || p[i] == 0) break;
        double v = 0;
        auto r = std::from_chars(p + i, p + n, v);
        if (r.ec != std::errc() || !std::isfinite(v)) return std::nullopt;
        out.push_back(v);
        if (out.size() > maxCount) return std::nullopt;
        i = static_cast<std::size_t>(r.ptr - p);
    }
    if (out.size() < minCount) return std::nullopt;
    return out;
}

// Components are bytes under the key itself in the common layout; archives
// this program wrote earlier keep them as a data object.
std::optional<Data> componentBytes(KeyedUnarchiver& coder, const std::string& key) {
    return coder.decodeData(key);
}

}  // namespace

Color Color::calibratedRGB(double r, double g, double b, double a) {
    Color c;
    c.space_ = Space::CalibratedRGB;
    c.c_ = {r, g, b, a};
    return c;
}
Color Color::deviceRGB(double r, double g, double b, double a) {
    Color c = calibratedRGB(r, g, b, a);
    c.space_ = Space::DeviceRGB;
    return c;
}
Color Color::sRGB(double r, double g, double b, double a) {
    Color c = calibratedRGB(r, g, b, a);
    c.space_ = Space::SRGB;
    return c;
}
Color Color::calibratedHSB(double h, double s, double v, double a) {
    h = std::clamp(h, 0.0, 1.0);
    s = std::clamp(s, 0.0, 1.0);
    v = std::clamp(v, 0.0, 1.0);
    const double sector = h >= 1 ? 0 : h * 6;
    const int i = static_cast<int>(std::floor(sector));
    const double f = sector - i, p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    switch (i) {
    case 0: return calibratedRGB(v, t, p, a);
    case 1: return calibratedRGB(q, v, p, a);
    case 2: return calibratedRGB(p, v, t, a);
    case 3: return calibratedRGB(p, q, v, a);
    case 4: return calibratedRGB(t, p, v, a);
    default: return calibratedRGB(v, p, q, a);
    }
}
Color Color::calibratedWhite(double w, double a) {
    Color c;
    c.space_ = Space::CalibratedWhite;
    c.c_ = {w, a, 0, 0};
    return c;
}
Color Color::deviceWhite(double w, double a) {
    Color c = calibratedWhite(w, a);
    c.space_ = Space::DeviceWhite;
    return c;
}
Color Color::named(std::string catalogName, std::string colorName, std::optional<Color> fallback) {
    Color c;
    c.space_ = Space::Catalog;
    c.c_ = {0, 0, 0, 0};
    c.catalogName_ = std::move(catalogName);
    c.colorName_ = std::move(colorName);
    if (fallback) c.fallback_ = std::make_shared<const Color>(std::move(*fallback));
    return c;
}

std::vector<double> Color::components() const {
    if (isRGB()) return {c_[0], c_[1], c_[2], c_[3]};
    if (isWhite()) return {c_[0], c_[1]};
    return {};
}

double Color::alphaComponent() const {
    if (isRGB()) return c_[3];
    if (isWhite()) return c_[1];
    return fallback_ ? fallback_->alphaComponent() : 1;
}

std::optional<Color::RGBA> Color::sRGBComponents() const {
    if (isRGB()) return RGBA{c_[0], c_[1], c_[2], c_[3]};
    if (isWhite()) return RGBA{c_[0], c_[0], c_[0], c_[1]};
    if (fallback_) return fallback_->sRGBComponents();
    return std::nullopt;
}

std::optional<Color> Color::blended(double fraction, const Color& other) const {
    auto a = sRGBComponents(), b = other.sRGBComponents();
    if (!a || !b) return std::nullopt;
    const double f = std::isnan(fraction) ? 0 : std::clamp(fraction, 0.0, 1.0);
    auto mix = [f](double x, double y) { return x + (y - x) * f; };
    return sRGB(mix(a->red, b->red), mix(a->green, b->green), mix(a->blue, b->blue), mix(a->alpha, b->alpha));
}

Color Color::withAlphaComponent(double alpha) const {
    Color c = *this;
    if (isRGB()) c.c_[3] = alpha;
    else if (isWhite()) c.c_[1] = alpha;
    else if (fallback_) c.fallback_ = std::make_shared<const Color>(fallback_->withAlphaComponent(alpha));
    return c;
}

bool Color::operator==(const Color& other) const {
    if (space_ != other.space_) return false;
    if (space_ == Space::Catalog) return catalogName_ == other.catalogName_ && colorName_ == other.colorName_;
    return components() == other.components();
}

void Color::encodeWithCoder(KeyedArchiver& coder) const {
    switch (space_) {
    case Space::CalibratedRGB:
    case Space::DeviceRGB:
    case Space::SRGB: {
        const bool opaque = c_[3] == 1;
        if (space_ == Space::SRGB) {
            coder.encodeInteger(kDeviceRGB, "NSColorSpace");
            coder.encodeBytes(componentText(c_.data(), 4), "NSComponents");
            // One shared space object, so an archive of many colours holds it once.
            static const auto srgbSpace = std::make_shared<const ColorSpaceRecord>(kSRGBSpaceID);
            coder.encodeObject(srgbSpace, "NSCustomColorSpace");
        } else {
            coder.encodeInteger(space_ == Space::CalibratedRGB ? kCalibratedRGB : kDeviceRGB, "NSColorSpace");
        }
        coder.encodeBytes(componentText(c_.data(), opaque ? 3 : 4), "NSRGB");
        break;
    }
    case Space::CalibratedWhite:
    case Space::DeviceWhite:
        coder.encodeInteger(space_ == Space::CalibratedWhite ? kCalibratedWhite : kDeviceWhite, "NSColorSpace");
        coder.encodeBytes(componentText(c_.data(), c_[1] == 1 ? 1 : 2), "NSWhite");
        break;
    case Space::Catalog:
        coder.encodeInteger(kCatalog, "NSColorSpace");
        coder.encodeObject(catalogName_, "NSCatalogName");
        coder.encodeObject(colorName_, "NSColorName");
        if (fallback_) coder.encodeObject(fallback_, "NSColor");
        break;
    }
}

std::shared_ptr<Color> Color::initWithCoder(KeyedUnarchiver& coder) {
    const std::int64_t space = coder.decodeInteger("NSColorSpace");
    if (space == kCatalog) {
        auto catalog = coder.decodeString("NSCatalogName");
        auto name = coder.decodeString("NSColorName");
        if (!catalog || !name) return nullptr;
        auto fallback = coder.decodeObjectOfClass<Color>("NSColor");
        return std::make_shared<Color>(
            named(std::move(*catalog), std::move(*name), fallback ? std::optional<Color>(*fallback) : std::nullopt));
    }
    if (space == kCalibratedRGB || space == kDeviceRGB) {
        auto custom = coder.decodeObjectOfClass<ColorSpaceRecord>("NSCustomColorSpace");
        const bool isSRGB = custom && custom->id == kSRGBSpaceID;
        std::optional<std::vector<double>> v;
        if (isSRGB)
            if (auto d = componentBytes(coder, "NSComponents")) v = parseComponents(*d, 3, 4);
        if (!v) {
            auto d = componentBytes(coder, "NSRGB");
            if (!d) return nullptr;
            v = parseComponents(*d, 3, 4);
        }
        if (!v) return nullptr;
        const double a = v->size() == 4 ? (*v)[3] : 1;
        if (isSRGB) return std::make_shared<Color>(sRGB((*v)[0], (*v)[1], (*v)[2], a));
        if (space == kCalibratedRGB) return std::make_shared<Color>(calibratedRGB((*v)[0], (*v)[1], (*v)[2], a));
        return std::make_shared<Color>(deviceRGB((*v)[0], (*v)[1], (*v)[2], a));
    }
    if (space == kCalibratedWhite || space == kDeviceWhite) {
        auto d = componentBytes(coder, "NSWhite");
        if (!d) return nullptr;
        auto v = parseComponents(*d, 1, 2);
        if (!v) return nullptr;
        const double a = v->size() == 2 ? (*v)[1] : 1;
        return std::make_shared<Color>(space == kCalibratedWhite ? calibratedWhite((*v)[0], a)
                                                                 : deviceWhite((*v)[0], a));
    }
    // Other spaces (CMYK, patterns) are not colours this program draws with.
    return nullptr;
}

void Color::registerCoding() {
    static std::once_flag once;
    std::call_once(once, [] {
        CodingRegistry::registerClass("NSColor", &Color::initWithCoder);
        CodingRegistry::registerClass("NSColorSpace", &ColorSpaceRecord::initWithCoder);
    });
}

namespace {
[[maybe_unused]] const bool registered = (Color::registerCoding(), true);
}

}  // namespace platform
