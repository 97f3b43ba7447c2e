#pragma once
// The kit's pasteboard items as Qt's MIME data and back (through the kit's
// own conversion to the desktop's MIME types), and drag operations as Qt's
// drop actions.

#include <QMimeData>

#include <memory>
#include <vector>

#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/View.h"

namespace platform::qt {

std::unique_ptr<QMimeData> mimeDataOf(const std::vector<std::shared_ptr<PasteboardItem>>& items);
std::vector<std::shared_ptr<PasteboardItem>> itemsOf(const QMimeData& mime);

Qt::DropActions dropActionsOf(DragOperation operations);
// The single action an accepted operation stands for (copy before move
// before link).
Qt::DropAction dropActionOf(DragOperation operation);
DragOperation operationsOf(Qt::DropActions actions);

}  // namespace platform::qt
