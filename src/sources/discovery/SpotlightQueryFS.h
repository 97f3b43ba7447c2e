#pragma once
// The query for items of the file system: after every processing of the core
// it publishes the core's complete list as its own, and then what is
// unchanged, removed and added since the processing before, in that order,
// but only when the set of results changed. Its lists share the core's
// elements: publishing tens of thousands of results copies none of them.

#include <memory>
#include <optional>
#include <string>

#include "platform/foundation/Published.h"
#include "sources/discovery/SpotlightQueryCore.h"

namespace frelt {

using SpotlightFSResult = SpotlightResult;

class SpotlightQueryFS : public SpotlightQueryCore {
public:
    using FSResultArray = SynchronizedArray<SpotlightFSResult>;

    SpotlightQueryFS();
    ~SpotlightQueryFS() override;

    platform::Published<std::shared_ptr<FSResultArray>> spotlightResultsComplete{FSResultArray::create()};
    platform::Published<std::shared_ptr<FSResultArray>> spotlightResultsUnchanged{FSResultArray::create()};
    platform::Published<std::shared_ptr<FSResultArray>> spotlightResultsAdded{FSResultArray::create()};
    platform::Published<std::shared_ptr<FSResultArray>> spotlightResultsRemoved{FSResultArray::create()};

private:
    void resultStateChanged(SpotlightQueryResultState state);

    platform::Subscription spotlightQuerySubscriber_;
};

}  // namespace frelt
