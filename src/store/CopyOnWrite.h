#pragma once
// A value shared with readers until the next change: readers take a reference
// to the current content (a snapshot) for free, and a change copies the content
// only while some reader still holds a snapshot of it. The synchronized
// containers keep their content in one so that a loop over a large list, or a
// result built from it, copies nothing.
//
// Not thread-safe by itself: the owner calls snapshot() and read() only where
// no change can run at the same time, and edit() only where it runs alone (a
// read block and a barrier block of the owner's queue).

#include <memory>
#include <utility>

namespace frelt {

template <class T>
class CopyOnWrite {
public:
    CopyOnWrite() : content_(std::make_shared<T>()) {}
    explicit CopyOnWrite(T value) : content_(std::make_shared<T>(std::move(value))) {}
    // Shares a snapshot: the first change makes a copy, as it would while a
    // reader held it, so the snapshot itself never changes.
    explicit CopyOnWrite(std::shared_ptr<const T> shared) : content_(std::const_pointer_cast<T>(std::move(shared))) {}

    const T& read() const { return *content_; }
    std::shared_ptr<const T> snapshot() const { return content_; }

    // The content, ready to be changed in place.
    T& edit() {
        if (!unshared()) content_ = std::make_shared<T>(*content_);
        return *content_;
    }

    void replace(T value) {
        if (unshared()) *content_ = std::move(value);
        else content_ = std::make_shared<T>(std::move(value));
    }

private:
    bool unshared() const {
        // use_count() is a relaxed load, which alone would not order this
        // change after the last reads of a reader that has just let its
        // snapshot go. Copying the pointer is an acquire-release increment of
        // the same counter: it reads the latest count and synchronises with
        // every release of a snapshot before it.
        const std::shared_ptr<T> probe = content_;
        return probe.use_count() == 2;
    }

    std::shared_ptr<T> content_;
};

}  // namespace frelt
