#include "platform/appkit/Pasteboard.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <map>

#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/Text.h"

namespace platform {

namespace {

bool isStandardType(const std::string& type) {
    return type == pasteboardtype::fileURL || type == pasteboardtype::URL || type == pasteboardtype::string ||
           type == pasteboardtype::filenames;
}

std::string textOf(const Data& bytes) { return std::string(bytes.begin(), bytes.end()); }
Data bytesOf(const std::string& text) { return Data(text.begin(), text.end()); }

std::string join(const std::vector<std::string>& parts, const std::string& separator) {
    std::string s;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) s += separator;
        s += parts[i];
    }
    return s;
}

std::vector<std::string> split(const std::string& s, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    while (true) {
        const auto at = s.find(separator, start);
        parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) break;
        start = at + 1;
    }
    return parts;
}

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// Percent-encodes what a URL cannot hold as it stands: some programs put
// raw spaces or UTF-8 into their URI lists.
std::string encodeStrayCharacters(const std::string& s) {
    static const std::string unsafe = " \"<>{}|\\^`";
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        const bool strayPercent = c == '%' && !(i + 2 < s.size() && isHex(s[i + 1]) && isHex(s[i + 2]));
        if (c >= 0x80 || c < 0x20 || unsafe.find(char(c)) != std::string::npos || strayPercent) {
            static const char* hex = "0123456789ABCDEF";
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out;
}

// The item for one line of a URI list; none for lines that are no URL.
std::shared_ptr<PasteboardItem> itemForURI(const std::string& line) {
    auto url = URL::fromString(line);
    if (!url) url = URL::fromString(encodeStrayCharacters(line));
    if (!url) return nullptr;
    auto item = std::make_shared<PasteboardItem>();
    if (url->isFileURL() && (url->host().empty() || text::lowercased(url->host()) == "localhost")) {
        // "file://localhost/x" is the same file as "file:///x".
        std::string s = "file://" + url->percentEncodedPath();
        if (url->query()) s += "?" + *url->query();
        if (url->fragment()) s += "#" + *url->fragment();
        item->setString(std::move(s), pasteboardtype::fileURL);
    } else {
        item->setString(url->absoluteString(), pasteboardtype::URL);
        item->setString(url->absoluteString(), pasteboardtype::string);
    }
    return item;
}

struct PasteboardRegistry {
    std::map<std::string, std::shared_ptr<Pasteboard>> byName;
};

std::shared_ptr<PasteboardRegistry> registry() {
    return singleInstance<PasteboardRegistry>([] { return std::make_shared<PasteboardRegistry>(); });
}

class ValuesWriter : public PasteboardWriting {
public:
    explicit ValuesWriter(std::vector<std::pair<std::string, Value>> values) : values_(std::move(values)) {}
    std::vector<std::string> writableTypesForPasteboard(const Pasteboard&) const override {
        std::vector<std::string> types;
        for (const auto& [type, value] : values_) types.push_back(type);
        return types;
    }
    std::optional<Value> pasteboardPropertyListForType(const std::string& type) const override {
        for (const auto& [t, value] : values_) {
            if (t == type) return value;
        }
        return std::nullopt;
    }

private:
    std::vector<std::pair<std::string, Value>> values_;
};

}  // namespace

// --- items

std::vector<std::string> PasteboardItem::types() const {
    std::vector<std::string> types;
    for (const auto& [type, value] : values_) types.push_back(type);
    return types;
}

bool PasteboardItem::hasType(const std::string& type) const {
    return std::any_of(values_.begin(), values_.end(), [&](const auto& v) { return v.first == type; });
}

std::optional<std::string> PasteboardItem::availableTypeFromArray(const std::vector<std::string>& types) const {
    for (const auto& t : types) {
        if (hasType(t)) return t;
    }
    return std::nullopt;
}

std::optional<Value> PasteboardItem::propertyListForType(const std::string& type) const {
    for (const auto& [t, value] : values_) {
        if (t == type) return value;
    }
    return std::nullopt;
}

std::optional<std::string> PasteboardItem::stringForType(const std::string& type) const {
    auto v = propertyListForType(type);
    if (!v) return std::nullopt;
    if (auto s = v->asString()) return *s;
    if (auto d = v->asData()) return textOf(*d);
    return std::nullopt;
}

std::optional<Data> PasteboardItem::dataForType(const std::string& type) const {
    auto v = propertyListForType(type);
    if (!v) return std::nullopt;
    if (auto d = v->asData()) return *d;
    if (auto s = v->asString()) return bytesOf(*s);
    return std::nullopt;
}

void PasteboardItem::setPropertyList(Value value, const std::string& type) {
    for (auto& [t, v] : values_) {
        if (t == type) {
            v = std::move(value);
            return;
        }
    }
    values_.emplace_back(type, std::move(value));
}

