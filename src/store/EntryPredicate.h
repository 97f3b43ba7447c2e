#pragma once
// A filter's test of an entry in two forms: the predicate as it is written
// (its format text is what the log shows and what the configuration window's
// filter reads as), and the same test written against the entry's own
// fields, which is what the filters run for every entry of the store. Going
// through key-value access by name for every field of every entry made a
// rebuild many times slower than the work itself.
//
// A predicate given alone (a caller's own) is evaluated through key-value
// access as before.

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/foundation/Predicate.h"
#include "store/TableViewItem.h"

namespace frelt {

class EntryPredicate {
public:
    using Test = std::function<bool(const TableViewItem&)>;

    // Evaluated through key-value access. Implicit: a plain predicate may
    // stand wherever an entry predicate is expected.
    EntryPredicate(platform::Predicate predicate)  // NOLINT(google-explicit-constructor)
        : predicate_(std::move(predicate)) {}
    // `test` must give the answer `predicate` gives for every entry.
    EntryPredicate(platform::Predicate predicate, Test test)
        : predicate_(std::move(predicate)), test_(std::move(test)) {}

    const platform::Predicate& predicate() const { return predicate_; }
    std::string predicateFormat() const { return predicate_.predicateFormat(); }

    bool evaluate(const TableViewItem& entry) const {
        return test_ ? test_(entry) : predicate_.evaluate(static_cast<const platform::KeyValueCoding&>(entry));
    }
    // The entries that pass, in their order; null entries never do.
    std::vector<TableViewItem::Ptr> filtered(const std::vector<TableViewItem::Ptr>& entries) const {
        std::vector<TableViewItem::Ptr> out;
        for (const auto& entry : entries)
            if (entry && evaluate(*entry)) out.push_back(entry);
        return out;
    }

    // The compounds, in both forms; members are tested in order and the
    // first that decides ends the test, as the predicate's evaluation does.
    static EntryPredicate andPredicate(std::vector<EntryPredicate> members);
    static EntryPredicate notPredicate(EntryPredicate member);

private:
    platform::Predicate predicate_;
    Test test_;
};

}  // namespace frelt
