#pragma once
// Standard controls drawn with the application's QStyle, so they look as the
// desktop's own widgets do. The overlay scroller and the focus ring are
// drawn by hand: they lie over content, which a style's scroll bar and
// focus frame do not.

#include <QPainter>
#include <QRectF>

#include "platform/appkit/Appearance.h"
#include "platform/appkit/ControlDrawing.h"

namespace platform::qt {

void drawStandardControl(QPainter& painter, const ControlDrawing& control, const QRectF& rect,
                         const AppearanceName& appearance);

}  // namespace platform::qt
