#pragma once
// An ordered list that any thread may read and change. Each container owns a
// concurrent queue: reads are synchronous blocks on it and may overlap; changes
// are asynchronous barrier blocks that run alone, in the order issued, so a
// writer never waits and a read issued after a write sees it.
//
// Blocks handed to reading members (predicates, orderings, transforms, loop
// bodies) run on the calling thread over a snapshot taken in one read, outside
// the queue: they may read or change this container freely, and what they see
// is the list as it was when the member was called. The predicate of
// removeAllWhere() runs inside the exclusive change and must not read this
// container.
//
// A change still waiting on the queue holds the container only weakly: if its
// last owner let it go, the change finds it gone and does nothing. Completions
// run later on the main queue; other changes may have landed by then.
//
// Snapshots are free: the content is shared with readers and copied only when
// it changes while a snapshot of it is still held.
//
// Containers are made with create() and held by std::shared_ptr; handing one
// on shares the same content. A sequence of calls is not atomic as a whole.

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <ranges>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/dispatch/Dispatch.h"
#include "platform/foundation/Paths.h"
#include "store/CopyOnWrite.h"
#include "store/LogFormat.h"

namespace frelt {

template <class Element>
class SynchronizedArray : public std::enable_shared_from_this<SynchronizedArray<Element>> {
    struct Passkey {
        explicit Passkey() = default;
    };

public:
    using Content = std::vector<Element>;
    using Snapshot = std::shared_ptr<const Content>;
    using Completion = std::function<void()>;
    using ElementCompletion = std::function<void(std::optional<Element>)>;
    using ElementsCompletion = std::function<void(Content)>;
    using Queue = platform::dispatch::Queue;

    static std::shared_ptr<SynchronizedArray> create() { return std::make_shared<SynchronizedArray>(Passkey{}, Content{}); }
    static std::shared_ptr<SynchronizedArray> create(Content elements) {
        return std::make_shared<SynchronizedArray>(Passkey{}, std::move(elements));
    }

    // A container that starts with a snapshot's elements, sharing them until
    // either side changes: no copy of a long list.
    static std::shared_ptr<SynchronizedArray> create(Snapshot elements) {
        return std::make_shared<SynchronizedArray>(Passkey{}, std::move(elements));
    }

    SynchronizedArray(Passkey, Content elements)
        : queue_(Queue::makeConcurrent(queueLabel())), array_(std::move(elements)) {}
    SynchronizedArray(Passkey, Snapshot elements)
        : queue_(Queue::makeConcurrent(queueLabel())), array_(std::move(elements)) {}
    SynchronizedArray(const SynchronizedArray&) = delete;
    SynchronizedArray& operator=(const SynchronizedArray&) = delete;

    // The same label for every container: the application's identifier
    // followed by ".SynchronizedArray".
    static std::string queueLabel() { return std::string(platform::Paths::bundleIdentifier) + ".SynchronizedArray"; }
    const std::shared_ptr<Queue>& queue() const { return queue_; }

    // ---- Reading -------------------------------------------------------

    // The list as it is now, in one read; later changes do not reach it.
    Snapshot snapshot() const {
        return queue_->syncValue([this] { return array_.snapshot(); });
    }
    Content toVector() const { return *snapshot(); }

    // Counts the changes applied so far: equal versions mean equal content,
    // so whatever a caller derived from a snapshot stays good while the
    // version stays the same.
    std::uint64_t version() const {
        return queue_->syncValue([this] { return version_; });
    }
    // The list and its version, read together.
    std::pair<Snapshot, std::uint64_t> versionedSnapshot() const {
        return queue_->syncValue([this] { return std::make_pair(array_.snapshot(), version_); });
    }

    std::size_t count() const {
        return queue_->syncValue([this] { return array_.read().size(); });
    }
    bool isEmpty() const { return count() == 0; }
    auto indices() const { return std::views::iota(std::size_t{0}, count()); }

    // The element at `index`, none outside 0 ..< count (never a failure).
    std::optional<Element> operator[](std::ptrdiff_t index) const {
        return queue_->syncValue([&]() -> std::optional<Element> {
            const Content& a = array_.read();
            if (index < 0 || index >= std::ssize(a)) return std::nullopt;
            return a[static_cast<std::size_t>(index)];
        });
    }

    std::optional<Element> first() const { return (*this)[0]; }
    std::optional<Element> last() const {
        return queue_->syncValue([this]() -> std::optional<Element> {
            const Content& a = array_.read();
            if (a.empty()) return std::nullopt;
            return a.back();
        });
    }

    template <std::predicate<const Element&> Predicate>
    std::optional<Element> firstWhere(Predicate&& predicate) const {
        const Snapshot s = snapshot();
        auto it = std::find_if(s->begin(), s->end(), std::ref(predicate));
        if (it == s->end()) return std::nullopt;
        return *it;
    }

