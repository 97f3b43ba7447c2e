#pragma once
// The one store of the user's entries. It holds the whole entry list
// (allData), the two lists the windows show (currentData for the main window,
// currentDataConfig for the configuration window) and a trash of removed
// entries, and owns the proxies that feed entries in from outside, the filters
// that derive the shown lists and the handlers that add files and links.
//
// rebuildData() is the heart: guarded by `state` (and by a save in progress),
// it validates every entry, recounts the tags, re-runs both filters and ends
// with "dataStorageRebuildIsFinished". Everything runs and posts on the
// caller's thread, which is the main thread in the program; the store takes
// no lock of its own beyond what its synchronized lists do.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RawValue.h"
#include "platform/foundation/RunLoop.h"
#include "store/SynchronizedArray.h"
#include "store/TableViewItem.h"

namespace frelt {

class ProxySpotlightQueryFS;
class ProxyLastUsedApps;
class ProxyTags;
class DataStorageFilterCurrentData;
class DataStorageFilterConfigData;
class DatastorageHandlerFilesystemObjects;
class DatastorageHandlerURLObjects;

enum class DatastorageState { idle, changingCurrentData, changingCurrentDataConfig, rebuildData, validateData };

inline constexpr platform::RawValueTable<DatastorageState, 5> datastorageStates{{{
    {DatastorageState::idle, "idle"},
    {DatastorageState::changingCurrentData, "changingCurrentData"},
    {DatastorageState::changingCurrentDataConfig, "changingCurrentDataConfig"},
    {DatastorageState::rebuildData, "rebuildData"},
    {DatastorageState::validateData, "validateData"},
}}};

inline const char* rawValue(DatastorageState state) { return datastorageStates.rawValue(state); }
inline std::optional<DatastorageState> datastorageStateFromRawValue(std::string_view raw) {
    return datastorageStates.fromRawValue(raw);
}

// Why a rebuild was asked for; only the log reads it.
enum class RebuildDataReason {
    datastorageInitialize,
    tableViewPopup,
    sectionViewPopup,
    outlineviewDatasource,
    configViewContent,
    configViewTags,
    shortcuts,
    addingFilesystemObjectsToDatabaseFinished,
    modifyURLInDatabase,
    addURLToDatabase,
    tagRenamed,
    tagDeleted,
    importData,
    firstRun,
    volumechangeDetected,
    spotlightDatabaseUpdated,
    spotlightDatabaseFirstUpdate,
};

inline constexpr platform::RawValueTable<RebuildDataReason, 17> rebuildDataReasons{{{
    {RebuildDataReason::datastorageInitialize, "Datastorage initialize"},
    {RebuildDataReason::tableViewPopup, "TableView-Popup"},
    {RebuildDataReason::sectionViewPopup, "Section-View Popup"},
    {RebuildDataReason::outlineviewDatasource, "Outlineview Datasource"},
    {RebuildDataReason::configViewContent, "ConfigView Content"},
    {RebuildDataReason::configViewTags, "ConfigView Tags"},
    {RebuildDataReason::shortcuts, "Shortcuts"},
    {RebuildDataReason::addingFilesystemObjectsToDatabaseFinished, "addingFilesystemObjectsToDatabaseFinished"},
    {RebuildDataReason::modifyURLInDatabase, "modifyURLInDatabase"},
    {RebuildDataReason::addURLToDatabase, "addURLToDatabase"},
    {RebuildDataReason::tagRenamed, "Tag renamed"},
    {RebuildDataReason::tagDeleted, "Tag deleted"},
    {RebuildDataReason::importData, "import Data"},
    {RebuildDataReason::firstRun, "First run"},
    {RebuildDataReason::volumechangeDetected, "Volumechange detected"},
    {RebuildDataReason::spotlightDatabaseUpdated, "Spotlight Database updated"},
    {RebuildDataReason::spotlightDatabaseFirstUpdate, "Spotlight Database first update"},
}}};

inline const char* rawValue(RebuildDataReason reason) { return rebuildDataReasons.rawValue(reason); }
inline std::optional<RebuildDataReason> rebuildDataReasonFromRawValue(std::string_view raw) {
    return rebuildDataReasons.fromRawValue(raw);
}

// Lets go of `list` on the worker pool. The last owner of a long list of
// entries pays a change of every entry's use count, which each keystroke
// would otherwise wait for when it replaces the list shown.
void releaseOnWorkerPool(std::shared_ptr<const void> list);

class DataStorage : public std::enable_shared_from_this<DataStorage> {
    struct Private {
        explicit Private() = default;
    };

public:
    using EntryArray = SynchronizedArray<TableViewItem::Ptr>;

    // Codes of addToAllData (and of the add operations built on it).
    static constexpr int addResultAdded = 0;
    static constexpr int addResultNotIdle = 1;
    static constexpr int addResultInvalid = 2;
    static constexpr int addResultDuplicate = 3;

