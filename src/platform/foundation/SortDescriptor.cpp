#include "platform/foundation/SortDescriptor.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "platform/foundation/Text.h"

namespace platform {

namespace {

// Kinds in their sort order; a missing value comes first.
enum class Rank { Missing, Number, Text, Date, Other };

Rank rankOf(const std::optional<Value>& v) {
    if (!v || v->isNull()) return Rank::Missing;
    if (v->isNumber()) return Rank::Number;
    if (v->isString()) return Rank::Text;
    if (v->isDate()) return Rank::Date;
    return Rank::Other;
}

int compareNumbers(const Value& a, const Value& b) {
    if (!a.isReal() && !b.isReal()) return Value::compareIntegers(a, b);
    const double x = *a.asDouble(), y = *b.asDouble();
    // NaN sorts before every other number, so the order stays strict and weak.
    if (std::isnan(x) || std::isnan(y)) return std::isnan(x) ? (std::isnan(y) ? 0 : -1) : 1;
    return x < y ? -1 : (x > y ? 1 : 0);
}

// Texts already in NFC compare by scalar value as plain UTF-8 bytes do.
int compareComposed(const std::string& a, const std::string& b) {
    const int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int compareSameRank(Rank rank, const Value& a, const Value& b, bool composed) {
    switch (rank) {
        case Rank::Missing:
        case Rank::Other: return 0;
        case Rank::Number: return compareNumbers(a, b);
        case Rank::Text:
            return composed ? compareComposed(*a.asString(), *b.asString())
                            : text::canonicalCompare(*a.asString(), *b.asString());
        case Rank::Date: {
            const double x = a.asDate()->secondsSinceReferenceDate, y = b.asDate()->secondsSinceReferenceDate;
            return x < y ? -1 : (x > y ? 1 : 0);
        }
    }
    return 0;
}

struct SortKey {
    Rank rank;
    Value value;  // texts are stored composed
};

}  // namespace

int SortDescriptor::compareValues(const std::optional<Value>& a, const std::optional<Value>& b) {
    const Rank ra = rankOf(a), rb = rankOf(b);
    if (ra != rb) return ra < rb ? -1 : 1;
    if (ra == Rank::Missing) return 0;
    return compareSameRank(ra, *a, *b, false);
}

int SortDescriptor::compare(const KeyValueCoding& a, const KeyValueCoding& b) const {
    const int c = compareValues(a.valueForKeyPath(key_), b.valueForKeyPath(key_));
    return ascending_ ? c : -c;
}

std::string SortDescriptor::description() const {
    return "(" + key_ + (ascending_ ? ", ascending" : ", descending") + ", compare:)";
}

std::vector<std::size_t> sortdetail::stableOrder(const std::vector<const KeyValueCoding*>& objects,
                                                 const std::vector<SortDescriptor>& descriptors) {
    const std::size_t n = objects.size(), k = descriptors.size();
    // Read and compose every key once, not once per comparison.
    std::vector<SortKey> keys;
    keys.reserve(n * k);
    for (const auto* object : objects) {
        for (const auto& descriptor : descriptors) {
            std::optional<Value> v = object ? object->valueForKeyPath(descriptor.key()) : std::nullopt;
            const Rank rank = rankOf(v);
            if (rank == Rank::Text) v = Value(text::nfc(*v->asString()));
            keys.push_back(SortKey{rank, rank == Rank::Missing ? Value() : std::move(*v)});
        }
    }
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        for (std::size_t d = 0; d < k; ++d) {
            const SortKey& a = keys[x * k + d];
            const SortKey& b = keys[y * k + d];
            int c = a.rank != b.rank ? (a.rank < b.rank ? -1 : 1) : compareSameRank(a.rank, a.value, b.value, true);
            if (!descriptors[d].ascending()) c = -c;
            if (c != 0) return c < 0;
        }
        return false;
    });
    return order;
}

}  // namespace platform
