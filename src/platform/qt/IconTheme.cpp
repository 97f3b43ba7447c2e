#include "platform/qt/IconTheme.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "platform/appkit/ThumbnailGenerator.h"
#include "platform/foundation/Paths.h"
#include "platform/qt/ThumbnailGenerator.h"

namespace platform::qt {

namespace {

std::shared_ptr<BitmapImageRep> encoded(const QImage& picture, Size size) {
    if (picture.isNull()) return nullptr;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG")) return nullptr;
    return BitmapImageRep::withData(Data(bytes.begin(), bytes.end()), size);
}

std::shared_ptr<Image> imageOf(std::shared_ptr<BitmapImageRep> picture, Size size, const std::string& name) {
    if (!picture) return nullptr;
    auto image = Image::withRepresentation(std::move(picture));
    image->setSize(size);
    image->setName(name);
    return image;
}

QSize pixels(Size size) { return QSize(static_cast<int>(size.width), static_cast<int>(size.height)); }

}  // namespace

std::vector<std::string> IconTheme::themeSearchPaths() {
    std::vector<std::string> out{(Paths::dataHome() / "icons").string(), (Paths::home() / ".icons").string()};
    for (const auto& dir : Paths::dataDirs()) out.push_back((dir / "icons").string());
    return out;
}

IconTheme::IconTheme() {
    QStringList paths;
    for (const auto& p : themeSearchPaths()) paths << QString::fromStdString(p);
    QIcon::setThemeSearchPaths(paths);
    QStringList fallbacks;
    for (const auto& dir : Paths::dataDirs()) fallbacks << QString::fromStdString((dir / "pixmaps").string());
    QIcon::setFallbackSearchPaths(fallbacks);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QString::fromLatin1(fallbackThemeName));
    QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
}

std::shared_ptr<Image> IconTheme::iconNamed(const std::vector<std::string>& names, Size size) {
    // Pixmaps need the GUI application; without one there is nothing to show.
    if (!QGuiApplication::instance()) return nullptr;
    for (const auto& name : names) {
        if (name.empty()) continue;
        const QSize px = pixels(size);
        auto& picture = pictures_[{name, {px.width(), px.height()}}];
        if (!picture) {
            const QIcon icon = QIcon::fromTheme(QString::fromStdString(name));
            if (icon.isNull()) continue;
            picture = encoded(icon.pixmap(px).toImage(), size);
        }
        if (auto image = imageOf(picture, size, name)) return image;
    }
    return nullptr;
}

std::shared_ptr<Image> IconTheme::iconFromFile(const std::string& path, Size size) {
    QImage picture(QString::fromStdString(path));
    if (picture.isNull()) return nullptr;
    return imageOf(encoded(picture.scaled(pixels(size), Qt::KeepAspectRatio, Qt::SmoothTransformation), size), size, path);
}

void installIcons() {
    themeicons::setProvider(std::make_shared<IconTheme>());
    ThumbnailGenerator::setShared(std::make_shared<FreedesktopThumbnailGenerator>());
}

}  // namespace platform::qt
