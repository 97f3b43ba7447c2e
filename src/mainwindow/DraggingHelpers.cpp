#include "mainwindow/DraggingHelpers.h"

#include <gio/gio.h>

#include "platform/appkit/Pasteboard.h"
#include "platform/appkit/TableRowView.h"

namespace frelt {

namespace {

// The content type of the file at `path`; none when it cannot be read.
std::optional<std::string> contentTypeOfFile(const std::string& path) {
    GFile* file = g_file_new_for_path(path.c_str());
    GFileInfo* fileInfo = g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE, G_FILE_QUERY_INFO_NONE,
                                            nullptr, nullptr);
    std::optional<std::string> type;
    if (fileInfo) {
        if (const char* ct = g_file_info_get_content_type(fileInfo)) type = ct;
        g_object_unref(fileInfo);
    }
    g_object_unref(file);
    return type;
}

bool conforms(const std::string& contentType, const std::string& type) {
    if (type == "public.item") return true;
    return g_content_type_is_a(contentType.c_str(), type.c_str());
}

bool fileItemFits(const platform::PasteboardItem& item, const std::vector<std::string>& registered) {
    if (!item.hasType(platform::pasteboardtype::fileURL)) return false;
    const auto value = item.propertyListForType(platform::pasteboardtype::fileURL);
    if (!value) return false;
    const auto url = platform::urlFromPasteboardPropertyList(*value, platform::pasteboardtype::fileURL);
    if (!url || !url->isFileURL()) return false;
    const auto contentType = contentTypeOfFile(url->path());
    if (!contentType) return false;
    for (const auto& type : registered)
        if (!conforms(*contentType, type)) return false;
    return true;
}

}  // namespace

std::optional<std::vector<platform::URL>> draggedItems(const platform::DraggingInfo& info, const std::string& type) {
    const auto pasteboard = info.draggingPasteboard();
    if (!pasteboard) return std::nullopt;
    const auto items = pasteboard->pasteboardItems();
    if (!items) return std::nullopt;
    if (!pasteboard->stringForType(type)) return std::nullopt;
    std::vector<platform::URL> urls;
    for (const auto& item : *items) {
        const auto string = item->stringForType(type);
        if (!string) continue;
        if (auto url = platform::URL::fromString(*string)) urls.push_back(std::move(*url));
    }
    if (urls.empty()) return std::nullopt;
    return urls;
}

std::optional<std::vector<platform::URL>> draggedFileURLs(const platform::DraggingInfo& info) {
    return draggedItems(info, platform::pasteboardtype::fileURL);
}

std::optional<std::vector<platform::URL>> draggedURLs(const platform::DraggingInfo& info) {
    return draggedItems(info, platform::pasteboardtype::URL);
}

bool acceptsAllDraggedItems(const platform::View& view, const platform::DraggingInfo& info) {
    const auto pasteboard = info.draggingPasteboard();
    if (!pasteboard) return true;
    const auto& registered = view.registeredDraggedTypes();
    for (const auto& item : pasteboard->items()) {
        if (item->availableTypeFromArray(registered)) continue;
        if (!fileItemFits(*item, registered)) return false;
    }
    return true;
}

std::shared_ptr<platform::Image> snapshotImage(platform::View& view) {
    auto* row = dynamic_cast<platform::TableRowView*>(&view);
    std::optional<platform::Color> kept;
    if (row) {
        kept = row->backgroundColor();
        row->setBackgroundColor(platform::Color::named("System", "controlBackgroundColor", platform::Color::white()));
    }
    const platform::Rect bounds = view.bounds();
    std::shared_ptr<platform::Image> picture;
    if (auto rep = view.bitmapImageRepForCachingDisplayInRect(bounds)) {
        view.cacheDisplayInRect(bounds, *rep);
        picture = platform::Image::withRepresentation(rep);
        picture->setSize(bounds.size);
    } else {
        picture = std::make_shared<platform::Image>(platform::Size{});
    }
    if (row) row->setBackgroundColor(kept);
    return picture;
}

}  // namespace frelt
