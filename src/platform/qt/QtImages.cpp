#include "platform/qt/QtImages.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include <list>
#include <map>

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

QIcon iconOfImage(const Image& image) {
    QIcon icon;
    for (int edge : {16, 22, 24, 32, 48, 64}) icon.addPixmap(pixmapOfImage(image, QSizeF(edge, edge), 1));
    return icon;
}

}  // namespace platform::qt
