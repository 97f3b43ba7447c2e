#include "sources/discovery/SpotlightQueryFS.h"

namespace frelt {

SpotlightQueryFS::SpotlightQueryFS() {
    // Ended by the destructor before any list goes.
    spotlightQuerySubscriber_ = resultState.subscribe([this](const SpotlightQueryResultState& s) { resultStateChanged(s); });
}

SpotlightQueryFS::~SpotlightQueryFS() { spotlightQuerySubscriber_.cancel(); }

void SpotlightQueryFS::resultStateChanged(SpotlightQueryResultState state) {
    if (state != SpotlightQueryResultState::finishedProcessing) return;
    // Each list replaced goes on a worker, with the results only it still holds.
    const auto replace = [](platform::Published<std::shared_ptr<FSResultArray>>& published,
                            const std::shared_ptr<ResultArray>& list) {
        const auto previous = published.value();
        published = FSResultArray::create(list->snapshot());
        releaseOffMainThread(previous);
    };
    replace(spotlightResultsComplete, queryResultsComplete.value());
    // The core's lists were worked out against the complete list of the
    // processing before, the one published here last time: the set of
    // results changed exactly when something was added or removed.
    if (queryResultsAdded.value()->isEmpty() && queryResultsRemoved.value()->isEmpty()) return;
    replace(spotlightResultsUnchanged, queryResultsUnchanged.value());
    replace(spotlightResultsRemoved, queryResultsRemoved.value());
    replace(spotlightResultsAdded, queryResultsAdded.value());
}

}  // namespace frelt