std::vector<std::string> PasteboardItem::writableTypesForPasteboard(const Pasteboard&) const { return types(); }

std::optional<Value> PasteboardItem::pasteboardPropertyListForType(const std::string& type) const {
    return propertyListForType(type);
}

std::shared_ptr<PasteboardWriting> pasteboardWriterForURL(const URL& url) {
    if (url.isFileURL()) return std::make_shared<ValuesWriter>(std::vector<std::pair<std::string, Value>>{
        {pasteboardtype::fileURL, Value(url.absoluteString())}});
    return std::make_shared<ValuesWriter>(std::vector<std::pair<std::string, Value>>{
        {pasteboardtype::URL, Value(url.absoluteString())}, {pasteboardtype::string, Value(url.absoluteString())}});
}

std::shared_ptr<PasteboardWriting> pasteboardWriterForString(std::string text) {
    return std::make_shared<ValuesWriter>(
        std::vector<std::pair<std::string, Value>>{{pasteboardtype::string, Value(std::move(text))}});
}

std::optional<URL> urlFromPasteboardPropertyList(const Value& value, const std::string& type) {
    if (type != pasteboardtype::fileURL && type != pasteboardtype::URL) return std::nullopt;
    std::optional<std::string> text;
    if (auto s = value.asString()) text = *s;
    else if (auto d = value.asData()) text = textOf(*d);
    if (!text) return std::nullopt;
    auto url = URL::fromString(*text);
    if (url && type == pasteboardtype::fileURL && !url->isFileURL()) return std::nullopt;
    return url;
}

// --- pasteboards

std::shared_ptr<Pasteboard> Pasteboard::general() { return withName(pasteboardname::general); }

std::shared_ptr<Pasteboard> Pasteboard::withName(const std::string& name) {
    auto r = registry();
    auto& slot = r->byName[name];
    if (!slot) slot = std::make_shared<Pasteboard>(name);
    return slot;
}

std::shared_ptr<Pasteboard> Pasteboard::withUniqueName() {
    static std::atomic<long> next{1};
    return std::make_shared<Pasteboard>("unique " + std::to_string(next++));
}

long Pasteboard::clearContents() {
    items_.clear();
    ++changeCount_;
    changed();
    return changeCount_;
}

void Pasteboard::changed() {
    if (changeHandler_) {
        auto handler = changeHandler_;  // the handler may replace itself
        handler(*this);
    }
}

void Pasteboard::replaceItemsFromDesktop(std::vector<std::shared_ptr<PasteboardItem>> items) {
    items_ = std::move(items);
    ++changeCount_;
}

bool Pasteboard::writeObjects(const std::vector<std::shared_ptr<PasteboardWriting>>& writers) {
    bool all = true;
    for (const auto& writer : writers) {
        if (!writer) {
            all = false;
            continue;
        }
        auto item = std::make_shared<PasteboardItem>();
        for (const auto& type : writer->writableTypesForPasteboard(*this)) {
            if (auto value = writer->pasteboardPropertyListForType(type)) item->setPropertyList(std::move(*value), type);
        }
        if (item->types().empty()) {
            all = false;
            continue;
        }
        items_.push_back(item);
    }
    changed();
    return all;
}

void Pasteboard::addItem(const std::shared_ptr<PasteboardItem>& item) {
    if (!item) return;
    items_.push_back(item);
    changed();
}

std::optional<std::vector<std::shared_ptr<PasteboardItem>>> Pasteboard::pasteboardItems() const {
    if (items_.empty()) return std::nullopt;
    return items_;
}

std::vector<std::string> Pasteboard::types() const {
    std::vector<std::string> types;
    bool files = false;
    for (const auto& item : items_) {
        for (const auto& t : item->types()) {
            if (std::find(types.begin(), types.end(), t) == types.end()) types.push_back(t);
            files = files || t == pasteboardtype::fileURL;
        }
    }
    if (files && std::find(types.begin(), types.end(), pasteboardtype::filenames) == types.end())
        types.push_back(pasteboardtype::filenames);
    return types;
}

std::optional<std::string> Pasteboard::availableTypeFromArray(const std::vector<std::string>& wanted) const {
    const auto offered = types();
    for (const auto& t : wanted) {
        if (std::find(offered.begin(), offered.end(), t) != offered.end()) return t;
    }
    return std::nullopt;
}

std::optional<std::string> Pasteboard::stringForType(const std::string& type) const {
    for (const auto& item : items_) {
        if (item->hasType(type)) return item->stringForType(type);
    }
    return std::nullopt;
}

std::optional<Data> Pasteboard::dataForType(const std::string& type) const {
    for (const auto& item : items_) {
        if (item->hasType(type)) return item->dataForType(type);
    }
    return std::nullopt;
}

