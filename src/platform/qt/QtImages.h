#pragma once
// Images on Qt: the pixels of a kit bitmap (decoded once and kept), and any
// kit image drawn into a pixmap or an icon at a size, crisp on screens with
// a scale factor.

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <memory>

#include "platform/appkit/Image.h"

namespace platform::qt {

// The decoded pixels of a file or data bitmap; a null image when they cannot
// be read.
QImage decodedImage(const BitmapImageRep& bitmap);
// `image` drawn at `size` points for a screen of scale `scale`.
QPixmap pixmapOfImage(const Image& image, QSizeF size, qreal scale);
// An icon with the image at the usual tray and menu sizes.
QIcon iconOfImage(const Image& image);

}  // namespace platform::qt
