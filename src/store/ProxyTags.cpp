#include "store/ProxyTags.h"

#include <string>
#include <unordered_map>

#include "platform/foundation/Text.h"
#include "store/DataStorage.h"
#include "store/Logging.h"
#include "store/StoreConstants.h"
#include "store/TagManager.h"

namespace frelt {

std::string ProxyTags::entryName(std::string_view tagName) {
    std::string name = "Tag [";
    name += tagName;
    name += "]";
    return name;
}

void ProxyTags::setup() {
    auto& center = platform::NotificationCenter::defaultCenter();
    const auto handler = [this](const platform::Notification& notification) { refreshTagsWith(notification); };
    observations_.push_back(center.observe(Notifications::visibleTagsRebuildNeeded, nullptr, handler));
    observations_.push_back(center.observe(Notifications::visibleTagsUseCounterChanged, nullptr, handler));
}

void ProxyTags::setEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    FRELT_LOG(tagsProxy, Info, "Proxy: Tags enabled: %{public}@", value ? "true" : "false");
}

void ProxyTags::refreshTagsWith(const platform::Notification&) {
    if (!enabled_) return;
    refreshTags(*DataStorage::shared()->allData(), *TagManager::shared()->allVisibleTags());
}

void ProxyTags::refreshTags(EntryArray& allData, const TagArray& visibleTags) {
    FRELT_LOG(tagsProxy, Default, "Proxy: Tags - Refreshing Tags-Entries in AllData");

    // The tag entries by composed name, the first of each name, from one
    // read of the list: looking each visible tag up by a walk of the whole
    // list made a rebuild with many tags wait for thousands of walks.
    std::unordered_map<std::string, TableViewItem::Ptr> tagEntries;
    const auto entries = allData.snapshot();
    for (const TableViewItem::Ptr& entry : *entries) {
        if (!entry || entry->itemType() != ListviewItemType::tag) continue;
        entry->setIsFoundByTags(false);
        tagEntries.try_emplace(platform::text::nfc(entry->name()), entry);
    }

    visibleTags.forEach([&](const iconTag::Ptr& tag) {
        if (!tag) return;
        const std::string key = entryName(tag->tagName());
        const auto [existing, added] = tagEntries.try_emplace(platform::text::nfc(key), nullptr);
        if (!added) {
            existing->second->setIsFoundByTags(true);
            FRELT_LOG(tagsProxy, Default, "Proxy: Tags - Validated: %{public}@", key);
            return;
        }
        // Remembered at once, so two visible tags of one name never add the
        // same entry twice.
        existing->second = TableViewItem::initForTag(tag->tagName(), key);
        existing->second->setIsFoundByTags(true);
        allData.append(existing->second);
        FRELT_LOG(tagsProxy, Default, "Proxy: Tags - Added: %{public}@", key);
    });

    // Queued after the appends above, so a new entry is never removed.
    allData.removeAllWhere(
        [](const TableViewItem::Ptr& entry) { return entry && entry->itemType() == ListviewItemType::tag && !entry->isFoundByTags(); });
}

}  // namespace frelt