    template <std::predicate<const Element&> Predicate>
    std::optional<Element> lastWhere(Predicate&& predicate) const {
        const Snapshot s = snapshot();
        auto it = std::find_if(s->rbegin(), s->rend(), std::ref(predicate));
        if (it == s->rend()) return std::nullopt;
        return *it;
    }

    template <std::predicate<const Element&> Predicate>
    std::optional<std::size_t> firstIndexWhere(Predicate&& predicate) const {
        const Snapshot s = snapshot();
        auto it = std::find_if(s->begin(), s->end(), std::ref(predicate));
        if (it == s->end()) return std::nullopt;
        return static_cast<std::size_t>(it - s->begin());
    }

    template <std::predicate<const Element&> Predicate>
    bool containsWhere(Predicate&& predicate) const {
        const Snapshot s = snapshot();
        return std::any_of(s->begin(), s->end(), std::ref(predicate));
    }

    bool contains(const Element& element) const requires std::equality_comparable<Element> {
        const Snapshot s = snapshot();
        return std::find(s->begin(), s->end(), element) != s->end();
    }

    template <std::predicate<const Element&> Predicate>
    bool allSatisfy(Predicate&& predicate) const {
        const Snapshot s = snapshot();
        return std::all_of(s->begin(), s->end(), std::ref(predicate));
    }

    // A new, independent container with the matching elements in order.
    template <std::predicate<const Element&> Predicate>
    std::shared_ptr<SynchronizedArray> filter(Predicate&& predicate) const {
        const Snapshot s = snapshot();
        Content out;
        std::copy_if(s->begin(), s->end(), std::back_inserter(out), std::ref(predicate));
        return create(std::move(out));
    }

    // A new, independent container in the order `areInIncreasingOrder`
    // gives; stable: elements it does not separate keep their order.
    template <class Ordering>
        requires std::predicate<Ordering&, const Element&, const Element&>
    std::shared_ptr<SynchronizedArray> sorted(Ordering&& areInIncreasingOrder) const {
        Content out = toVector();
        std::stable_sort(out.begin(), out.end(), std::ref(areInIncreasingOrder));
        return create(std::move(out));
    }

    // A new, independent container with the first n elements (all of them
    // when n exceeds count, none when n is not positive).
    std::shared_ptr<SynchronizedArray> prefix(std::ptrdiff_t n) const {
        const Snapshot s = snapshot();
        const auto take = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(n, 0, std::ssize(*s)));
        return create(Content(s->begin(), s->begin() + static_cast<std::ptrdiff_t>(take)));
    }

    template <class Transform>
    auto map(Transform&& transform) const {
        using Result = std::decay_t<std::invoke_result_t<Transform&, const Element&>>;
        const Snapshot s = snapshot();
        std::vector<Result> out;
        out.reserve(s->size());
        for (const Element& e : *s) out.push_back(transform(e));
        return out;
    }

    // Like map(), leaving out absent results (transform returns an optional).
    template <class Transform>
    auto compactMap(Transform&& transform) const {
        using Optional = std::decay_t<std::invoke_result_t<Transform&, const Element&>>;
        const Snapshot s = snapshot();
        std::vector<typename Optional::value_type> out;
        for (const Element& e : *s) {
            if (auto v = transform(e)) out.push_back(std::move(*v));
        }
        return out;
    }

    // Calls `body` once per element, in order, over one snapshot.
    template <class Body>
    void forEach(Body&& body) const {
        const Snapshot s = snapshot();
        for (const Element& e : *s) body(e);
    }

    template <class Result, class Combine>
    Result reduce(Result initial, Combine&& nextPartialResult) const {
        const Snapshot s = snapshot();
        for (const Element& e : *s) initial = nextPartialResult(std::move(initial), e);
        return initial;
    }

    template <class Result, class Update>
    Result reduceInto(Result initial, Update&& updateAccumulatingResult) const {
        const Snapshot s = snapshot();
        for (const Element& e : *s) updateAccumulatingResult(initial, e);
        return initial;
    }

    // True when both hold the same distinct elements, whatever their order
    // and repetitions. Each side is read through its own queue.
    bool hasSameElements(const SynchronizedArray& other) const requires requires(const Element& e) {
        std::hash<Element>{}(e);
    }
    {
        const Snapshot mine = snapshot();
        const Snapshot theirs = other.snapshot();
        if (mine == theirs) return true;
        const Content& a = *mine;
        const Content& b = *theirs;
        // The usual answers are cheap. A list compared with one made the same
        // way holds the same elements in the same order; a list that a search
        // narrowed or widened is the other with elements left out or added,
        // so the first place where the two part holds an element that one of
        // them lacks. A walk of the lists settles both without building sets
        // (which cost more than the search itself on long lists).
        const auto [inA, inB] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
        if (inA == a.end() && inB == b.end()) return true;
        if (inA != a.end() && std::find(b.begin(), b.end(), *inA) == b.end()) return false;
        if (inB != b.end() && std::find(a.begin(), a.end(), *inB) == a.end()) return false;
        // Reordered or repeated elements: only the sets can tell.
        const std::unordered_set<Element> setA(a.begin(), a.end());
        const std::unordered_set<Element> setB(b.begin(), b.end());
        return setA == setB;
    }

