#include "sources/discovery/SpotlightQueryFS.h"

#include <unordered_set>

namespace frelt {

SpotlightQueryFS::SpotlightQueryFS() {
    // Ended by the destructor before any list goes.
    spotlightQuerySubscriber_ = resultState.subscribe([this](const SpotlightQueryResultState& s) { resultStateChanged(s); });
}

SpotlightQueryFS::~SpotlightQueryFS() { spotlightQuerySubscriber_.cancel(); }

void SpotlightQueryFS::resultStateChanged(SpotlightQueryResultState state) {
    if (state != SpotlightQueryResultState::finishedProcessing) return;
    std::vector<SpotlightFSResult> fresh;
    for (const auto& r : *queryResultsComplete.value()->snapshot()) fresh.emplace_back(r);

    const auto complete = spotlightResultsComplete.value();
    complete->removeAll();
    complete->appendContentsOf(fresh);
    // The same list again: its subscribers hear of every refill.
    spotlightResultsComplete = complete;

    if (!complete->hasSameElements(*previousSpotlightResultsComplete)) {
        const auto previousList = previousSpotlightResultsComplete->snapshot();
        const std::unordered_set<SpotlightFSResult> previous(previousList->begin(), previousList->end());
        const std::unordered_set<SpotlightFSResult> current(fresh.begin(), fresh.end());
        std::vector<SpotlightFSResult> unchanged, added, removed;
        std::unordered_set<SpotlightFSResult> placed;
        for (const auto& r : fresh) {
            if (!placed.insert(r).second) continue;
            (previous.count(r) ? unchanged : added).push_back(r);
        }
        for (const auto& r : *previousList)
            if (!current.count(r) && placed.insert(r).second) removed.push_back(r);
        spotlightResultsUnchanged = FSResultArray::create(std::move(unchanged));
        spotlightResultsRemoved = FSResultArray::create(std::move(removed));
        spotlightResultsAdded = FSResultArray::create(std::move(added));
    }

    previousSpotlightResultsComplete->removeAll();
    previousSpotlightResultsComplete->appendContentsOf(std::move(fresh));
}

}  // namespace frelt
