#pragma once
// Sort descriptors and a stable sort over key-value objects.
//
// Values are ordered without any locale: texts by the Unicode scalar values
// of their canonically composed (NFC) forms, numbers and booleans
// numerically, dates by time. A missing or null value orders before every
// other value; values of different kinds order by kind (numbers, texts,
// dates, then the rest), so the order is always a strict weak order.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/KeyValueCoding.h"
#include "platform/foundation/Value.h"

namespace platform {

class SortDescriptor {
public:
    explicit SortDescriptor(std::string key, bool ascending = true) : key_(std::move(key)), ascending_(ascending) {}

    const std::string& key() const { return key_; }
    bool ascending() const { return ascending_; }
    SortDescriptor reversed() const { return SortDescriptor(key_, !ascending_); }

    // <0, 0 or >0 as `a` sorts before, with or after `b` under this descriptor.
    int compare(const KeyValueCoding& a, const KeyValueCoding& b) const;

    // The ascending order of two values, as described above.
    static int compareValues(const std::optional<Value>& a, const std::optional<Value>& b);

    // "(name, ascending, compare:)", the platform's form for log lines.
    std::string description() const;

    bool operator==(const SortDescriptor&) const = default;

private:
    std::string key_;
    bool ascending_;
};

namespace sortdetail {
// The permutation that sorts `objects` stably by `descriptors`: the first
// descriptor decides, later ones break ties, and elements that compare equal
// under all of them keep their order. Each value is read once per element.
std::vector<std::size_t> stableOrder(const std::vector<const KeyValueCoding*>& objects,
                                     const std::vector<SortDescriptor>& descriptors);
}  // namespace sortdetail

// Sorts shared key-value objects in place; a stable sort.
template <class T>
void sortStable(std::vector<std::shared_ptr<T>>& items, const std::vector<SortDescriptor>& descriptors) {
    std::vector<const KeyValueCoding*> objects;
    objects.reserve(items.size());
    for (const auto& item : items) objects.push_back(item.get());
    const auto order = sortdetail::stableOrder(objects, descriptors);
    std::vector<std::shared_ptr<T>> sorted;
    sorted.reserve(items.size());
    for (std::size_t index : order) sorted.push_back(std::move(items[index]));
    items = std::move(sorted);
}

template <class T>
std::vector<std::shared_ptr<T>> sortedStable(std::vector<std::shared_ptr<T>> items,
                                             const std::vector<SortDescriptor>& descriptors) {
    sortStable(items, descriptors);
    return items;
}

}  // namespace platform
