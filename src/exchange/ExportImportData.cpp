#include "exchange/ExportImportData.h"

#include <unordered_set>
#include <utility>

namespace frelt {

namespace {

using platform::ArchiveObject;
using platform::KeyedArchiver;
using platform::KeyedUnarchiver;

const bool codingRegistered = (ExportImportData::registerCoding(), true);

ArchiveObject dataOrNull(const std::optional<platform::Data>& data) {
    return data ? ArchiveObject(*data) : ArchiveObject(nullptr);
}

std::optional<platform::Data> decodeData(KeyedUnarchiver& coder, const char* key) {
    const auto object = coder.decodeObject(key);
    if (const auto* data = object.asData()) return *data;
    return std::nullopt;
}

// The plain values every part of a file may hold besides its own classes.
std::set<std::string> withPlainClasses(std::set<std::string> classes) {
    classes.insert({"NSArray", "NSMutableArray", "NSString", "NSMutableString", "NSData", "NSMutableData"});
    return classes;
}

const char* describe(ExportFileFailure part) {
    switch (part) {
    case ExportFileFailure::tooManyObjects:
    case ExportFileFailure::notAnExportFile: return "the file";
    case ExportFileFailure::entries: return "the entries";
    case ExportFileFailure::tags: return "the tags";
    case ExportFileFailure::templates: return "the URL templates";
    case ExportFileFailure::globalKeyCombo: return "the global hotkey";
    }
    return "";
}

ExportFileReadResult failed(ExportFileFailure part, const std::string& reason) {
    ExportFileReadResult result;
    result.failure = part;
    result.error = std::string(describe(part)) + ": " + reason;
    return result;
}

// The root of a nested archive, decoded with only `allowed`; none with a
// reason in `error` when the archive is damaged, holds another class or a
// list too long for any real store (`tooLong` then set).
std::optional<ArchiveObject> nestedRoot(const platform::Data& data, const std::set<std::string>& allowed,
                                        std::string& error, bool& tooLong) {
    auto result = KeyedUnarchiver::unarchiveTopLevelObject(data, allowed, maximumExportListCount);
    if (!result) {
        error = result.error;
        tooLong = result.listTooLong;
        return std::nullopt;
    }
    return std::move(result.object);
}

// A nested list: absent or null reads as empty; anything but a list of T is
// the wrong kind. A record its class refused to decode is left out, as the
// stored lists of the settings do.
template <class T>
bool readList(const std::optional<platform::Data>& data, const std::set<std::string>& allowed,
              std::vector<std::shared_ptr<T>>& out, std::string& error, bool& tooLong) {
    if (!data) return true;
    const auto root = nestedRoot(*data, allowed, error, tooLong);
    if (!root) return false;
    if (root->isNull()) return true;
    const auto* elements = root->asArray();
    if (!elements) {
        error = "the archive holds no list";
        return false;
    }
    out.reserve(elements->size());
    // An object is archived once however often it is named: a list that
    // names one twice was not written by an export, and a store must not
    // hold one entry twice.
    std::unordered_set<const T*> seen;
    for (const auto& element : *elements) {
        auto object = element.as<T>();
        if (!object) {
            error = "the list holds an object of another kind";
            out.clear();
            return false;
        }
        if (seen.insert(object.get()).second) out.push_back(std::move(object));
    }
    return true;
}

}  // namespace

// --- The record ------------------------------------------------------------------------

void ExportImportData::encodeWithCoder(KeyedArchiver& coder) const {
    coder.encodeObject(dataOrNull(allDataArchive), keyAllDataArchive);
    coder.encodeObject(dataOrNull(allTagsArchive), keyTagArchive);
    coder.encodeObject(dataOrNull(urlTemplateArchive), keyURLTemplateArchive);
    coder.encodeObject(dataOrNull(globalKeyCombo), keyGlobalKeyCombo);
    coder.encodeInteger(windowViewStyle, keyWindowViewStyle);
    coder.encodeInteger(clickType, keyClickType);
    coder.encodeBool(mainPopoverAnimated, keyMainPopoverAnimated);
    coder.encodeObject(ArchiveObject(alternateFolderBrowser), keyAlternateFolderBrowser);
    coder.encodeObject(ArchiveObject(customSpotlightSearchScope), keyCustomSpotlightSearchScope);
    coder.encodeBool(searchForComments, keySearchForComments);
    coder.encodeBool(searchForTags, keySearchForTags);
    coder.encodeBool(selectingTagsInMainWindowLaunchAll, keySelectingTagsInMainWindowLaunchAll);
    coder.encodeFloat(entryBackgroundAlphaValue, keyEntryBackgroundAlphaValue);
    coder.encodeBool(useSmallModeInMainView, keyUseSmallModeInMainView);
    coder.encodeBool(showPathInMainView, keyShowPathInMainView);
    coder.encodeBool(hotkeyBorder, keyHotkeyBorder);
    coder.encodeBool(translucentBackgroundRight, keyTranslucentBackgroundRight);
    coder.encodeObject(ArchiveObject(std::string(rawValue(mainWindowWidth))), keyMainWindowWidth);
    coder.encodeObject(ArchiveObject(std::string(rawValue(mainWindowHeight))), keyMainWindowHeight);
}

ExportImportData::Ptr ExportImportData::initWithCoder(KeyedUnarchiver& coder) {
    auto record = make();
    record->allDataArchive = decodeData(coder, keyAllDataArchive);
    record->allTagsArchive = decodeData(coder, keyTagArchive);
    record->urlTemplateArchive = decodeData(coder, keyURLTemplateArchive);
    record->globalKeyCombo = decodeData(coder, keyGlobalKeyCombo);
    record->windowViewStyle = coder.decodeInteger(keyWindowViewStyle);
    record->clickType = coder.decodeInteger(keyClickType);
    record->mainPopoverAnimated = coder.decodeBool(keyMainPopoverAnimated);
    record->alternateFolderBrowser = coder.decodeString(keyAlternateFolderBrowser).value_or("");
    record->customSpotlightSearchScope =
        coder.decodeStringArray(keyCustomSpotlightSearchScope).value_or(std::vector<std::string>{});
    record->searchForComments = coder.decodeBool(keySearchForComments);
    record->searchForTags = coder.decodeBool(keySearchForTags);
    record->selectingTagsInMainWindowLaunchAll = coder.decodeBool(keySelectingTagsInMainWindowLaunchAll);
    record->entryBackgroundAlphaValue = coder.decodeFloat(keyEntryBackgroundAlphaValue);
    record->useSmallModeInMainView = coder.decodeBool(keyUseSmallModeInMainView);
    record->showPathInMainView = coder.decodeBool(keyShowPathInMainView);
    record->hotkeyBorder = coder.decodeBool(keyHotkeyBorder);
    record->translucentBackgroundRight = coder.decodeBool(keyTranslucentBackgroundRight);
    record->mainWindowWidth = mainWindowWidthFromStoredValue(coder.decodeString(keyMainWindowWidth));
    record->mainWindowHeight = mainWindowHeightFromStoredValue(coder.decodeString(keyMainWindowHeight));
    return record;
}

void ExportImportData::registerCoding() {
    platform::CodingRegistry::registerClass(archiveClassName, &ExportImportData::initWithCoder);
}

std::optional<platform::Data> exportArchive(const ArchiveObject& root, std::string* error) {
    return KeyedArchiver::archivedData(root, error, KeyedArchiver::ClassNames::Runtime);
}

// --- Reading a file ---------------------------------------------------------------------

namespace exportclasses {

const std::set<std::string>& record() {
    static const std::set<std::string> classes = withPlainClasses({ExportImportData::archiveClassName});
    return classes;
}

const std::set<std::string>& entries() {
    static const std::set<std::string> classes =
        withPlainClasses({TableViewItem::archiveClassName, KeyCombo::archiveClassName, "NSColor", "NSColorSpace"});
    return classes;
}

const std::set<std::string>& tags() {
    static const std::set<std::string> classes =
        withPlainClasses({iconTag::archiveClassName, KeyCombo::archiveClassName, "NSColor", "NSColorSpace"});
    return classes;
}

const std::set<std::string>& globalKeyCombo() {
    static const std::set<std::string> classes = withPlainClasses({KeyCombo::archiveClassName});
    return classes;
}

}  // namespace exportclasses

ExportFileReadResult readExportFile(const platform::Data& bytes) {
    using Failure = ExportFileFailure;
    // The classes read below must decode even when nothing else touched them
    // yet; once is enough.
    static const bool registered = [] {
        TableViewItem::registerCoding();
        iconTag::registerCoding();
        KeyCombo::registerCoding();
        urlTemplateData::registerCoding();
        platform::Color::registerCoding();
        return true;
    }();
    (void)registered;

    auto top = KeyedUnarchiver::unarchiveTopLevelObject(bytes, exportclasses::record(), maximumExportListCount);
    if (!top) return failed(top.listTooLong ? Failure::tooManyObjects : Failure::notAnExportFile, top.error);
    auto record = top.object.as<ExportImportData>();
    if (!record) return failed(Failure::notAnExportFile, "its root object is no export record");

    ExportFileContent content;
    content.record = record;
    std::string error;
    bool tooLong = false;
    const auto failedIn = [&](Failure part) { return failed(tooLong ? Failure::tooManyObjects : part, error); };
    if (!readList(record->allDataArchive, exportclasses::entries(), content.entries, error, tooLong))
        return failedIn(Failure::entries);
    if (!readList(record->allTagsArchive, exportclasses::tags(), content.tags, error, tooLong))
        return failedIn(Failure::tags);
    if (!readList(record->urlTemplateArchive, urlTemplateData::archiveClasses(), content.templates, error, tooLong))
        return failedIn(Failure::templates);
    if (record->globalKeyCombo) {
        const auto root = nestedRoot(*record->globalKeyCombo, exportclasses::globalKeyCombo(), error, tooLong);
        if (!root) return failedIn(Failure::globalKeyCombo);
        auto combo = root->as<KeyCombo>();
        if (!combo && !root->isNull()) return failed(Failure::globalKeyCombo, "the archive holds no key combination");
        content.globalKeyCombo = std::move(combo);
    }

    ExportFileReadResult result;
    result.content = std::move(content);
    return result;
}

}  // namespace frelt
