#pragma once
// The data proxy that keeps the store in step with the applications the
// search finds. It owns the program's one file-system query, configured to
// find applications in the default and the user's own search scopes, and
// turns the query's removed and added lists into removals from, restorations
// into and additions to the store, marks entries as found, carries display
// names and last-used dates over, and tells the store when to rebuild.
//
// Lists that arrive while the store is busy are kept, in order, and applied
// once the store reports the end of its rebuild: a busy store never loses an
// application.
//
// A list is applied a slice at a time, a few milliseconds of work per turn of
// the main queue, so that thousands of applications installed or removed at
// once never hold the main thread for longer than a frame. Lists are applied
// one after the other in the order they came; a short list is applied at
// once, before the call that delivered it returns. Main thread only.

#include <deque>
#include <optional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/foundation/Subscription.h"
#include "store/TableViewItem.h"
#include "sources/discovery/SpotlightQueryFS.h"

namespace frelt {

class ProxySpotlightQueryFS {
public:
    // The query's predicate: applications.
    static constexpr const char* applicationPredicate = "kMDItemContentType == 'com.apple.application-bundle'";

    ProxySpotlightQueryFS();
    ~ProxySpotlightQueryFS();

    const std::shared_ptr<SpotlightQueryFS>& spotlightQuery() const { return spotlightQuery_; }

    bool initialized() const { return initialized_; }
    bool enabled() const { return enabled_; }
    // True starts the query, false stops it; the value held does nothing.
    void setEnabled(bool enabled);

    // The folders given to the query: the settings' default scope followed
    // by the user's own, each once.
    const std::vector<std::string>& searchScopes() const { return searchScopes_; }
    // The paths of the query's complete list, sorted.
    const std::vector<std::string>& spotlightResultComplete() const;

    // Takes the scopes from the settings and subscribes to the query; stays
    // uninitialized (and runs again next time) without scopes.
    void setup();

    // Puts every application of the query's latest complete list into the
    // store again, as the first results of a launch do: existing entries are
    // marked as found, missing ones are made. For a store whose entries were
    // replaced (an import, a restored backup): the query itself publishes
    // only changes of its results, and the replacement changed none.
    void addKnownApplications();

    // Lists kept while the store was busy (tests).
    std::size_t pendingResultCount() const { return pending_.size(); }
    // Lists received and not yet applied in full (tests).
    std::size_t unappliedListCount() const { return work_.size(); }

private:
    using FSResultArray = SpotlightQueryFS::FSResultArray;
    using Results = FSResultArray::Snapshot;
    struct Pending {
        bool added;
        std::shared_ptr<FSResultArray> results;
    };
    // A list being applied, from `next` on.
    struct Job {
        enum class Kind { complete, added, removed, pendingApplied } kind;
        Results results;
        std::size_t next = 0;
        // Set when the job applied something; a list kept while the store
        // was busy shares the flag of its group.
        std::shared_ptr<bool> changed = std::make_shared<bool>(false);
        // A list applied as it arrived logs its outcome and announces it.
        bool announce = false;
        // complete: the entries it found.
        std::unordered_set<TableViewItem::Ptr> found = {};
    };
    void completeListReceived(const std::shared_ptr<FSResultArray>& results);
    void addedListReceived(const std::shared_ptr<FSResultArray>& results);
    void removedListReceived(const std::shared_ptr<FSResultArray>& results);
    // Applies the added (or removed) list, or keeps it while the store is busy.
    void listReceived(bool added, const std::shared_ptr<FSResultArray>& results);
    // Each applies results [from, to) and tells whether it applied any.
    bool applyAdded(const Results& results, std::size_t from, std::size_t to);
    bool applyRemoved(const Results& results, std::size_t from, std::size_t to);
    void markFound(Job& job, std::size_t to);
    void keepUntilIdle(bool added, const std::shared_ptr<FSResultArray>& results);
    void applyPending();
    // Works through the lists received until they are applied or the time of
    // this turn is up; then continues on the main queue.
    void work();
    // Applies a slice of the job; true when the job is done.
    bool step(Job& job);
    void finish(const Job& job);

    std::shared_ptr<SpotlightQueryFS> spotlightQuery_;
    platform::Subscription spotlightQueryCompleteSubscriber_;
    platform::Subscription spotlightQueryAddedSubscriber_;
    platform::Subscription spotlightQueryRemovedSubscriber_;
    platform::Subscription rebuildFinishedObservation_;
    bool enabled_ = false;
    std::vector<std::string> searchScopes_;
    // The complete list last applied; its paths are sorted when asked for.
    Results complete_;
    mutable std::optional<std::vector<std::string>> spotlightResultComplete_;
    bool initialized_ = false;
    std::vector<Pending> pending_;
    std::deque<Job> work_;
    bool working_ = false;
    bool workQueued_ = false;
    // Gone with this object: work queued for later finds it gone.
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

}  // namespace frelt
