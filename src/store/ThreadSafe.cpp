#include "store/ThreadSafe.h"

namespace frelt {

const std::shared_ptr<platform::dispatch::Queue>& DispatchQueueManager::threadSafeQueue() {
    // Never destroyed: background work may still touch a value while the
    // process exits.
    static const auto* queue =
        new std::shared_ptr<platform::dispatch::Queue>(platform::dispatch::Queue::makeConcurrent(threadSafeQueueLabel));
    return *queue;
}

}  // namespace frelt
