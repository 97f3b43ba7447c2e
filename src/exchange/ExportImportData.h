#pragma once
// The root record of an export file: everything the user configured, in one
// keyed archive. The same file format serves the user's export, the import
// and the versioned backups.
//
// Four fields carry whole keyed archives of their own (the entries, the tags,
// the URL templates and the global hotkey); the others are settings copied
// from the configuration. Files carry the runtime class names of the program's
// classes ("_TtC5frelt16ExportImportData" for the root); the decoder also
// takes the "frelt." names.
//
// A file comes from anywhere, so reading one (readFile) trusts nothing: only
// the record's own class and plain values decode at the top, each nested
// archive decodes with nothing but the classes it may hold, and any failure
// leaves the caller with a reason and no data at all.

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "hotkeys/KeyCombo.h"
#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Value.h"
#include "sources/urls/URLManager.h"
#include "store/Configuration.h"
#include "store/IconTag.h"
#include "store/TableViewItem.h"

namespace frelt {

class ExportImportData : public platform::Coding {
public:
    using Ptr = std::shared_ptr<ExportImportData>;

    static constexpr const char* archiveClassName = "frelt.ExportImportData";

    // The archive keys, in the order they are written.
    static constexpr const char* keyAllDataArchive = "allDataArchive";
    static constexpr const char* keyTagArchive = "tagArchive";
    static constexpr const char* keyURLTemplateArchive = "urlTemplateArchive";
    static constexpr const char* keyGlobalKeyCombo = "globalKeyCombo";
    static constexpr const char* keyWindowViewStyle = "windowViewStyle";
    static constexpr const char* keyClickType = "clickType";
    static constexpr const char* keyMainPopoverAnimated = "mainPopoverAnimated";
    static constexpr const char* keyAlternateFolderBrowser = "alternateFolderBrowser";
    static constexpr const char* keyCustomSpotlightSearchScope = "customSpotlightSearchScope";
    static constexpr const char* keySearchForComments = "searchForComments";
    static constexpr const char* keySearchForTags = "searchForTags";
    static constexpr const char* keySelectingTagsInMainWindowLaunchAll = "selectingTagsInMainWindowLaunchAll";
    static constexpr const char* keyEntryBackgroundAlphaValue = "entryBackgroundAlphaValue";
    static constexpr const char* keyUseSmallModeInMainView = "useSmallModeInMainView";
    static constexpr const char* keyShowPathInMainView = "showPathInMainView";
    static constexpr const char* keyHotkeyBorder = "hotkeyBorder";
    static constexpr const char* keyTranslucentBackgroundRight = "translucentBackgroundRight";
    static constexpr const char* keyMainWindowWidth = "mainWindowWidth";
    static constexpr const char* keyMainWindowHeight = "mainWindowHeight";

    // A fresh record: no nested archives, the settings' own defaults.
    static Ptr make() { return std::make_shared<ExportImportData>(); }

    std::optional<platform::Data> allDataArchive;
    std::optional<platform::Data> allTagsArchive;
    std::optional<platform::Data> urlTemplateArchive;
    std::int64_t windowViewStyle = 0;
    std::int64_t clickType = 0;
    std::optional<platform::Data> globalKeyCombo;
    bool mainPopoverAnimated = false;
    std::string alternateFolderBrowser;
    std::vector<std::string> customSpotlightSearchScope;
    bool searchForComments = true;
    bool searchForTags = true;
    bool selectingTagsInMainWindowLaunchAll = false;
    float entryBackgroundAlphaValue = 0.2f;
    bool useSmallModeInMainView = false;
    bool showPathInMainView = true;
    bool hotkeyBorder = false;
    bool translucentBackgroundRight = false;
    MainWindowHeight mainWindowHeight = MainWindowHeight::height70;
    MainWindowWidth mainWindowWidth = MainWindowWidth::with700;

    // --- Archiving ------------------------------------------------------------------
    std::string className() const override { return archiveClassName; }
    // The nineteen keys in order; an absent nested archive is written as null,
    // the window size as its raw text.
    void encodeWithCoder(platform::KeyedArchiver& coder) const override;
    // Never fails: every field is assigned from its key, and a missing key or
    // one of another kind gives that key's fallback (false, 0, 0.0, empty,
    // absent, "700px", "70%"), not the value of a fresh record.
    static Ptr initWithCoder(platform::KeyedUnarchiver& coder);
    static void registerCoding();
};

// Archives `root` the way every part of an export file is written, the file's
// record as well as each nested archive: the root object of a keyed archive
// with the runtime class names.
std::optional<platform::Data> exportArchive(const platform::ArchiveObject& root, std::string* error = nullptr);

// What an export file holds once every part of it was read and checked.
struct ExportFileContent {
    ExportImportData::Ptr record;
    // Absent nested archives read as empty lists.
    std::vector<TableViewItem::Ptr> entries;
    std::vector<iconTag::Ptr> tags;
    std::vector<std::shared_ptr<urlTemplateData>> templates;
    // None when the file carries no hotkey archive (the current hotkey stays);
    // a null combination when the archive holds none (it is cleared).
    std::optional<KeyCombo::Ptr> globalKeyCombo;
};

// No list of a real store comes near this many objects (entries, tags,
// templates, search folders); a file whose lists are longer is refused
// before any list of it is built.
inline constexpr std::size_t maximumExportListCount = 1'000'000;

// Which part of a file could not be used.
enum class ExportFileFailure {
    // A list longer than maximumExportListCount, in any part of the file.
    tooManyObjects,
    // Not a keyed archive, or its root is no export record.
    notAnExportFile,
    // A nested archive that is damaged, holds a class it may not, or holds
    // another kind of object than its key promises.
    entries,
    tags,
    templates,
    globalKeyCombo,
};

struct ExportFileReadResult {
    std::optional<ExportFileContent> content;
    ExportFileFailure failure = ExportFileFailure::notAnExportFile;
    std::string error;  // a readable reason when there is no content
};

// Reads the bytes of an export file completely, nested archives included;
// nothing is decoded that the file's parts may not hold.
ExportFileReadResult readExportFile(const platform::Data& bytes);

// The classes each part of an export file may hold (either name form).
namespace exportclasses {
const std::set<std::string>& record();
const std::set<std::string>& entries();
const std::set<std::string>& tags();
const std::set<std::string>& globalKeyCombo();
}  // namespace exportclasses

}  // namespace frelt
