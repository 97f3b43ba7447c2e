// How much of a picture is drawn on: the share of its pixels that differ
// clearly from its most common colour (the background), printed as a
// percentage. A window whose text is missing shows almost none.
//
//   frelt_picture_ink PICTURE.png

#include <QColor>
#include <QHash>
#include <QImage>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: frelt_picture_ink PICTURE.png\n");
        return 2;
    }
    const QImage image = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGB32);
    if (image.isNull() || image.width() == 0 || image.height() == 0) return 1;
    QHash<QRgb, long> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
    QRgb background = 0;
    long most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) most = it.value(), background = it.key();
    long inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const int difference = std::abs(qRed(p) - qRed(background)) + std::abs(qGreen(p) - qGreen(background)) +
                                   std::abs(qBlue(p) - qBlue(background));
            if (difference > 96) ++inked;
        }
    }
    std::printf("%.2f\n", 100.0 * double(inked) / double(image.width() * image.height()));
    return 0;
}
