#include "platform/qt/QtImages.h"

#include <QBuffer>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <iterator>
#include <list>
#include <map>
#include <optional>

#include "platform/qt/QtGraphicsContext.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

namespace {

// Decoded bitmaps by representation; the weak pointer tells a reused
// address from the same representation.
struct DecodedCache {
    struct Entry {
        std::weak_ptr<const ImageRep> rep;
        QImage image;
    };
    std::map<const BitmapImageRep*, Entry> entries;
    std::list<const BitmapImageRep*> order;  // oldest first
    static constexpr std::size_t limit = 1024;
};

DecodedCache& cache() {
    static DecodedCache c;
    return c;
}

QImage decode(const BitmapImageRep& bitmap) {
    QImageReader reader;
    QBuffer buffer;
    QByteArray bytes;
    if (!bitmap.path().empty()) {
        reader.setFileName(toQString(bitmap.path()));
    } else {
        const auto& data = bitmap.data();
        bytes = QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
        buffer.setData(bytes);
        reader.setDevice(&buffer);
        // Pictures the program encodes itself are PNG: naming the format
        // spares the reader loading every image plugin to ask each of them.
        static constexpr unsigned char png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
        if (data.size() >= sizeof png && std::equal(std::begin(png), std::end(png), data.begin())) reader.setFormat("png");
    }
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (!image.isNull() && image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return image;
}

}  // namespace

QImage decodedImage(const BitmapImageRep& bitmap) {
    auto& c = cache();
    auto it = c.entries.find(&bitmap);
    if (it != c.entries.end()) {
        if (it->second.rep.lock().get() == &bitmap) return it->second.image;
        c.order.remove(&bitmap);
        c.entries.erase(it);
    }
    QImage image = decode(bitmap);
    if (c.entries.size() >= DecodedCache::limit) {
        c.entries.erase(c.order.front());
        c.order.pop_front();
    }
    c.entries.emplace(&bitmap, DecodedCache::Entry{bitmap.weak_from_this(), image});
    c.order.push_back(&bitmap);
    return image;
}

QPixmap pixmapOfImage(const Image& image, QSizeF size, qreal scale) {
    const QSize pixels(std::max(1, qRound(size.width() * scale)), std::max(1, qRound(size.height() * scale)));
    QImage canvas(pixels, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(scale);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
        QtGraphicsContext context(painter);
        GraphicsContext::Scope scope(context);
        image.drawInRect(Rect(0, 0, size.width(), size.height()));
    }
    return QPixmap::fromImage(canvas);
}

namespace {

constexpr int iconEdges[] = {16, 22, 24, 32, 48, 64};

QIcon drawnIcon(const Image& image) {
    QIcon icon;
    for (int edge : iconEdges) icon.addPixmap(pixmapOfImage(image, QSizeF(edge, edge), 1));
    return icon;
}

// An icon whose pictures are drawn the first time anything asks for one:
// most icons made at the start (the tray's, the menus') are not looked at
// for a while, some never.
class DeferredIconEngine : public QIconEngine {
public:
    explicit DeferredIconEngine(std::shared_ptr<const Image> image) : image_(std::move(image)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        return icon().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        QList<QSize> sizes;
        if (mode == QIcon::Normal && state == QIcon::Off)
            for (int edge : iconEdges) sizes.append(QSize(edge, edge));
        return sizes;
    }
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("frelt-deferred"); }
    QIconEngine* clone() const override {
        auto* copy = new DeferredIconEngine(image_);
        copy->icon_ = icon_;
        return copy;
    }

private:
    QIcon& icon() {
        if (!icon_) icon_ = drawnIcon(*image_);
        return *icon_;
    }

    std::shared_ptr<const Image> image_;
    std::optional<QIcon> icon_;
};

}  // namespace

QIcon iconOfImage(const Image& image) {
    // An image that no shared pointer holds may be gone before the icon is
    // drawn: its pictures are drawn now.
    auto held = std::dynamic_pointer_cast<const Image>(image.weak_from_this().lock());
    if (!held) return drawnIcon(image);
    return QIcon(new DeferredIconEngine(std::move(held)));
}

}  // namespace platform::qt
