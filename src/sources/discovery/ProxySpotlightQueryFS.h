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
// application. Main thread only.

#include <memory>
#include <string>
#include <vector>

#include "platform/foundation/Subscription.h"
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
    const std::vector<std::string>& spotlightResultComplete() const { return spotlightResultComplete_; }

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

private:
    using FSResultArray = SpotlightQueryFS::FSResultArray;
    struct Pending {
        bool added;
        std::shared_ptr<FSResultArray> results;
    };
    void completeListReceived(const std::shared_ptr<FSResultArray>& results);
    void addedListReceived(const std::shared_ptr<FSResultArray>& results);
    void removedListReceived(const std::shared_ptr<FSResultArray>& results);
    // Applies the added (or removed) list, or keeps it while the store is busy.
    void listReceived(bool added, const std::shared_ptr<FSResultArray>& results);
    bool applyAdded(const std::shared_ptr<FSResultArray>& results);
    bool applyRemoved(const std::shared_ptr<FSResultArray>& results);
    void keepUntilIdle(bool added, const std::shared_ptr<FSResultArray>& results);
    void applyPending();

    std::shared_ptr<SpotlightQueryFS> spotlightQuery_;
    platform::Subscription spotlightQueryCompleteSubscriber_;
    platform::Subscription spotlightQueryAddedSubscriber_;
    platform::Subscription spotlightQueryRemovedSubscriber_;
    platform::Subscription rebuildFinishedObservation_;
    bool enabled_ = false;
    std::vector<std::string> searchScopes_;
    std::vector<std::string> spotlightResultComplete_;
    bool initialized_ = false;
    std::vector<Pending> pending_;
};

}  // namespace frelt
