#pragma once
// The query for items of the file system: after every processing of the core
// it copies the core's complete list into its own, compares it with the list
// of the processing before, and publishes what is unchanged, removed and
// added, in that order, but only when the set of results changed. The
// complete list is one list object, refilled in place at every processing.

#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Published.h"
#include "sources/discovery/SpotlightQueryCore.h"

namespace frelt {

struct SpotlightFSResult {
    std::optional<std::string> path;
    std::optional<std::string> displayname;
    std::optional<platform::Date> lastUsedDate;

    SpotlightFSResult() = default;
    explicit SpotlightFSResult(const SpotlightResult& r)
        : path(r.path), displayname(r.displayname), lastUsedDate(r.lastUsedDate) {}
    bool operator==(const SpotlightFSResult& other) const {
        return path == other.path && displayname == other.displayname;
    }
    std::string description() const { return path.value_or("nil") + " - " + displayname.value_or("nil"); }
};

}  // namespace frelt

template <>
struct std::hash<frelt::SpotlightFSResult> {
    std::size_t operator()(const frelt::SpotlightFSResult& r) const noexcept {
        return frelt::hashOfResult(r.path, r.displayname);
    }
};

namespace frelt {

class SpotlightQueryFS : public SpotlightQueryCore {
public:
    using FSResultArray = SynchronizedArray<SpotlightFSResult>;

    SpotlightQueryFS();
    ~SpotlightQueryFS() override;

    const std::shared_ptr<FSResultArray> previousSpotlightResultsComplete = FSResultArray::create();
    // One list object for good, refilled at every processing.
    platform::Published<std::shared_ptr<FSResultArray>> spotlightResultsComplete{FSResultArray::create()};
    platform::Published<std::shared_ptr<FSResultArray>> spotlightResultsUnchanged{FSResultArray::create()};
    platform::Published<std::shared_ptr<FSResultArray>> spotlightResultsAdded{FSResultArray::create()};
    platform::Published<std::shared_ptr<FSResultArray>> spotlightResultsRemoved{FSResultArray::create()};

private:
    void resultStateChanged(SpotlightQueryResultState state);

    platform::Subscription spotlightQuerySubscriber_;
};

}  // namespace frelt
