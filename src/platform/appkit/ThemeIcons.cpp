#include "platform/appkit/ThemeIcons.h"

#include "platform/appkit/BezierPath.h"
#include "platform/appkit/GraphicsContext.h"
#include "platform/foundation/SingleInstance.h"

namespace platform::themeicons {

namespace {
struct ProviderTag {};
using Installed = ResettableValue<ProviderTag, std::shared_ptr<ThemeIconProvider>>;

// Shapes on a 16-unit grid, scaled to the icon.
void drawShape(Fallback shape, const Rect& r) {
    const double u = std::min(r.width(), r.height()) / 16.0;
    const auto p = [&](double x, double y) { return Point{r.minX() + x * u, r.minY() + y * u}; };
    const Color ink = shape == Fallback::symbol ? Color::black() : Color::calibratedWhite(0.35);
    const Color paper = Color::calibratedWhite(0.96);
    switch (shape) {
    case Fallback::document: {
        BezierPath page;
        page.moveTo(p(3, 1));
        page.lineTo(p(10, 1));
        page.lineTo(p(13, 4));
        page.lineTo(p(13, 15));
        page.lineTo(p(3, 15));
        page.closePath();
        setFillColor(paper);
        page.fill();
        page.setLineWidth(u);
        setStrokeColor(ink);
        page.stroke();
        for (double y : {6.0, 8.5, 11.0}) {
            auto line = BezierPath::withRect(Rect(p(5, y), Size{6 * u, 0.8 * u}));
            setFillColor(ink);
            line.fill();
        }
        break;
    }
    case Fallback::folder: {
        BezierPath folder;
        folder.moveTo(p(1, 3));
        folder.lineTo(p(6, 3));
        folder.lineTo(p(7.5, 4.5));
        folder.lineTo(p(15, 4.5));
        folder.lineTo(p(15, 14));
        folder.lineTo(p(1, 14));
        folder.closePath();
        setFillColor(Color::calibratedRGB(0.38, 0.6, 0.86));
        folder.fill();
        break;
    }
    case Fallback::application: {
        auto tile = BezierPath::withRoundedRect(Rect(p(1.5, 1.5), Size{13 * u, 13 * u}), 3 * u, 3 * u);
        setFillColor(Color::calibratedRGB(0.45, 0.5, 0.58));
        tile.fill();
        auto core = BezierPath::withOvalInRect(Rect(p(5, 5), Size{6 * u, 6 * u}));
        setFillColor(paper);
        core.fill();
        break;
    }
    case Fallback::link: {
        auto globe = BezierPath::withOvalInRect(Rect(p(1.5, 1.5), Size{13 * u, 13 * u}));
        setFillColor(Color::calibratedRGB(0.3, 0.55, 0.8));
        globe.fill();
        auto meridian = BezierPath::withOvalInRect(Rect(p(5.5, 1.5), Size{5 * u, 13 * u}));
        meridian.setLineWidth(u);
        setStrokeColor(paper);
        meridian.stroke();
        auto equator = BezierPath::withRect(Rect(p(1.5, 7.5), Size{13 * u, u}));
        setFillColor(paper);
        equator.fill();
        break;
    }
    case Fallback::symbol: {
        auto ring = BezierPath::withRoundedRect(Rect(p(2, 2), Size{12 * u, 12 * u}), 3 * u, 3 * u);
        ring.setLineWidth(1.5 * u);
        setStrokeColor(ink);
        ring.stroke();
        auto dot = BezierPath::withOvalInRect(Rect(p(6, 6), Size{4 * u, 4 * u}));
        setFillColor(ink);
        dot.fill();
        break;
    }
    }
}

}  // namespace

std::shared_ptr<ThemeIconProvider> provider() { return Installed::get(); }
void setProvider(std::shared_ptr<ThemeIconProvider> p) { Installed::set(std::move(p)); }

std::shared_ptr<Image> iconNamed(const std::vector<std::string>& names, Size size) {
    const auto p = provider();
    return p ? p->iconNamed(names, size) : nullptr;
}

std::shared_ptr<Image> fallbackIcon(Fallback shape, Size size) {
    auto image = Image::imageWithSize(size, false, [shape](const Rect& destination) {
        drawShape(shape, destination);
        return true;
    });
    image->setTemplate(shape == Fallback::symbol);
    return image;
}

}  // namespace platform::themeicons
