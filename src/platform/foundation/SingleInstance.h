#pragma once
// Process-wide single instances, made lazily on first use and registered so
// that tests can tear them all down (in reverse order of creation) between
// cases.
//
//   std::shared_ptr<DataStorage> DataStorage::shared() {
//       return platform::singleInstance<DataStorage>([] { return std::shared_ptr<DataStorage>(new DataStorage); });
//   }

#include <functional>
#include <memory>
#include <mutex>

namespace platform {

namespace singleinstance {
// Records a made instance with the function that forgets it.
void registerReset(std::function<void()> reset);
// Forgets every instance, newest first. Instances still referenced elsewhere
// live on until those references go.
void resetAll();
}  // namespace singleinstance

template <class T>
std::shared_ptr<T> singleInstance(const std::function<std::shared_ptr<T>()>& make) {
    struct Slot {
        std::recursive_mutex m;
        std::shared_ptr<T> instance;
    };
    static auto* slot = new Slot;
    std::lock_guard lock(slot->m);
    if (!slot->instance) {
        auto made = make();
        if (!slot->instance) {
            slot->instance = std::move(made);
            singleinstance::registerReset([] {
                std::shared_ptr<T> old;
                std::lock_guard l(slot->m);
                old.swap(slot->instance);
            });
        }
    }
    return slot->instance;
}


}  // namespace platform
