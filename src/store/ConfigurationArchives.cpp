// The stored archives of entries ("ApplicationData") and tags ("TagData").
//
// Each is one keyed archive whose root is the list of the objects worth
// keeping (shouldSavedToConfig). These rules protect the user's data beyond
// the plain write and read:
//   - nothing is stored under a key before the stored list has been read (or
//     found absent) in this run: a save before loading would store what the
//     store happens to hold, nothing at all, over the user's lists;
//   - an empty list is stored only when this run emptied the list (it held
//     objects, loaded or saved, and the user removed them), so deleted
//     entries and tags do not come back at the next launch, while a list
//     that never loaded anything (unusable records, a stored value that is
//     no list) stays as it is;
//   - an archive that cannot be read is copied aside under "<key>.unreadable"
//     before its key is removed, so it can still be recovered by hand;
//   - a record of a list that yields no object (or is not of the list's
//     class) is left out and the rest of the list loads;
//   - unused tags are dropped only by a save that follows a completed count
//     of the tags' use, and never in a run whose stored entries could not be
//     read (TagManager::mayDropUnusedTags, the rule the export follows too).
//
// URL templates ("urlTemplateData") share only the rules on an archive that
// cannot be read and on records that yield no object. Their list is saved as
// it is, empty too (a user who deleted every template keeps none; only a
// missing key brings the built-in ones back). What keeps a save before
// loading from storing the built-in or an empty list over the user's is
// saveConfig's own rule, which writes nothing at all (no setting, key
// combination or list) before loadConfig has finished. Only templates with
// both texts are saved, and a stored list is decoded with nothing but lists,
// texts and the template classes.

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/foundation/KeyedArchive.h"
#include "platform/foundation/Predicate.h"
#include "sources/urls/URLManager.h"
#include "store/Configuration.h"
#include "store/DataStorage.h"
#include "store/IconTag.h"
#include "store/LocalizedStrings.h"
#include "store/ConfigurationLog.h"
#include "store/Logging.h"
#include "store/ShowAlert.h"
#include "store/StoreConstants.h"
#include "store/TableViewItem.h"
#include "store/TagManager.h"

