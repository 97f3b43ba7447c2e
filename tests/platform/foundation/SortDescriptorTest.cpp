#include "platform/foundation/SortDescriptor.h"

#include <gtest/gtest.h>

#include <memory>

using platform::Date;
using platform::SortDescriptor;
using platform::Value;
using platform::ValueDictionary;

namespace {

class Item : public platform::KeyValueCoding {
public:
    Item(std::string id, ValueDictionary properties) : id(std::move(id)), properties(std::move(properties)) {}
    std::optional<Value> valueForKey(const std::string& key) const override {
        auto it = properties.find(key);
        if (it == properties.end()) return std::nullopt;
        return it->second;
    }
    std::string id;
    ValueDictionary properties;
};

using Items = std::vector<std::shared_ptr<Item>>;

std::vector<std::string> ids(const Items& items) {
    std::vector<std::string> out;
    for (const auto& i : items) out.push_back(i->id);
    return out;
}

std::shared_ptr<Item> item(std::string id, ValueDictionary properties) {
    return std::make_shared<Item>(std::move(id), std::move(properties));
}

}  // namespace

TEST(SortDescriptorTest, TextsOrderByScalarValuesAndEqualKeysKeepTheirOrder) {
    Items items = {
        item("ä", {{"name", "älpha"}}),      item("z", {{"name", "zulu"}}),
        item("b1", {{"name", "bravo"}}),     item("A", {{"name", "Alpha"}}),
        item("none", {}),                    item("b2", {{"name", "bravo"}}),
        item("e-decomposed", {{"name", "e\u0301"}}), item("e-composed", {{"name", "é"}}),
        item("null", {{"name", Value()}}),   item("b3", {{"name", "bravo"}}),
    };
    platform::sortStable(items, {SortDescriptor("name")});
    // Missing first; upper case before lower case; z before ä; canonically
    // equal texts are equal keys and keep their order.
    EXPECT_EQ(ids(items), (std::vector<std::string>{"none", "null", "A", "b1", "b2", "b3", "z", "ä", "e-decomposed",
                                                    "e-composed"}));

    platform::sortStable(items, {SortDescriptor("name", false)});
    EXPECT_EQ(ids(items), (std::vector<std::string>{"e-decomposed", "e-composed", "ä", "z", "b1", "b2", "b3", "A",
                                                    "none", "null"}));
}

TEST(SortDescriptorTest, NumbersDatesAndSeveralDescriptors) {
    Items items = {
        item("old", {{"used", Date{100}}, {"rank", 2}}),
        item("never", {{"rank", 1}}),
        item("new", {{"used", Date{500}}, {"rank", 2.5}}),
        item("mid", {{"used", Date{300}}, {"rank", true}}),
        item("never2", {{"rank", 1}}),
    };
    // Newest first; no date counts as the distant past, so those come last in their order.
    EXPECT_EQ(ids(platform::sortedStable(items, {SortDescriptor("used", false)})),
              (std::vector<std::string>{"new", "mid", "old", "never", "never2"}));
    // Numbers and booleans compare numerically across integer and real.
    EXPECT_EQ(ids(platform::sortedStable(items, {SortDescriptor("rank")})),
              (std::vector<std::string>{"never", "mid", "never2", "old", "new"}));
    // A later descriptor breaks ties of an earlier one.
    EXPECT_EQ(ids(platform::sortedStable(items, {SortDescriptor("rank"), SortDescriptor("used", false)})),
              (std::vector<std::string>{"mid", "never", "never2", "old", "new"}));
}

TEST(SortDescriptorTest, IntegersOrderExactlyAcrossTheUnsignedRange) {
    const std::uint64_t top = std::numeric_limits<std::uint64_t>::max();
    const std::int64_t bottom = std::numeric_limits<std::int64_t>::min();
    // Each pair in ascending order: integers beyond 2^63 - 1 stay above every signed one.
    const std::pair<Value, Value> ascending[] = {
        {Value(bottom), Value(top)}, {Value(-1), Value(std::uint64_t{1} << 63)},
        {Value(std::numeric_limits<std::int64_t>::max()), Value(std::uint64_t{1} << 63)},
        {Value(std::uint64_t{1} << 63), Value(top)}, {Value(true), Value(top)},
    };
    for (const auto& [low, high] : ascending) {
        EXPECT_EQ(SortDescriptor::compareValues(low, high), -1) << low.description() << " < " << high.description();
        EXPECT_EQ(SortDescriptor::compareValues(high, low), 1) << high.description() << " > " << low.description();
        EXPECT_EQ(SortDescriptor::compareValues(high, high), 0) << high.description();
    }
}

TEST(SortDescriptorTest, MixedKindsFormAStrictOrder) {
    EXPECT_LT(SortDescriptor::compareValues(std::nullopt, Value(0)), 0);
    EXPECT_LT(SortDescriptor::compareValues(Value(5), Value("a")), 0);
    EXPECT_LT(SortDescriptor::compareValues(Value("a"), Value(Date{0})), 0);
    EXPECT_EQ(SortDescriptor::compareValues(Value("é"), Value("e\u0301")), 0);
    EXPECT_LT(SortDescriptor::compareValues(Value(0.0 / 0.0), Value(-1e300)), 0);
    EXPECT_EQ(SortDescriptor::compareValues(Value(), std::nullopt), 0);

    const Item a("a", {{"n", 1}}), b("b", {{"n", 2}});
    EXPECT_LT(SortDescriptor("n").compare(a, b), 0);
    EXPECT_GT(SortDescriptor("n", false).compare(a, b), 0);
    EXPECT_EQ(SortDescriptor("n", false).description(), "(n, descending, compare:)");
}
