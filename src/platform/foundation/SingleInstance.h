#pragma once
// Process-wide single instances, made lazily on first use and registered so
// that tests can tear them all down (in reverse order of creation) between
// cases.
//
//   std::shared_ptr<DataStorage> DataStorage::shared() {
//       return platform::singleInstance<DataStorage>([] { return std::shared_ptr<DataStorage>(new DataStorage); });
//   }
//
// The factory runs without any lock held, so it may use other single
// instances, and another thread asking meanwhile waits for the same object.
// A factory that asks for the very instance it is making would get a second
// one; that throws std::logic_error naming the type instead.
//
// Settings that a test may change and the next must not see (a presenter, a
// factory, a fault injector) live in a ResettableValue, which the same reset
// returns to its default.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <typeinfo>
#include <utility>

namespace platform {

namespace singleinstance {
// Records a made instance with the function that forgets it.
void registerReset(std::function<void()> reset);
// Forgets every instance, newest first. Instances still referenced elsewhere
// live on until those references go.
void resetAll();
// The readable name of a type, for messages.
std::string typeName(const std::type_info& type);
}  // namespace singleinstance

template <class T>
std::shared_ptr<T> singleInstance(const std::function<std::shared_ptr<T>()>& make) {
    struct Slot {
        std::mutex m;
        std::condition_variable made;
        std::shared_ptr<T> instance;
        std::optional<std::thread::id> maker;  // the thread running the factory
    };
    static auto* slot = new Slot;
    std::unique_lock lock(slot->m);
    for (;;) {
        if (slot->instance) return slot->instance;
        if (!slot->maker) break;
        if (*slot->maker == std::this_thread::get_id())
            throw std::logic_error("the factory of the single instance " + singleinstance::typeName(typeid(T)) +
                                   " asked for that instance while making it");
        slot->made.wait(lock);
    }
    slot->maker = std::this_thread::get_id();
    lock.unlock();
    std::shared_ptr<T> made;
    try {
        made = make();
    } catch (...) {
        lock.lock();
        slot->maker.reset();
        slot->made.notify_all();
        throw;
    }
    lock.lock();
    slot->maker.reset();
    slot->instance = made;
    slot->made.notify_all();
    lock.unlock();
    singleinstance::registerReset([] {
        std::shared_ptr<T> old;
        std::lock_guard l(slot->m);
        old.swap(slot->instance);
    });
    return made;
}

// A process-wide setting that is reset with the single instances. `Tag`
// tells settings of the same value type apart. get() hands out a copy, so a
// function kept here is never called under the setting's lock.
template <class Tag, class T>
class ResettableValue {
public:
    static T get() {
        auto h = holder();
        std::lock_guard lock(h->m);
        return h->value;
    }
    static void set(T value) {
        auto h = holder();
        T old;
        {
            std::lock_guard lock(h->m);
            old = std::exchange(h->value, std::move(value));
        }
    }

private:
    struct Holder {
        std::mutex m;
        T value{};
    };
    static std::shared_ptr<Holder> holder() {
        return singleInstance<Holder>([] { return std::make_shared<Holder>(); });
    }
};

}  // namespace platform
