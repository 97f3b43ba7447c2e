#pragma once
// The program's live query over the desktop's applications: it owns the
// metadata query, the object that keeps the search scopes readable, two small
// state machines and four published result lists: everything found at the
// last processing, and the parts of it that are unchanged, added and removed
// since the processing before. Every finished gathering and every update of
// the query is processed into a new set of lists.
//
// Published fields deliver the current value on subscription and every value
// assigned later, synchronously on the assigning thread; a change made inside
// a list that a field holds is no assignment, so each list is replaced by a
// new one whenever its content is meant to reach subscribers.
//
// The lists are worked out on a serial worker queue, one processing after the
// other, each against the complete list of the one before: tens of thousands
// of results would hold the main thread for longer than a frame. The main
// thread only takes the query's results, and publishes the lists when they
// come back, in the order the processings began.
//
// Main thread only: the query posts there, and so everything here runs there.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Predicate.h"
#include "platform/foundation/Published.h"
#include "platform/foundation/Value.h"
#include "platform/linux/MetadataQuery.h"
#include "sources/access/SpotlightQueryCoreSandboxAccess.h"
#include "store/SynchronizedArray.h"

namespace frelt {

// One item found. Equal when path and display name are equal (two absent
// values are equal); the date takes no part.
struct SpotlightResult {
    std::optional<std::string> path;
    std::optional<std::string> displayname;
    std::optional<platform::Date> lastUsedDate;

    bool operator==(const SpotlightResult& other) const {
        return path == other.path && displayname == other.displayname;
    }
    std::string description() const;
};

std::size_t hashOfResult(const std::optional<std::string>& path, const std::optional<std::string>& displayname);

}  // namespace frelt

// Declared before anything below can hash a result: a specialisation after
// the first use is ill-formed (clang refuses it).
template <>
struct std::hash<frelt::SpotlightResult> {
    std::size_t operator()(const frelt::SpotlightResult& r) const noexcept {
        return frelt::hashOfResult(r.path, r.displayname);
    }
};

namespace frelt {

enum class SpotlightQueryState {
    unknown,
    stopped,
    failedToStart,
    startet,
    beginGathering,
    progressGathering,
    finishedGathering,
    beginUpdate,
    finishedUpdate
};
enum class SpotlightQueryResultState { unknown, beginProcessing, finishedProcessing };

// The readers of a metadata item's three attributes.
namespace metadataitem {
std::optional<std::string> stringValue(const platform::MetadataItem& item, const std::string& attribute);
std::optional<std::string> itemPath(const platform::MetadataItem& item);
std::optional<std::string> itemDisplayName(const platform::MetadataItem& item);
std::optional<platform::Date> itemLastUsedDate(const platform::MetadataItem& item);
// Equal only when both have a path and a display name and both agree.
bool isEqual(const std::shared_ptr<platform::MetadataItem>& a, const std::shared_ptr<platform::MetadataItem>& b);
}  // namespace metadataitem

class SpotlightQueryCore {
public:
    using ResultArray = SynchronizedArray<SpotlightResult>;

    // runQuery's answers.
    static constexpr int runQueryStarted = 0;
    static constexpr int runQueryFailedToStart = 1;
    static constexpr int runQueryAlreadyGathering = 2;
    static constexpr int runQueryNoPredicate = 3;

    SpotlightQueryCore();
    virtual ~SpotlightQueryCore();
    SpotlightQueryCore(const SpotlightQueryCore&) = delete;
    SpotlightQueryCore& operator=(const SpotlightQueryCore&) = delete;

    const std::shared_ptr<platform::MetadataQuery> metadataQuery;
    const std::shared_ptr<SpotlightQueryCoreSandboxAccess> spotlightQueryCoreSandboxAccess;

    platform::Published<SpotlightQueryState> state{SpotlightQueryState::unknown};
    platform::Published<SpotlightQueryResultState> resultState{SpotlightQueryResultState::unknown};
    platform::Published<std::shared_ptr<ResultArray>> queryResultsComplete{ResultArray::create()};
    platform::Published<std::shared_ptr<ResultArray>> queryResultsUnchanged{ResultArray::create()};
    platform::Published<std::shared_ptr<ResultArray>> queryResultsAdded{ResultArray::create()};
    platform::Published<std::shared_ptr<ResultArray>> queryResultsRemoved{ResultArray::create()};

    // When set, items without a non-empty path are dropped.
    bool processOnlyValidFSPaths = true;
    double notificationBatchingInterval = 1.0;

    // Every assignment, an append too, runs the scope update: the query is
    // stopped and searches the reachable folders of the list, with access
    // begun where a grant is needed. The query is not started again.
    const std::vector<std::string>& searchScopes() const { return searchScopes_; }
    void setSearchScopes(std::vector<std::string> scopes);
    void appendSearchScopes(const std::vector<std::string>& scopes);
    // Every assignment stops a started query and hands the predicate on.
    const std::optional<platform::Predicate>& query() const { return query_; }
    void setQuery(std::optional<platform::Predicate> predicate);

    void registerObservers();
    void onQueryDidStartGatheringWith(const platform::Notification& notification);
    void onQueryGatheringProgressWith(const platform::Notification& notification);
    void onQueryDidFinishGatheringWith(const platform::Notification& notification);
    void onQueryDidUpdateWith(const platform::Notification& notification);
    // Rebuilds the four lists from the query's current results on the worker
    // and publishes them on the main thread; `then` runs right after.
    void processResults(std::function<void()> then = {});
    // One of the runQuery… codes.
    int runQuery();

    // Lets go of `value` on a worker: the last reference to a long list frees
    // thousands of strings, which the main thread need not wait for.
    static void releaseOffMainThread(std::shared_ptr<const void> value);

private:
    struct Lists {
        std::vector<SpotlightResult> complete, unchanged, added, removed;
    };
    static Lists process(const std::vector<std::shared_ptr<platform::MetadataItem>>& items,
                         const std::vector<SpotlightResult>& previous, bool onlyValidFSPaths);
    void publish(Lists lists);
    void updateScopes();

    std::vector<std::string> searchScopes_;
    std::optional<platform::Predicate> query_;
    std::vector<platform::Subscription> observers_;
    const std::shared_ptr<platform::dispatch::Queue> processingQueue_;
    // The complete list of the last processing, read and written only on
    // processingQueue_.
    const std::shared_ptr<std::vector<SpotlightResult>> processedComplete_;
    // Gone with this object: a processing that comes back later publishes nothing.
    std::shared_ptr<const bool> alive_;
};

}  // namespace frelt