namespace frelt {

namespace {

namespace Keys = DefaultsKeys;

inline constexpr const char* kUnreadableSuffix = ".unreadable";

const platform::Predicate& shouldSaveToConfig() {
    static const platform::Predicate predicate = *platform::Predicate::make("shouldSavedToConfig == true");
    return predicate;
}

// Archives `objects` as a list under `key`; false when archiving failed and
// the stored value was left as it was.
template <class T>
bool storeList(platform::UserDefaults& defaults, const char* key, const std::vector<std::shared_ptr<T>>& objects) {
    platform::ArchiveArray list;
    list.reserve(objects.size());
    for (const auto& object : objects) list.emplace_back(object);
    std::string error;
    auto data = platform::KeyedArchiver::archivedData(platform::ArchiveObject(std::move(list)), &error);
    if (!data) {
        log(LogCategory::config, LogLevel::Error, "!! archiving %{public}@ failed: %{public}@", std::string(key), error);
        return false;
    }
    if (data->empty()) return true;
    defaults.set(key, platform::Value(std::move(*data)));
    return true;
}

// storeList() for the user's entries and tags, as far as what this run knows
// of the stored list (`state`) allows: nothing before it was loaded, and an
// empty list only when this run emptied it.
template <class T>
bool storeUsersList(platform::UserDefaults& defaults, const char* key, Configuration::StoredListState& state,
                    const std::vector<std::shared_ptr<T>>& objects) {
    if (!state.read) {
        log(LogCategory::config, LogLevel::Error, "!! %{public}@ not saved: the stored list has not been loaded yet",
            std::string(key));
        return true;
    }
    if (objects.empty() && !state.heldObjects) return true;
    if (!storeList(defaults, key, objects)) return false;
    if (!objects.empty()) state.heldObjects = true;
    return true;
}

enum class StoredList {
    // No data under the key, or a readable archive that holds no list.
    none,
    // The data is no readable archive: the user was told, the data copied
    // aside and the key removed.
    unreadable,
    // The records of the list that are objects of the list's class.
    list,
};

// What the user is told about a stored archive that cannot be read.
struct UnreadableAlert {
    std::string messageText;
    std::string informativeText;
};

// `allowedClasses`, when given, are the only classes the archive may hold.
template <class T>
StoredList readList(platform::UserDefaults& defaults, const char* key, std::vector<std::shared_ptr<T>>& out,
                    const UnreadableAlert& alert = {L10n::errorLoadingAllData_MessageText,
                                                    L10n::errorLoadingAllData_InfomativeText},
                    const std::set<std::string>* allowedClasses = nullptr) {
    const auto data = defaults.dataForKey(key);
    if (!data) return StoredList::none;

    // The one look at each file entry's file is taken by the workers while
    // the rest of the list decodes; the entries are complete once the looks
    // are done, before anything else (an alert below) can run.
    EntryFileChecks fileChecks;
    const auto result = allowedClasses ? platform::KeyedUnarchiver::unarchiveTopLevelObject(*data, *allowedClasses)
                                       : platform::KeyedUnarchiver::unarchiveTopLevelObject(*data);
    fileChecks.finish();
    if (!result) {
        log(LogCategory::config, LogLevel::Error, "!! %{public}@ could not be read: %{public}@", std::string(key),
            result.error);
        showAlert(alert.messageText, alert.informativeText);
        // Kept aside rather than lost: the next save writes a fresh archive
        // under the key, and the old one stays recoverable.
        defaults.set(std::string(key) + kUnreadableSuffix, platform::Value(*data));
        defaults.removeObjectForKey(key);
        return StoredList::unreadable;
    }

    const auto* elements = result.object.asArray();
    if (!elements) return StoredList::none;
    out.reserve(elements->size());
    std::size_t skipped = 0;
    for (const auto& element : *elements) {
        if (auto object = element.as<T>()) out.push_back(std::move(object));
        else ++skipped;
    }
    // Records whose decoder refused them never reach the list; those of
    // another class are left out here.
    if (skipped > 0)
        log(LogCategory::config, LogLevel::Error, "! %{public}@: skipped %{public}@ records of another kind",
            std::string(key), std::to_string(skipped));
    return StoredList::list;
}

}  // namespace

void Configuration::saveAllDataArray() {
    logConfig("saveAllDataArray");
    const auto entries = shouldSaveToConfig().filtered(DataStorage::shared()->allData()->toVector());
    if (!storeUsersList(*defaults, Keys::applicationData, entryArchive_, entries))
        showAlert("Error saving allDataArray to the settings file", kConfigError);
}

void Configuration::saveTagDataArray(bool dropUnusedTags) {
    logConfig("saveTagDataArray");
    const auto tagManager = TagManager::shared();
    // Only after a completed count over entries that were all read.
    if (dropUnusedTags && !tagManager->allTagsUsed()) tagManager->removeUnusedTags();
    const auto tags = shouldSaveToConfig().filtered(tagManager->allAvailableTags()->toVector());
    if (!storeUsersList(*defaults, Keys::tagData, tagArchive_, tags))
        showAlert("Error saving arrayOfAllTags to the settings file", kConfigError);
}

void Configuration::saveURLTemplateDataArray() {
    logConfig("saveURLTemplateDataArray");
    // A template without title or value could never be read back.
    if (!storeList(*defaults, Keys::urlTemplateData, URLManager::shared()->templatesWorthSaving()))
        showAlert("Error saving urlTemplates to the settings file", kConfigError);
}

void Configuration::loadAllDataArray() {
    logConfig("loadAllDataArray");
    const auto store = DataStorage::shared();
    // The proxies must not feed the list while it is replaced.
    store->setEnableDataProxies(false);
    const auto& allData = store->allData();
    // The entries held so far are let go on this thread, once the new ones
    // are in: let go by the worker that empties the list, their thousands of
    // frees would fight this thread's decoding for the allocator.
    const auto previous = allData->snapshot();
    allData->removeAll();

    std::vector<TableViewItem::Ptr> entries;
    const StoredList stored = readList(*defaults, Keys::applicationData, entries);
    entryArchive_ = {true, !entries.empty(), stored == StoredList::unreadable};
    // A count over what is left says nothing of the lost entries' tags.
    TagManager::shared()->setStoredEntriesUnreadable(entryArchive_.unreadable);
    if (stored == StoredList::list) allData->appendContentsOf(std::move(entries));
    else allData->removeAll();

    store->setEnableDataProxies(true);
}

void Configuration::loadTagDataArray() {
    logConfig("loadTagDataArray");
    const auto tagManager = TagManager::shared();
    const auto& allTags = tagManager->allAvailableTags();
    const auto previous = allTags->snapshot();  // let go here, as the entries are
    allTags->removeAll();

    // Whatever the registry counted before, these tags have not been counted.
    tagManager->forgetTagCount();

    std::vector<iconTag::Ptr> tags;
    const StoredList stored = readList(*defaults, Keys::tagData, tags);
    tagArchive_ = {true, !tags.empty(), stored == StoredList::unreadable};
    if (stored == StoredList::list) allTags->appendContentsOf(std::move(tags));
    else allTags->removeAll();

    tagManager->validateTagSymbols();
}

void Configuration::loadURLTemplateDataArray() {
    logConfig("loadURLTemplateDataArray");
    const auto manager = URLManager::shared();
    manager->urlTemplates.clear();
    templateArchiveUnreadable_ = false;
    // Only a missing key brings the built-in templates back: a user who
    // deleted them all keeps an empty list.
    if (!defaults->dataForKey(Keys::urlTemplateData)) {
        manager->buildDefaultTemplates();
        return;
    }
    std::vector<std::shared_ptr<urlTemplateData>> templates;
    const StoredList stored = readList(*defaults, Keys::urlTemplateData, templates,
                                       {"Error loading urlTemplates from the settings file", kConfigError},
                                       &urlTemplateData::archiveClasses());
    templateArchiveUnreadable_ = stored == StoredList::unreadable;
    if (stored == StoredList::list) manager->urlTemplates = std::move(templates);
    manager->cleanUpAndSortTemplates();
}

}  // namespace frelt
