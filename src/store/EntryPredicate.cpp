#include "store/EntryPredicate.h"

namespace frelt {

EntryPredicate EntryPredicate::andPredicate(std::vector<EntryPredicate> members) {
    std::vector<platform::Predicate> predicates;
    predicates.reserve(members.size());
    for (const auto& member : members) predicates.push_back(member.predicate_);
    auto shared = std::make_shared<const std::vector<EntryPredicate>>(std::move(members));
    return {platform::Predicate::andPredicate(std::move(predicates)), [shared](const TableViewItem& entry) {
                for (const auto& member : *shared)
                    if (!member.evaluate(entry)) return false;
                return true;
            }};
}

EntryPredicate EntryPredicate::notPredicate(EntryPredicate member) {
    platform::Predicate negated = platform::Predicate::notPredicate(member.predicate_);
    return {std::move(negated), [member = std::move(member)](const TableViewItem& entry) { return !member.evaluate(entry); }};
}

}  // namespace frelt