    // Seconds of quiet after a search-index update before the data is rebuilt.
    static constexpr double rebuildDataTimerInterval = 3.0;

    // Above this many entries launching a tag's entries asks first; above
    // launchAllRefuseLimit it refuses.
    static constexpr std::size_t launchAllAskAbove = 14;
    static constexpr std::size_t launchAllRefuseLimit = 30;

    // The single instance, made on first use.
    static std::shared_ptr<DataStorage> shared();

    explicit DataStorage(Private);
    ~DataStorage();
    DataStorage(const DataStorage&) = delete;
    DataStorage& operator=(const DataStorage&) = delete;

    // --- State -----------------------------------------------------------------------
    DatastorageState state() const { return state_.load(); }
    // Every assignment is logged.
    void setState(DatastorageState state);
    bool firstDataCollection() const { return firstDataCollection_; }

    // --- Owned parts -----------------------------------------------------------------
    const std::shared_ptr<ProxySpotlightQueryFS>& proxySpotlightQueryFSAllApps() const {
        return proxySpotlightQueryFSAllApps_;
    }
    const std::shared_ptr<ProxyLastUsedApps>& proxyLastUsedApps() const { return proxyLastUsedApps_; }
    const std::shared_ptr<ProxyTags>& proxyTags() const { return proxyTags_; }
    const std::shared_ptr<DataStorageFilterCurrentData>& filterCurrentData() const { return filterCurrentData_; }
    const std::shared_ptr<DataStorageFilterConfigData>& filterConfigData() const { return filterConfigData_; }
    const std::shared_ptr<DatastorageHandlerFilesystemObjects>& filesystemHandler() const { return filesystemHandler_; }
    const std::shared_ptr<DatastorageHandlerURLObjects>& URLHandler() const { return URLHandler_; }

    // Every assignment, also of the value held, runs the proxies switch.
    bool enableDataProxies() const { return enableDataProxies_; }
    void setEnableDataProxies(bool enabled);

    // --- Lists -----------------------------------------------------------------------
    // The same container for the store's whole life.
    const std::shared_ptr<EntryArray>& allData() const { return allData_; }
    // The lists the windows show. Assigning one compares it with the previous
    // list as a set of entry objects, sets the state back to idle and posts
    // "…Changed" or "…NotChangedWithLastRequest".
    std::shared_ptr<EntryArray> currentData() const;
    void setCurrentData(std::shared_ptr<EntryArray> list);
    std::shared_ptr<EntryArray> currentDataConfig() const;
    void setCurrentDataConfig(std::shared_ptr<EntryArray> list);
    // Entries removed from allData, at most one per path (ignoring case).
    const std::vector<TableViewItem::Ptr>& trashData() const { return trashData_; }
    // An import starts afresh.
    void emptyTrash() {
        trashData_.clear();
        trashKeys_.clear();
    }

    // --- Rebuild ---------------------------------------------------------------------
    void rebuildData(RebuildDataReason reason);
    void validateData();
    // Called after a search-index delivery changed allData: the first call
    // rebuilds at once, later ones (re)arm the 3-second rebuild timer.
    void databaseUpdateFinished();
    void rebuildDataWithTimer();
    // The pending debounced rebuild, if any.
    std::shared_ptr<platform::Timer> rebuildDataTimer() const { return rebuildDataTimer_; }

    // --- Queries: a visible, reachable entry of the kind exists -----------------------
    enum class EntryCategory { files, folders, favorites, urls, shortcuts };
    // Tests the disk for a file entry whose reachability answer is older
    // than the cache holds.
    bool allDataContains(EntryCategory category) const;
    bool allDataContainsFiles() const { return allDataContains(EntryCategory::files); }
    bool allDataContainsFolders() const { return allDataContains(EntryCategory::folders); }
    bool allDataContainsFavorites() const { return allDataContains(EntryCategory::favorites); }
    bool allDataContainsURLs() const { return allDataContains(EntryCategory::urls); }
    bool allDataContainsShortcuts() const { return allDataContains(EntryCategory::shortcuts); }
    // The same question for a caller that must not wait for the disk (the
    // sidebar asks it at every keystroke): an answer older than the cache
    // holds counts as it stands and is tested again on the worker pool;
    // `refreshed` then runs on the main queue if that test changed it.
    bool allDataContainsWithoutWaiting(EntryCategory category, std::function<void()> refreshed) const;

