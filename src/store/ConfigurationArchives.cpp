// The stored archives of entries ("ApplicationData") and tags ("TagData").
//
// Each is one keyed archive whose root is the list of the objects worth
// keeping (shouldSavedToConfig). Three rules protect the user's data beyond
// the plain write and read:
//   - a save always stores the current list, an empty one included, so
//     entries and tags the user deleted do not come back at the next launch;
//   - an archive that cannot be read is copied aside under "<key>.unreadable"
//     before its key is removed, so it can still be recovered by hand;
//   - a record of a list that yields no object (or is not of the list's
//     class) is left out and the rest of the list loads.
//
// URL templates ("urlTemplateData") follow the same rules; in addition only
// templates with both texts are saved, and a stored list is decoded with
// nothing but lists, texts and the template classes.

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
#include "store/Logging.h"
#include "store/ShowAlert.h"
#include "store/StoreConstants.h"
#include "store/TableViewItem.h"
#include "store/TagManager.h"

namespace frelt {

namespace {

namespace Keys = DefaultsKeys;

inline constexpr const char* kConfigError = "Error: Configuration";
inline constexpr const char* kUnreadableSuffix = ".unreadable";

void logConfig(std::string_view message) { log(LogCategory::config, LogLevel::Default, message); }

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

    const auto result = allowedClasses ? platform::KeyedUnarchiver::unarchiveTopLevelObject(*data, *allowedClasses)
                                       : platform::KeyedUnarchiver::unarchiveTopLevelObject(*data);
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
    // An empty list is stored too: otherwise the last entries the user
    // removed would come back from the previous archive at the next launch.
    const auto entries = shouldSaveToConfig().filtered(DataStorage::shared()->allData()->toVector());
    if (!storeList(*defaults, Keys::applicationData, entries))
        showAlert("Error saving allDataArray to UserDefaults", kConfigError);
}

void Configuration::saveTagDataArray(bool dropUnusedTags) {
    logConfig("saveTagDataArray");
    const auto tagManager = TagManager::shared();
    if (dropUnusedTags && !tagManager->allTagsUsed()) tagManager->removeUnusedTags();
    // Stored even when empty, so deleted tags stay deleted.
    const auto tags = shouldSaveToConfig().filtered(tagManager->allAvailableTags()->toVector());
    if (!storeList(*defaults, Keys::tagData, tags))
        showAlert("Error saving arrayOfAllTags to UserDefaults", kConfigError);
}

void Configuration::saveURLTemplateDataArray() {
    logConfig("saveURLTemplateDataArray");
    // A template without title or value could never be read back.
    if (!storeList(*defaults, Keys::urlTemplateData, URLManager::shared()->templatesWorthSaving()))
        showAlert("Error saving urlTemplates to UserDefaults", kConfigError);
}

void Configuration::loadAllDataArray() {
    logConfig("loadAllDataArray");
    const auto store = DataStorage::shared();
    // The proxies must not feed the list while it is replaced.
    store->setEnableDataProxies(false);
    const auto& allData = store->allData();
    allData->removeAll();

    std::vector<TableViewItem::Ptr> entries;
    if (readList(*defaults, Keys::applicationData, entries) == StoredList::list) allData->appendContentsOf(std::move(entries));
    else allData->removeAll();

    store->setEnableDataProxies(true);
}

void Configuration::loadTagDataArray() {
    logConfig("loadTagDataArray");
    const auto tagManager = TagManager::shared();
    const auto& allTags = tagManager->allAvailableTags();
    allTags->removeAll();

    std::vector<iconTag::Ptr> tags;
    if (readList(*defaults, Keys::tagData, tags) == StoredList::list) allTags->appendContentsOf(std::move(tags));
    else allTags->removeAll();

    tagManager->validateTagSymbols();
}

void Configuration::loadURLTemplateDataArray() {
    logConfig("loadURLTemplateDataArray");
    const auto manager = URLManager::shared();
    manager->urlTemplates.clear();
    // Only a missing key brings the built-in templates back: a user who
    // deleted them all keeps an empty list.
    if (!defaults->dataForKey(Keys::urlTemplateData)) {
        manager->buildDefaultTemplates();
        return;
    }
    std::vector<std::shared_ptr<urlTemplateData>> templates;
    if (readList(*defaults, Keys::urlTemplateData, templates,
                 {"Error loading urlTemplates from UserDefaults", kConfigError},
                 &urlTemplateData::archiveClasses()) == StoredList::list)
        manager->urlTemplates = std::move(templates);
    manager->cleanUpAndSortTemplates();
}

}  // namespace frelt
