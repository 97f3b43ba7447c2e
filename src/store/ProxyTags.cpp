#include "store/ProxyTags.h"

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

bool ProxyTags::entryBelongsTo(const TableViewItem& entry, std::string_view key) {
    return entry.itemType() == ListviewItemType::tag && platform::text::canonicallyEqual(entry.name(), key);
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

    const auto isTagEntry = [](const TableViewItem::Ptr& entry) {
        return entry && entry->itemType() == ListviewItemType::tag;
    };
    allData.filter(isTagEntry)->forEach([](const TableViewItem::Ptr& entry) { entry->setIsFoundByTags(false); });

    visibleTags.forEach([&allData](const iconTag::Ptr& tag) {
        if (!tag) return;
        const std::string key = entryName(tag->tagName());
        // The look-up waits for the appends queued for earlier tags, so two
        // visible tags never add the same entry twice.
        const auto existing = allData.firstWhere(
            [&key](const TableViewItem::Ptr& entry) { return entry && entryBelongsTo(*entry, key); });
        if (existing) {
            (*existing)->setIsFoundByTags(true);
            FRELT_LOG(tagsProxy, Default, "Proxy: Tags - Validated: %{public}@", key);
            return;
        }
        auto entry = TableViewItem::initForTag(tag->tagName(), key);
        entry->setIsFoundByTags(true);
        allData.append(std::move(entry));
        FRELT_LOG(tagsProxy, Default, "Proxy: Tags - Added: %{public}@", key);
    });

    // Queued after the appends above, so a new entry is never removed.
    allData.removeAllWhere(
        [](const TableViewItem::Ptr& entry) { return entry && entry->itemType() == ListviewItemType::tag && !entry->isFoundByTags(); });
}

}  // namespace frelt