    // --- Entry edits by path (letter case and Unicode form ignored; an empty path
    // matches nothing) -------------------------------------------------------------------
    bool moveToTrash(const std::string& path);
    bool removeFromAllData(const std::string& path, bool clearHotkey);
    // As removeFromAllData for each path in order, in one write: thousands of
    // applications go at once when a set of packages is removed. Returns how
    // many entries were removed.
    std::size_t removeFromAllData(const std::vector<std::string>& paths, bool clearHotkey);
    TableViewItem::Ptr restoreFromTrash(const std::string& path);
    int addToAllData(const TableViewItem::Ptr& entry);
    // As addToAllData for each entry in order (an entry whose path is held
    // already, or came earlier in the list, is refused and logged), in one
    // write: thousands of found applications arrive at once.
    void addToAllData(const std::vector<TableViewItem::Ptr>& entries);
    bool setTag(const std::string& path, const std::string& tag);
    bool appendTag(const std::string& path, const std::string& tag);

    // The first entry of allData with this path, ignoring case. Answered from
    // an index of the paths, made afresh after changes it did not see.
    TableViewItem::Ptr entryWithPath(const std::string& path) const;

    // --- Launching a tag ---------------------------------------------------------------
    // Opens every visible, reachable entry carrying the tag (case ignored):
    // up to 14 at once, 15 to 30 after the user confirms, more not at all.
    void launchAllEntriesOfTag(const std::string& tagName);
    bool askLaunchAllConfirmation(std::size_t count);
    void showLaunchAllLimitAlert(std::size_t count, std::size_t limit);
    void launchEntries(const std::shared_ptr<EntryArray>& entries);

private:
    void applyProxiesSwitch();
    bool anyVisibleReachable(EntryCategory category, std::vector<TableViewItem::Ptr>* stale) const;
    void announceListAssignment(const std::shared_ptr<EntryArray>& previous, const std::shared_ptr<EntryArray>& list,
                                bool config);
    // The store's own appends and removals keep the path index current.
    void appendToAllData(const TableViewItem::Ptr& entry);
    void removeFromAllDataIndexed(const TableViewItem::Ptr& entry);
    // Moves a found entry to the trash (once per path) as a removal does.
    void trashRemovedEntry(const TableViewItem::Ptr& entry, bool clearHotkey, bool trashHoldsPath);
    void rebuildPathIndex(const std::vector<TableViewItem::Ptr>& entries, std::uint64_t version) const;

    // The entries of allData by the hash of their path key, valid for one
    // version of the list and one generation of the entries' paths. The
    // entries are held weakly: the index never keeps one alive.
    struct PathIndex {
        struct Slot {
            std::size_t position;  // orders entries of one path as the list does
            std::weak_ptr<TableViewItem> entry;
        };
        std::unordered_multimap<std::size_t, Slot> entries;
        std::size_t nextPosition = 0;
        std::uint64_t version = ~std::uint64_t{0};
        std::uint64_t pathGeneration = ~std::uint64_t{0};
    };
    mutable std::mutex pathIndexMutex_;
    mutable PathIndex pathIndex_;

    // For each category, the position in allData of its first visible entry
    // (the end when there is none), valid for one version of the list and
    // one generation of the entries' categories. The queries start there:
    // none of the entries before it can answer, and the sidebar asks all of
    // them at every change of the shown list.
    struct CategoryStart {
        std::uint64_t version = ~std::uint64_t{0};
        std::uint64_t generation = ~std::uint64_t{0};
        std::size_t position = 0;
    };
    mutable std::mutex categoryStartsMutex_;
    mutable std::array<CategoryStart, 5> categoryStarts_;

    std::shared_ptr<platform::Timer> rebuildDataTimer_;
    std::atomic<DatastorageState> state_{DatastorageState::idle};
    bool firstDataCollection_ = true;
    std::shared_ptr<ProxySpotlightQueryFS> proxySpotlightQueryFSAllApps_;
    std::shared_ptr<ProxyLastUsedApps> proxyLastUsedApps_;
    std::shared_ptr<ProxyTags> proxyTags_;
    bool enableDataProxies_ = false;
    std::shared_ptr<DataStorageFilterCurrentData> filterCurrentData_;
    std::shared_ptr<DataStorageFilterConfigData> filterConfigData_;
    std::shared_ptr<DatastorageHandlerFilesystemObjects> filesystemHandler_;
    std::shared_ptr<DatastorageHandlerURLObjects> URLHandler_;
    std::shared_ptr<EntryArray> allData_;
    // The shown lists are replaced by other threads' readers' snapshots only
    // through these accessors.
    mutable std::mutex listsMutex_;
    std::shared_ptr<EntryArray> currentDataConfig_;
    std::vector<TableViewItem::Ptr> trashData_;
    // The path keys of trashData_, so that thousands of removals and
    // additions at once do not each walk the trash. Made afresh when an
    // entry's path changed since.
    bool trashHolds(const std::string& key);
    std::unordered_multiset<std::string> trashKeys_;
    std::uint64_t trashKeysGeneration_ = ~std::uint64_t{0};
    std::shared_ptr<EntryArray> currentData_;
    platform::Subscription lastUsedAppsObservation_;
};

}  // namespace frelt
