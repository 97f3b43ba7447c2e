#pragma once
// A set of non-negative row or column indexes, kept sorted, as a value.

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <vector>

namespace platform {

class IndexSet {
public:
    IndexSet() = default;
    IndexSet(std::initializer_list<long> indexes) {
        for (long i : indexes) add(i);
    }
    static IndexSet withIndex(long index) { return IndexSet{index}; }
    // [location, location + length).
    static IndexSet withRange(long location, long length) {
        IndexSet s;
        for (long i = 0; i < length; ++i) s.indexes_.push_back(location + i);
        return s;
    }

    bool empty() const { return indexes_.empty(); }
    std::size_t count() const { return indexes_.size(); }
    bool contains(long index) const { return std::binary_search(indexes_.begin(), indexes_.end(), index); }
    std::optional<long> firstIndex() const {
        return indexes_.empty() ? std::nullopt : std::optional<long>(indexes_.front());
    }
    std::optional<long> lastIndex() const {
        return indexes_.empty() ? std::nullopt : std::optional<long>(indexes_.back());
    }
    // Negative indexes are ignored.
    void add(long index) {
        if (index < 0) return;
        auto it = std::lower_bound(indexes_.begin(), indexes_.end(), index);
        if (it == indexes_.end() || *it != index) indexes_.insert(it, index);
    }
    void add(const IndexSet& other) {
        for (long i : other.indexes_) add(i);
    }
    void remove(long index) {
        auto it = std::lower_bound(indexes_.begin(), indexes_.end(), index);
        if (it != indexes_.end() && *it == index) indexes_.erase(it);
    }
    void removeAll() { indexes_.clear(); }
    // Drops the indexes at or above `limit`.
    void removeFrom(long limit) {
        indexes_.erase(std::lower_bound(indexes_.begin(), indexes_.end(), limit), indexes_.end());
    }
    // Moves every index at or above `index` by `delta`; a negative delta
    // first drops the indexes in [index + delta, index) that it moves onto.
    void shiftIndexesStartingAt(long index, long delta);

    std::vector<long>::const_iterator begin() const { return indexes_.begin(); }
    std::vector<long>::const_iterator end() const { return indexes_.end(); }
    const std::vector<long>& indexes() const { return indexes_; }

    bool operator==(const IndexSet&) const = default;

private:
    std::vector<long> indexes_;
};

inline void IndexSet::shiftIndexesStartingAt(long index, long delta) {
    std::vector<long> result;
    result.reserve(indexes_.size());
    for (long i : indexes_) {
        if (i >= index) {
            if (i + delta >= 0) result.push_back(i + delta);
        } else if (delta >= 0 || i < index + delta) {
            result.push_back(i);
        }
    }
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    indexes_ = std::move(result);
}

}  // namespace platform
