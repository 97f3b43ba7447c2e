#pragma once
// Pasteboards: the general one (copy and paste), the drag pasteboard of a
// drag in progress, and any named one. A pasteboard holds items; each item
// offers its data under one or more types, as property-list values (text is
// a string value, binary data a data value).
//
// Types are the platform's names: "public.file-url" (a file URL's string),
// "public.url" (a URL's string), "public.utf8-plain-text", and the program's
// own (reverse-DNS names such as "org.frelt.Frelt.mainTableViewItemPath").
// "NSFilenamesPboardType" is read from the file URLs: a list of their paths.
//
// The desktop speaks MIME types; mimeDataFromPasteboardItems and
// pasteboardItemsFromMimeData convert between the two, for the desktop
// backend's clipboard and drag and drop:
//   text/uri-list            <-> file URLs and URLs, one item each
//   text/plain;charset=utf-8 <-> plain text (read only when there is no URI list)
//   application/x-<type>     <-> a type of the program's own, as UTF-8 text
//                                (several items separated by NUL)

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/appkit/Object.h"
#include "platform/foundation/URL.h"
#include "platform/foundation/Value.h"

namespace platform {

namespace pasteboardtype {
inline const std::string fileURL = "public.file-url";
inline const std::string URL = "public.url";
inline const std::string string = "public.utf8-plain-text";
inline const std::string filenames = "NSFilenamesPboardType";
}  // namespace pasteboardtype

namespace pasteboardname {
inline const std::string general = "Apple CFPasteboard general";
inline const std::string drag = "Apple CFPasteboard drag";
}  // namespace pasteboardname

class Pasteboard;

// What can be written to a pasteboard: the types it offers and its value
// for each.
class PasteboardWriting {
public:
    virtual ~PasteboardWriting() = default;
    virtual std::vector<std::string> writableTypesForPasteboard(const Pasteboard& pasteboard) const = 0;
    // None: the type is left out.
    virtual std::optional<Value> pasteboardPropertyListForType(const std::string& type) const = 0;
};

class PasteboardItem : public Object, public PasteboardWriting {
public:
    // In the order they were set.
    std::vector<std::string> types() const;
    bool hasType(const std::string& type) const;
    // The first of `types` this item offers; none if it offers none.
    std::optional<std::string> availableTypeFromArray(const std::vector<std::string>& types) const;
    // The text under `type` (a string value, or data holding UTF-8).
    std::optional<std::string> stringForType(const std::string& type) const;
    std::optional<Value> propertyListForType(const std::string& type) const;
    std::optional<Data> dataForType(const std::string& type) const;

    // Replaces an earlier value of the type.
    void setPropertyList(Value value, const std::string& type);
    void setString(std::string string, const std::string& type) { setPropertyList(Value(std::move(string)), type); }
    void setData(Data data, const std::string& type) { setPropertyList(Value(std::move(data)), type); }

    // An item is a writer of its own values.
    std::vector<std::string> writableTypesForPasteboard(const Pasteboard& pasteboard) const override;
    std::optional<Value> pasteboardPropertyListForType(const std::string& type) const override;

private:
    std::vector<std::pair<std::string, Value>> values_;
};

// A writer of a URL: a file URL offers "public.file-url", any other URL
// "public.url" and its text as "public.utf8-plain-text".
std::shared_ptr<PasteboardWriting> pasteboardWriterForURL(const URL& url);
// A writer of plain text.
std::shared_ptr<PasteboardWriting> pasteboardWriterForString(std::string text);
// The URL a "public.file-url" or "public.url" value stands for.
std::optional<URL> urlFromPasteboardPropertyList(const Value& value, const std::string& type);

class Pasteboard : public Object {
public:
    // The general pasteboard and the drag pasteboard are the ones of those
    // names; a name makes (or finds) a pasteboard kept for the process
    // (reset between tests with the other single instances).
    static std::shared_ptr<Pasteboard> general();
    static std::shared_ptr<Pasteboard> withName(const std::string& name);
    // A pasteboard nobody else holds (a drag from the desktop comes on one).
    static std::shared_ptr<Pasteboard> withUniqueName();

    explicit Pasteboard(std::string name) : name_(std::move(name)) {}
    const std::string& name() const { return name_; }
    // Grows with every clearContents.
    long changeCount() const { return changeCount_; }

    // Removes every item; answers the new change count.
    long clearContents();
    // One item per writer with the values it offers; false when a writer
    // offers nothing (the others are still written).
    bool writeObjects(const std::vector<std::shared_ptr<PasteboardWriting>>& writers);
    void addItem(const std::shared_ptr<PasteboardItem>& item);

    // None when the pasteboard has no items, as the platform answers.
    std::optional<std::vector<std::shared_ptr<PasteboardItem>>> pasteboardItems() const;
    const std::vector<std::shared_ptr<PasteboardItem>>& items() const { return items_; }
    // Every type of every item, once, in order of appearance, with
    // "NSFilenamesPboardType" after them when there are file URLs.
    std::vector<std::string> types() const;
    std::optional<std::string> availableTypeFromArray(const std::vector<std::string>& types) const;
    // Read from the first item that offers the type.
    std::optional<std::string> stringForType(const std::string& type) const;
    std::optional<Data> dataForType(const std::string& type) const;
    // As stringForType; "NSFilenamesPboardType" gives the list of paths of
    // every file URL.
    std::optional<Value> propertyListForType(const std::string& type) const;

    // Write into the first item (made when there is none); a list of paths
    // under "NSFilenamesPboardType" adds one file URL item per path.
    bool setPropertyList(Value value, const std::string& type);
    bool setString(std::string string, const std::string& type);
    bool setData(Data data, const std::string& type);

    // --- the desktop side (the clipboard of the general pasteboard)
    // Runs after every change the program makes to the items (clear, write,
    // add, set), so the desktop backend can offer them to other programs.
    using ChangeHandler = std::function<void(Pasteboard&)>;
    void setChangeHandler(ChangeHandler handler) { changeHandler_ = std::move(handler); }
    // Another program's contents took over: the items are replaced without
    // the change handler hearing of it.
    void replaceItemsFromDesktop(std::vector<std::shared_ptr<PasteboardItem>> items);

private:
    void changed();

    ChangeHandler changeHandler_;
    std::string name_;
    long changeCount_ = 0;
    std::vector<std::shared_ptr<PasteboardItem>> items_;
};

// --- the desktop's MIME types
namespace mimetype {
inline const std::string uriList = "text/uri-list";
inline const std::string plainText = "text/plain;charset=utf-8";
}  // namespace mimetype

struct MimeEntry {
    std::string mimeType;
    Data bytes;
    bool operator==(const MimeEntry&) const = default;
};

// "application/x-<type>" for a type of the program's own; the standard types
// have no single MIME type of their own (they travel in the URI list and the
// plain text) and give the empty string.
std::string mimeTypeForPasteboardType(const std::string& type);
// What the items look like to the desktop.
std::vector<MimeEntry> mimeDataFromPasteboardItems(const std::vector<std::shared_ptr<PasteboardItem>>& items);
// The items a desktop drag or clipboard offers. URI list lines that are no
// URL even after encoding stray characters are skipped, as are comments.
std::vector<std::shared_ptr<PasteboardItem>> pasteboardItemsFromMimeData(const std::vector<MimeEntry>& entries);

}  // namespace platform
