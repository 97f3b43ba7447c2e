#include "platform/qt/QtMime.h"

#include "platform/qt/QtText.h"

namespace platform::qt {

std::unique_ptr<QMimeData> mimeDataOf(const std::vector<std::shared_ptr<PasteboardItem>>& items) {
    auto mime = std::make_unique<QMimeData>();
    for (const auto& entry : mimeDataFromPasteboardItems(items)) {
        const QByteArray bytes(reinterpret_cast<const char*>(entry.bytes.data()), qsizetype(entry.bytes.size()));
        mime->setData(toQString(entry.mimeType), bytes);
        // Programs that ask for plain text without a charset get it too.
        if (entry.mimeType == mimetype::plainText) mime->setData(QStringLiteral("text/plain"), bytes);
    }
    return mime;
}

std::vector<std::shared_ptr<PasteboardItem>> itemsOf(const QMimeData& mime) {
    std::vector<MimeEntry> entries;
    for (const QString& format : mime.formats()) {
        const bool wanted = format == QLatin1String("text/uri-list") || format.startsWith(QLatin1String("text/plain")) ||
                            format.startsWith(QLatin1String("application/x-"));
        if (!wanted) continue;
        const QByteArray bytes = mime.data(format);
        entries.push_back({fromQString(format), Data(bytes.begin(), bytes.end())});
    }
    return pasteboardItemsFromMimeData(entries);
}

Qt::DropActions dropActionsOf(DragOperation operations) {
    Qt::DropActions actions;
    if (operations & dragoperation::copy) actions |= Qt::CopyAction;
    if (operations & (dragoperation::move | dragoperation::generic)) actions |= Qt::MoveAction;
    if (operations & dragoperation::link) actions |= Qt::LinkAction;
    return actions;
}

Qt::DropAction dropActionOf(DragOperation operation) {
    if (operation & dragoperation::copy) return Qt::CopyAction;
    if (operation & (dragoperation::move | dragoperation::generic)) return Qt::MoveAction;
    if (operation & dragoperation::link) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

DragOperation operationsOf(Qt::DropActions actions) {
    DragOperation ops = dragoperation::none;
    if (actions & Qt::CopyAction) ops |= dragoperation::copy;
    if (actions & Qt::MoveAction) ops |= dragoperation::move | dragoperation::generic;
    if (actions & Qt::LinkAction) ops |= dragoperation::link;
    return ops;
}

}  // namespace platform::qt
