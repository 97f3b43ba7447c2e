#pragma once
// The one way to observe anything in the platform layer: notifications,
// settings keys, published values, a window's first responder, running
// applications, event monitors, file descriptors of the run loop.
//
// A source hands back a Subscription. It is move-only and ends when it is
// dropped, cancelled or assigned over. It holds only a weak reference to its
// source, so it may outlive the source: ending it then does nothing.
//
// Ending a subscription waits for calls of its handler that are in progress
// on other threads (never for the calling thread's own: a handler may end its
// own subscription), so an object that drops its subscription in its
// destructor is never called afterwards. A handler must therefore not wait
// for a thread that is ending the same subscription.

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace platform {

class Subscription {
public:
    Subscription() = default;
    // For sources: `end(source)` runs once when the subscription ends, if the
    // source still exists then.
    template <class Source, class End>
    Subscription(std::weak_ptr<Source> source, End end)
        : end_([source = std::move(source), end = std::move(end)]() mutable {
              if (auto s = source.lock()) end(*s);
          }) {}

    Subscription(Subscription&& other) noexcept : end_(std::exchange(other.end_, nullptr)) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            cancel();
            end_ = std::exchange(other.end_, nullptr);
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { cancel(); }

    void cancel() {
        if (auto end = std::exchange(end_, nullptr)) end();
    }
    // True until cancelled, dropped into another handle or moved from.
    bool isActive() const { return end_ != nullptr; }

private:
    std::function<void()> end_;
};

namespace detail {

// Removes the element with `id` from a source's list and answers it (none
// when absent). The caller holds the list's lock.
template <class T>
std::shared_ptr<T> takeById(std::vector<std::shared_ptr<T>>& list, std::uint64_t id) {
    auto it = std::find_if(list.begin(), list.end(), [id](const auto& e) { return e->id == id; });
    if (it == list.end()) return nullptr;
    auto taken = *it;
    list.erase(it);
    return taken;
}

// Which threads are inside one observer's handler, so that ending the
// observer can wait for the calls on other threads.
class HandlerGate {
public:
    // Counts the calling thread in; false once closed.
    bool enter();
    void leave();
    // Lets no new call in and waits until no other thread is inside.
    void close();

private:
    std::mutex m_;
    std::condition_variable idle_;
    bool closed_ = false;
    std::vector<std::thread::id> inside_;
};

}  // namespace detail

// The observers of one source, for sources that deliver every event to
// every observer (as opposed to Published, which delivers the latest value).
// Handlers run on the thread that calls forEach, with no lock held; several
// threads may deliver at once.
template <class Handler>
class ObserverList {
public:
    ObserverList() : core_(std::make_shared<Core>()) {}
    ObserverList(const ObserverList&) = delete;
    ObserverList& operator=(const ObserverList&) = delete;

    [[nodiscard]] Subscription add(Handler handler) {
        auto entry = std::make_shared<Entry>();
        entry->handler = std::move(handler);
        std::lock_guard lock(core_->m);
        entry->id = core_->nextId++;
        core_->entries.push_back(entry);
        return Subscription(std::weak_ptr<Core>(core_), [id = entry->id](Core& core) { core.remove(id); });
    }

    // Calls `call(handler)` for each observer present when it starts, in the
    // order they were added, skipping those that ended meanwhile. A `call`
    // that answers bool stops the walk by answering false.
    template <class Call>
    void forEach(Call&& call) const {
        std::vector<std::shared_ptr<Entry>> snapshot;
        {
            std::lock_guard lock(core_->m);
            snapshot = core_->entries;
        }
        for (auto& entry : snapshot) {
            if (!entry->gate.enter()) continue;
            struct Leave {
                detail::HandlerGate& gate;
                ~Leave() { gate.leave(); }
            } leave{entry->gate};
            if constexpr (std::is_same_v<std::invoke_result_t<Call&, const Handler&>, bool>) {
                if (!call(entry->handler)) return;
            } else {
                call(entry->handler);
            }
        }
    }

    std::size_t size() const {
        std::lock_guard lock(core_->m);
        return core_->entries.size();
    }

    // Ends every subscription, waiting as cancelling each would.
    void clear() {
        std::vector<std::shared_ptr<Entry>> gone;
        {
            std::lock_guard lock(core_->m);
            gone.swap(core_->entries);
        }
        for (auto& entry : gone) entry->gate.close();
    }

private:
    struct Entry {
        std::uint64_t id = 0;
        Handler handler;
        detail::HandlerGate gate;
    };
    struct Core {
        mutable std::mutex m;
        std::vector<std::shared_ptr<Entry>> entries;
        std::uint64_t nextId = 1;

        void remove(std::uint64_t id) {
            std::shared_ptr<Entry> gone;
            {
                std::lock_guard lock(m);
                gone = detail::takeById(entries, id);
            }
            if (gone) gone->gate.close();
        }
    };

    std::shared_ptr<Core> core_;
};

}  // namespace platform
