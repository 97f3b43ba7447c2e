#pragma once
// A hash map that any thread may read and change, guarded like the
// synchronized array by a concurrent queue of its own ("Dictionary Barrier
// Queue"; each map has its own queue under that label): reads are synchronous
// blocks, changes asynchronous barrier blocks applied in order. After every
// applied change the optional delegate is told, on the main thread, in the
// order of the changes.
//
// Loops (forEach, begin/end) run over one snapshot taken in one read, outside
// the queue: the loop body may read and change the map; what it sees is the
// map as it was when the loop began.
//
// A change still waiting on the queue holds the map only weakly: if the map
// has gone when it runs, nothing is applied and nobody is told. A delegate
// call already queued on the main queue keeps the map alive until it has run.

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

#include "platform/dispatch/Dispatch.h"
#include "store/CopyOnWrite.h"

namespace frelt {

class SynchronizedDictionaryDelegate {
public:
    virtual ~SynchronizedDictionaryDelegate() = default;
    // Called on the main thread after each applied change.
    virtual void synchronizedDictionaryDidChange() = 0;
};

template <class Key, class Value, class Hash = std::hash<Key>, class KeyEqual = std::equal_to<Key>>
class SynchronizedDictionary
    : public std::enable_shared_from_this<SynchronizedDictionary<Key, Value, Hash, KeyEqual>> {
    struct Passkey {
        explicit Passkey() = default;
    };

public:
    using Map = std::unordered_map<Key, Value, Hash, KeyEqual>;
    using Snapshot = std::shared_ptr<const Map>;
    using Queue = platform::dispatch::Queue;

    static constexpr const char* queueLabel = "Dictionary Barrier Queue";

    static std::shared_ptr<SynchronizedDictionary> create() {
        return std::make_shared<SynchronizedDictionary>(Passkey{});
    }

    explicit SynchronizedDictionary(Passkey) : concurrentQueue_(Queue::makeConcurrent(queueLabel)) {}
    SynchronizedDictionary(const SynchronizedDictionary&) = delete;
    SynchronizedDictionary& operator=(const SynchronizedDictionary&) = delete;

    const std::shared_ptr<Queue>& concurrentQueue() const { return concurrentQueue_; }

    // Held weakly; none after construction.
    void setDelegate(std::weak_ptr<SynchronizedDictionaryDelegate> delegate) {
        std::lock_guard lock(delegateMutex_);
        delegate_ = std::move(delegate);
    }
    std::shared_ptr<SynchronizedDictionaryDelegate> delegate() const {
        std::lock_guard lock(delegateMutex_);
        return delegate_.lock();
    }

    // ---- Reading -------------------------------------------------------

    // The value stored for `key`, none when there is none.
    std::optional<Value> get(const Key& key) const {
        return concurrentQueue_->syncValue([&]() -> std::optional<Value> {
            const Map& m = dictionary_.read();
            auto it = m.find(key);
            if (it == m.end()) return std::nullopt;
            return it->second;
        });
    }

    bool containsKey(const Key& key) const {
        return concurrentQueue_->syncValue([&] { return dictionary_.read().contains(key); });
    }

    std::size_t count() const {
        return concurrentQueue_->syncValue([this] { return dictionary_.read().size(); });
    }
    bool isEmpty() const { return count() == 0; }

    // The map as it is now, in one read; later changes do not reach it.
    Snapshot snapshot() const {
        return concurrentQueue_->syncValue([this] { return dictionary_.snapshot(); });
    }

    // Calls `body(key, value)` once per pair of one snapshot, in the map's
    // own order, on the calling thread.
    template <class Body>
    void forEach(Body&& body) const {
        const Snapshot s = snapshot();
        for (const auto& [key, value] : *s) body(key, value);
    }

    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = typename Map::value_type;
        using difference_type = std::ptrdiff_t;
        using pointer = const value_type*;
        using reference = const value_type&;

        Iterator() = default;
        explicit Iterator(Snapshot snapshot) : snapshot_(std::move(snapshot)), it_(snapshot_->begin()) {}

        reference operator*() const { return *it_; }
        pointer operator->() const { return &*it_; }
        Iterator& operator++() {
            ++it_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator old = *this;
            ++it_;
            return old;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) {
            return a.snapshot_ == b.snapshot_ && (!a.snapshot_ || a.it_ == b.it_);
        }
        friend bool operator==(const Iterator& it, std::default_sentinel_t) {
            return !it.snapshot_ || it.it_ == it.snapshot_->end();
        }

    private:
        Snapshot snapshot_;
        typename Map::const_iterator it_{};
    };

    Iterator begin() const { return Iterator(snapshot()); }
    std::default_sentinel_t end() const { return {}; }

    // ---- Writing: queued, applied in order, never waited for -------------

    // Stores `value` for `key`, or removes the key when no value is given.
    // The delegate is told even when nothing changed.
    void set(Key key, std::optional<Value> value) {
        submit([key = std::move(key), value = std::move(value)](SynchronizedDictionary& self) {
            if (value) {
                self.dictionary_.edit().insert_or_assign(key, *value);
            } else if (self.dictionary_.read().contains(key)) {
                self.dictionary_.edit().erase(key);
            }
        });
    }
    void removeValue(Key key) { set(std::move(key), std::nullopt); }

    void removeAll() {
        submit([](SynchronizedDictionary& self) { self.dictionary_.replace(Map{}); });
    }

private:
    template <class Change>
    void submit(Change change) {
        concurrentQueue_->asyncBarrier([weak = this->weak_from_this(), change = std::move(change)]() mutable {
            const std::shared_ptr<SynchronizedDictionary> self = weak.lock();
            if (!self) return;
            change(*self);
            notifyDelegate(self);
        });
    }

    static void notifyDelegate(const std::shared_ptr<SynchronizedDictionary>& self) {
        if (platform::dispatch::isMainThread()) {
            if (auto d = self->delegate()) d->synchronizedDictionaryDidChange();
            return;
        }
        Queue::main()->async([self] {
            if (auto d = self->delegate()) d->synchronizedDictionaryDidChange();
        });
    }

    mutable std::mutex delegateMutex_;
    std::weak_ptr<SynchronizedDictionaryDelegate> delegate_;
    CopyOnWrite<Map> dictionary_;
    std::shared_ptr<Queue> concurrentQueue_;
};

}  // namespace frelt
