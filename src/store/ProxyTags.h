#pragma once
// Mirrors the user's visible tags as entries of the data store: while
// enabled, every visible tag stands in allData as an entry of item type
// `tag` named "Tag [" + tag name + "]". The entries follow the tag registry:
// each "visibleTagsRebuildNeeded" or "visibleTagsUseCounterChanged" adds
// entries for new visible tags and drops those of tags no longer visible
// (or renamed).
//
// The data store owns the one instance; its proxies switch calls setup()
// once (then setInitialized(true)) and writes `enabled` at every switch.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foundation/NotificationCenter.h"
#include "store/IconTag.h"
#include "store/SynchronizedArray.h"
#include "store/TableViewItem.h"

namespace frelt {

class ProxyTags {
public:
    using EntryArray = SynchronizedArray<TableViewItem::Ptr>;
    using TagArray = SynchronizedArray<iconTag::Ptr>;

    ProxyTags() = default;
    ProxyTags(const ProxyTags&) = delete;
    ProxyTags& operator=(const ProxyTags&) = delete;

    // The name of the entry standing for the tag `tagName`.
    static std::string entryName(std::string_view tagName);

    // Registers for the registry's two notifications. Call once.
    void setup();
    bool initialized() const { return initialized_; }
    void setInitialized(bool value) { initialized_ = value; }

    // Refreshes run only while enabled; enabling does not refresh by itself.
    bool enabled() const { return enabled_; }
    void setEnabled(bool value);

    // The notification handler: refreshes DataStorage::allData from
    // TagManager::allVisibleTags when enabled, otherwise nothing.
    void refreshTagsWith(const platform::Notification& notification);

    // One refresh of `allData` against `visibleTags`, regardless of
    // `enabled`. The append and the removal are queued changes of allData;
    // a later read sees them.
    static void refreshTags(EntryArray& allData, const TagArray& visibleTags);

private:
    bool enabled_ = false;
    bool initialized_ = false;
    std::vector<platform::Subscription> observations_;
};

}  // namespace frelt