std::optional<Value> Pasteboard::propertyListForType(const std::string& type) const {
    if (type == pasteboardtype::filenames) {
        ValueArray paths;
        for (const auto& item : items_) {
            auto v = item->propertyListForType(pasteboardtype::fileURL);
            if (!v) continue;
            if (auto url = urlFromPasteboardPropertyList(*v, pasteboardtype::fileURL)) paths.emplace_back(url->path());
        }
        if (paths.empty()) return std::nullopt;
        return Value(std::move(paths));
    }
    for (const auto& item : items_) {
        if (item->hasType(type)) return item->propertyListForType(type);
    }
    return std::nullopt;
}

bool Pasteboard::setPropertyList(Value value, const std::string& type) {
    if (type == pasteboardtype::filenames) {
        auto list = value.asArray();
        if (!list) return false;
        for (const auto& entry : *list) {
            auto path = entry.asString();
            if (!path || path->empty()) return false;
        }
        for (const auto& entry : *list) {
            auto item = std::make_shared<PasteboardItem>();
            item->setString(URL::fileURL(*entry.asString()).absoluteString(), pasteboardtype::fileURL);
            items_.push_back(item);
        }
        changed();
        return true;
    }
    if (items_.empty()) items_.push_back(std::make_shared<PasteboardItem>());
    items_.front()->setPropertyList(std::move(value), type);
    changed();
    return true;
}

bool Pasteboard::setString(std::string string, const std::string& type) {
    return setPropertyList(Value(std::move(string)), type);
}

bool Pasteboard::setData(Data data, const std::string& type) { return setPropertyList(Value(std::move(data)), type); }

// --- MIME conversion

std::string mimeTypeForPasteboardType(const std::string& type) {
    if (type.empty() || isStandardType(type)) return {};
    return "application/x-" + type;
}

std::vector<MimeEntry> mimeDataFromPasteboardItems(const std::vector<std::shared_ptr<PasteboardItem>>& items) {
    std::vector<MimeEntry> entries;
    std::vector<std::string> uris, texts, customTypes;
    for (const auto& item : items) {
        if (auto s = item->stringForType(pasteboardtype::fileURL)) uris.push_back(*s);
        else if (auto u = item->stringForType(pasteboardtype::URL)) uris.push_back(*u);
        if (auto t = item->stringForType(pasteboardtype::string)) texts.push_back(*t);
        for (const auto& type : item->types()) {
            if (!mimeTypeForPasteboardType(type).empty() &&
                std::find(customTypes.begin(), customTypes.end(), type) == customTypes.end())
                customTypes.push_back(type);
        }
    }
    if (!uris.empty()) entries.push_back({mimetype::uriList, bytesOf(join(uris, "\r\n") + "\r\n")});
    if (!texts.empty()) entries.push_back({mimetype::plainText, bytesOf(join(texts, "\n"))});
    for (const auto& type : customTypes) {
        std::vector<std::string> pieces;
        for (const auto& item : items) {
            if (auto s = item->stringForType(type)) pieces.push_back(*s);
        }
        entries.push_back({mimeTypeForPasteboardType(type), bytesOf(join(pieces, std::string(1, '\0')))});
    }
    return entries;
}

std::vector<std::shared_ptr<PasteboardItem>> pasteboardItemsFromMimeData(const std::vector<MimeEntry>& entries) {
    std::vector<std::shared_ptr<PasteboardItem>> items;
    for (const auto& e : entries) {
        if (text::lowercased(e.mimeType) != mimetype::uriList) continue;
        for (auto line : split(textOf(e.bytes), '\n')) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty() || line.front() == '#') continue;
            if (auto item = itemForURI(line)) items.push_back(item);
        }
        break;
    }
    if (items.empty()) {
        for (const auto& e : entries) {
            const std::string type = text::lowercased(e.mimeType);
            if (type != mimetype::plainText && type != "text/plain") continue;
            auto item = std::make_shared<PasteboardItem>();
            item->setString(textOf(e.bytes), pasteboardtype::string);
            items.push_back(item);
            break;
        }
    }
    const std::string prefix = "application/x-";
    const std::size_t carriers = items.size();
    for (const auto& e : entries) {
        if (e.mimeType.rfind(prefix, 0) != 0) continue;
        const std::string type = e.mimeType.substr(prefix.size());
        // Only reverse-DNS names: other programs' private formats stay out.
        if (type.find('.') == std::string::npos) continue;
        const auto pieces = split(textOf(e.bytes), '\0');
        if (pieces.size() == carriers) {
            for (std::size_t i = 0; i < carriers; ++i) items[i]->setString(pieces[i], type);
            continue;
        }
        for (const auto& piece : pieces) {
            auto item = std::make_shared<PasteboardItem>();
            item->setString(piece, type);
            items.push_back(item);
        }
    }
    return items;
}

}  // namespace platform