    // "[a, b, c]", each element as describe() shows it.
    std::string description() const { return describe(*snapshot()); }

    // ---- Iteration: over the list as it was when the loop began ----------

    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Element;
        using difference_type = std::ptrdiff_t;
        using pointer = const Element*;
        using reference = const Element&;

        Iterator() = default;
        Iterator(Snapshot snapshot, std::size_t index) : snapshot_(std::move(snapshot)), index_(index) {}

        reference operator*() const { return (*snapshot_)[index_]; }
        pointer operator->() const { return &(*snapshot_)[index_]; }
        Iterator& operator++() {
            ++index_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator old = *this;
            ++index_;
            return old;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) {
            return a.snapshot_ == b.snapshot_ && a.index_ == b.index_;
        }
        friend bool operator==(const Iterator& it, std::default_sentinel_t) {
            return !it.snapshot_ || it.index_ >= it.snapshot_->size();
        }

    private:
        Snapshot snapshot_;
        std::size_t index_ = 0;
    };

    Iterator begin() const { return Iterator(snapshot(), 0); }
    std::default_sentinel_t end() const { return {}; }

    // ---- Writing: queued, applied in order, never waited for -------------

    void append(Element element, Completion completion = {}) {
        submit([element = std::move(element), completion](SynchronizedArray* self) {
            if (self) self->array_.edit().push_back(element);
            deliver(completion);
        });
    }

    // As append(), but applied on the calling thread before it returns (after
    // the changes issued before it): for a caller that reads the list again
    // at once, as one adding entries one by one does, and would otherwise
    // wait for a worker thread to pick up each change.
    void appendNow(Element element) {
        queue_->syncBarrier([&] {
            array_.edit().push_back(std::move(element));
            ++version_;
        });
    }

    void appendContentsOf(Content elements, Completion completion = {}) {
        submit([elements = std::move(elements), completion](SynchronizedArray* self) {
            if (self && !elements.empty()) {
                Content& a = self->array_.edit();
                a.insert(a.end(), elements.begin(), elements.end());
            }
            deliver(completion);
        });
    }

    // Takes the other container's elements as they are now (the container
    // itself included: its content is then appended once more).
    void appendContentsOf(const SynchronizedArray& other, Completion completion = {}) {
        appendContentsOf(other.toVector(), std::move(completion));
    }

    // Empties the list; the completion receives what it held.
    void removeAll(ElementsCompletion completion = {}) {
        submit([completion](SynchronizedArray* self) {
            if (!self) return;
            const Snapshot old = self->array_.snapshot();
            self->array_.replace(Content{});
            if (completion) deliver(completion, Content(*old));
        });
    }

    // Removes the element at `index` when the index is valid as the change
    // runs; otherwise nothing changes and the completion receives none. An
    // index fetched earlier may meanwhile point at another element: to remove
    // a particular element, removeAllWhere() matches it in the same step.
    void removeAt(std::ptrdiff_t index, ElementCompletion completion = {}) {
        submit([index, completion](SynchronizedArray* self) {
            if (!self) return;
            std::optional<Element> removed;
            if (index >= 0 && index < std::ssize(self->array_.read())) {
                Content& a = self->array_.edit();
                removed = std::move(a[static_cast<std::size_t>(index)]);
                a.erase(a.begin() + index);
            }
            deliver(completion, std::move(removed));
        });
    }

    // Removes every matching element; the others keep their order. The
    // completion receives the removed ones in their former order.
    template <std::predicate<const Element&> Predicate>
    void removeAllWhere(Predicate predicate, ElementsCompletion completion = {}) {
        submit([predicate = std::move(predicate), completion](SynchronizedArray* self) mutable {
            if (!self) return;
            Content removed;
            const Content& current = self->array_.read();
            // The predicate sees each element once; the list is copied (for a
            // reader's snapshot) only when something matches.
            const auto firstMatch = std::find_if(current.begin(), current.end(), std::ref(predicate));
            if (firstMatch != current.end()) {
                const auto from = firstMatch - current.begin();
                Content& a = self->array_.edit();
                removed.push_back(std::move(a[static_cast<std::size_t>(from)]));
                auto out = a.begin() + from;
                for (auto in = out + 1; in != a.end(); ++in) {
                    if (predicate(std::as_const(*in))) removed.push_back(std::move(*in));
                    else *out++ = std::move(*in);
                }
                a.erase(out, a.end());
            }
            deliver(completion, std::move(removed));
        });
    }

    // Removes the first element equal to `element`, if any.
    void remove(const Element& element, Completion completion = {}) requires std::equality_comparable<Element> {
        submit([element, completion](SynchronizedArray* self) {
            if (!self) return;
            const Content& current = self->array_.read();
            auto it = std::find(current.begin(), current.end(), element);
            if (it != current.end()) {
                const auto at = it - current.begin();
                Content& a = self->array_.edit();
                a.erase(a.begin() + at);
            }
            deliver(completion);
        });
    }

    // Replaces the element at `index` when a value is given and the index is
    // valid as the change runs; otherwise nothing changes.
    void set(std::ptrdiff_t index, std::optional<Element> value) {
        submit([index, value = std::move(value)](SynchronizedArray* self) {
            if (!self || !value || index < 0 || index >= std::ssize(self->array_.read())) return;
            self->array_.edit()[static_cast<std::size_t>(index)] = *value;
        });
    }

    // Inserts at 0 ... count (as the change runs); another index changes
    // nothing.
    void insert(Element element, std::ptrdiff_t index, Completion completion = {}) {
        submit([element = std::move(element), index, completion](SynchronizedArray* self) {
            if (self && index >= 0 && index <= std::ssize(self->array_.read())) {
                Content& a = self->array_.edit();
                a.insert(a.begin() + index, element);
            }
            deliver(completion);
        });
    }

    // The completion receives the removed element, none when the list was
    // empty.
    void removeFirst(ElementCompletion completion = {}) {
        submit([completion](SynchronizedArray* self) {
            std::optional<Element> removed;
            if (self && !self->array_.read().empty()) {
                Content& a = self->array_.edit();
                removed = std::move(a.front());
                a.erase(a.begin());
            }
            deliver(completion, std::move(removed));
        });
    }

    void removeLast(ElementCompletion completion = {}) {
        submit([completion](SynchronizedArray* self) {
            std::optional<Element> removed;
            if (self && !self->array_.read().empty()) {
                Content& a = self->array_.edit();
                removed = std::move(a.back());
                a.pop_back();
            }
            deliver(completion, std::move(removed));
        });
    }

    // Remove k elements from the front or the back when 0 <= k <= count;
    // otherwise nothing changes. The completion runs either way.
    void removeFirst(std::ptrdiff_t k, Completion completion = {}) {
        submit([k, completion](SynchronizedArray* self) {
            if (self && k > 0 && k <= std::ssize(self->array_.read())) {
                Content& a = self->array_.edit();
                a.erase(a.begin(), a.begin() + k);
            }
            deliver(completion);
        });
    }

    void removeLast(std::ptrdiff_t k, Completion completion = {}) {
        submit([k, completion](SynchronizedArray* self) {
            if (self && k > 0 && k <= std::ssize(self->array_.read())) {
                Content& a = self->array_.edit();
                a.erase(a.end() - k, a.end());
            }
            deliver(completion);
        });
    }

    // Keeps the first n elements when 0 <= n <= count; otherwise nothing
    // changes.
    void keepFirst(std::ptrdiff_t n) {
        submit([n](SynchronizedArray* self) {
            if (self && n >= 0 && n < std::ssize(self->array_.read())) {
                self->array_.edit().resize(static_cast<std::size_t>(n));
            }
        });
    }

    SynchronizedArray& operator+=(Element element) {
        append(std::move(element));
        return *this;
    }
    SynchronizedArray& operator+=(Content elements) {
        appendContentsOf(std::move(elements));
        return *this;
    }
    SynchronizedArray& operator-=(const Element& element) requires std::equality_comparable<Element> {
        remove(element);
        return *this;
    }

private:
    // Queues `change` as a barrier block holding this container weakly; the
    // change receives the container, or null when it has gone.
    template <class Change>
    void submit(Change change) {
        queue_->asyncBarrier([weak = this->weak_from_this(), change = std::move(change)]() mutable {
            const std::shared_ptr<SynchronizedArray> self = weak.lock();
            change(self.get());
            if (self) ++self->version_;
        });
    }

    static void deliver(const Completion& completion) {
        if (completion) Queue::main()->async(completion);
    }

    template <class Value>
    static void deliver(const std::function<void(Value)>& completion, Value value) {
        if (!completion) return;
        Queue::main()->async([completion, value = std::move(value)]() mutable { completion(std::move(value)); });
    }

    std::shared_ptr<Queue> queue_;
    CopyOnWrite<Content> array_;
    std::uint64_t version_ = 0;
};

}  // namespace frelt
