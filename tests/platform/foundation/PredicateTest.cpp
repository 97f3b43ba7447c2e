#include "platform/foundation/Predicate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>

#include "platform/foundation/Text.h"

using platform::Predicate;
using platform::Value;
using platform::ValueArray;
using platform::ValueDictionary;

namespace {

// An entry-like model object that answers the keys its dictionary holds,
// plus nameLowercased as a derived property.
class FakeEntry : public platform::KeyValueCoding {
public:
    FakeEntry(std::string id, ValueDictionary properties) : id_(std::move(id)), properties_(std::move(properties)) {}
    const std::string& id() const { return id_; }

    std::optional<Value> valueForKey(const std::string& key) const override {
        if (key == "nameLowercased") return Value(platform::text::lowercased(*properties_.at("name").asString()));
        auto it = properties_.find(key);
        if (it == properties_.end()) return std::nullopt;
        return it->second;
    }

private:
    std::string id_;
    ValueDictionary properties_;
};

std::shared_ptr<FakeEntry> entry(std::string id, std::string type, std::string source, bool visible, bool reachable,
                                 bool favorite, bool launched, bool manual, std::vector<std::string> tags,
                                 std::string name, std::string comment, std::string path, bool saved = false) {
    return std::make_shared<FakeEntry>(
        std::move(id), ValueDictionary{{"itemTypeRawValue", std::move(type)},
                                       {"itemSourceRawValue", std::move(source)},
                                       {"isVisible", visible},
                                       {"isReachable", reachable},
                                       {"isFavorite", favorite},
                                       {"isLaunched", launched},
                                       {"isManuallyCreated", manual},
                                       {"tags", Value(tags)},
                                       {"name", std::move(name)},
                                       {"comment", std::move(comment)},
                                       {"path", std::move(path)},
                                       {"shouldSavedToConfig", saved}});
}

const std::vector<std::shared_ptr<FakeEntry>>& entries() {
    static const std::vector<std::shared_ptr<FakeEntry>> all = {
        entry("app", "application", "spotlight", true, true, false, true, false, {"Work", "Internet"}, "Safari",
              "Web browser", "/usr/share/applications/safari.desktop", true),
        entry("hidden", "application", "spotlight", false, true, false, false, false, {}, "Hidden Tool", "",
              "/usr/share/applications/hidden.desktop"),
        entry("gone", "application", "spotlight", true, false, false, false, false, {"Work"}, "Gone", "",
              "/opt/gone.desktop"),
        entry("folder", "folder", "manual", true, true, true, false, true, {"work"}, "Projects", "Büro",
              "/home/u/Projects", true),
        entry("file", "file", "manual", true, true, false, false, true, {"Homework"}, "Notes.txt", "",
              "/home/u/Notes.txt"),
        entry("url", "url", "manual", true, false, false, false, true, {}, "Wiki", "search",
              "https://wiki.example/Search"),
        entry("shortcut", "url", "shortcuts", true, true, false, false, false, {}, "Run Backup", "",
              "shortcuts://run-shortcut?name=Run%20Backup"),
        entry("tag", "tag", "tags", true, true, false, false, false, {}, "Tag [Work]", "", ""),
    };
    return all;
}

std::set<std::string> matching(const Predicate& predicate) {
    std::set<std::string> ids;
    for (const auto& e : predicate.filtered(entries())) ids.insert(e->id());
    return ids;
}

Predicate make(const std::string& format, const ValueArray& arguments = {}) {
    std::string error;
    auto p = Predicate::make(format, arguments, &error);
    EXPECT_TRUE(p) << error;
    return p ? *p : Predicate::value(false);
}

}  // namespace

// Every format string the entry filters, the archives and the URL test use.
TEST(PredicateTest, FormatStringsOfTheProgramSelectTheRightEntries) {
    struct Case {
        std::string format;
        ValueArray arguments;
        std::set<std::string> expected;
    };
    const Case cases[] = {
        {"isVisible = true AND isReachable = true", {}, {"app", "folder", "file", "shortcut", "tag"}},
        // Tag filter: membership in the tag list, ignoring case; "Homework" is no member.
        {"tags contains[c] %@ AND isVisible = true AND isReachable = true", {"Work"}, {"app", "folder"}},
        {"tags contains[c] %@ AND isVisible = true AND isReachable = true", {"WORK"}, {"app", "folder"}},
        {"itemTypeRawValue = %@ AND isVisible = true AND isReachable = true", {"application"}, {"app"}},
        {"itemTypeRawValue = %@ AND isVisible = true AND isReachable = true AND isManuallyCreated = true",
         {"folder"},
         {"folder"}},
        {"itemTypeRawValue = %@ AND isVisible = true AND isReachable = true AND isManuallyCreated = true",
         {"file"},
         {"file"}},
        {"isVisible = true AND isReachable = true AND isFavorite = true", {}, {"folder"}},
        {"itemTypeRawValue = %@ AND isVisible = true AND isManuallyCreated = true", {"url"}, {"url"}},
        {"isLaunched = true", {}, {"app"}},
        {"itemSourceRawValue = %@ AND isVisible = true", {"shortcuts"}, {"shortcut"}},
        {"name contains[c] %@", {"NOTES"}, {"file"}},
        {"name contains[c] %@", {"tag ["}, {"tag"}},
        {"comment contains[c] %@", {"BÜRO"}, {"folder"}},
        {"isVisible = true", {}, {"app", "gone", "folder", "file", "url", "shortcut", "tag"}},
        {"isReachable = true", {}, {"app", "hidden", "folder", "file", "shortcut", "tag"}},
        {"itemTypeRawValue = %@", {"tag"}, {"tag"}},
        {"isVisible = false", {}, {"hidden"}},
        {"nameLowercased contains[c] %@", {"SAF"}, {"app"}},
        // ANY: some tag contains the text, so "Homework" counts here.
        {"any tags contains[c] %@", {"work"}, {"app", "gone", "folder", "file"}},
        {"path contains[c] %@", {"SEARCH"}, {"url"}},
        {"path contains[c] %@", {"run%20"}, {"shortcut"}},
        {"shouldSavedToConfig == true", {}, {"app", "folder"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(matching(make(c.format, c.arguments)), c.expected) << c.format;
    }
}

TEST(PredicateTest, CompoundsBuiltInCodeForTheSearch) {
    // name-or-comment, visibility, and the tag exclusion, nested as the search builds them.
    auto search = [](const std::string& text, bool comments, bool tags) {
        std::vector<Predicate> nameOrComment{make("name contains[c] %@", {text})};
        if (comments) nameOrComment.push_back(make("comment contains[c] %@", {text}));
        std::vector<Predicate> members{Predicate::orPredicate(nameOrComment),
                                       Predicate::andPredicate({make("isVisible = true"), make("isReachable = true")})};
        if (!tags) members.push_back(Predicate::notPredicate(make("itemTypeRawValue = %@", {"tag"})));
        return Predicate::andPredicate(members);
    };
    EXPECT_EQ(matching(search("o", false, false)), (std::set<std::string>{"folder", "file"}));
    EXPECT_EQ(matching(search("web", true, false)), (std::set<std::string>{"app"}));
    EXPECT_EQ(matching(search("web", false, false)), (std::set<std::string>{}));
    EXPECT_EQ(matching(search("Tag", false, false)), (std::set<std::string>{}));
    EXPECT_EQ(matching(search("Tag", false, true)), (std::set<std::string>{"tag"}));

    EXPECT_EQ(search("abc", true, false).predicateFormat(),
              "(name CONTAINS[c] \"abc\" OR comment CONTAINS[c] \"abc\") AND (isVisible == 1 AND isReachable == 1) "
              "AND NOT itemTypeRawValue == \"tag\"");
    EXPECT_TRUE(Predicate::andPredicate({}).evaluate(Value()));
    EXPECT_FALSE(Predicate::orPredicate({}).evaluate(Value()));
}

TEST(PredicateTest, SelfMatchesTestsTheWholeText) {
    const auto scheme = make("SELF MATCHES %@", {"^(.*:).*"});
    struct Case {
        std::string text;
        bool expected;
    };
    const Case cases[] = {
        {"x-app://%%userinput%%", true},
        {"%%userinput%%", false},
        {"https://a.example/?q=1", true},
        {"mailto:x@example.org", true},
        {"line one:\nline two", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(scheme.evaluate(Value(c.text)), c.expected) << c.text;
    // Not a text: false, not an error.
    EXPECT_FALSE(scheme.evaluate(Value(42)));
    EXPECT_TRUE(make("SELF MATCHES[c] 'ABC'").evaluate(Value("abc")));
    EXPECT_FALSE(make("SELF MATCHES 'ABC'").evaluate(Value("abc")));
}

TEST(PredicateTest, TextComparisonRules) {
    const Value composed("Café");
    const Value decomposed("Cafe\u0301");
    EXPECT_TRUE(make("SELF = %@", {decomposed}).evaluate(composed));   // canonical equivalence
    EXPECT_FALSE(make("SELF = %@", {"café"}).evaluate(composed));      // case matters without [c]
    EXPECT_TRUE(make("SELF ==[c] %@", {"CAFÉ"}).evaluate(decomposed));
    EXPECT_TRUE(make("SELF != %@", {"Cafe"}).evaluate(composed));
    EXPECT_TRUE(make("SELF contains %@", {"fe\u0301"}).evaluate(composed));
    EXPECT_FALSE(make("SELF contains %@", {"FÉ"}).evaluate(composed));
    EXPECT_TRUE(make("SELF contains[c] %@", {"STRASSE"}).evaluate(Value("Hauptstraße")));
    // An empty text is contained nowhere.
    EXPECT_FALSE(make("SELF contains[c] %@", {""}).evaluate(Value("abc")));
    // Lists: membership without [c] is exact (up to canonical equivalence).
    const Value tags(std::vector<std::string>{"Work", "Café"});
    EXPECT_TRUE(make("SELF contains %@", {decomposed}).evaluate(tags));
    EXPECT_FALSE(make("SELF contains %@", {"work"}).evaluate(tags));
    EXPECT_TRUE(make("SELF contains[c] %@", {"work"}).evaluate(tags));
    EXPECT_FALSE(make("SELF contains[c] %@", {"wor"}).evaluate(tags));
}

TEST(PredicateTest, ValuesOfDifferentKindsAndMissingKeys) {
    const Value object(ValueDictionary{{"count", 3},
                                       {"ratio", 0.5},
                                       {"flag", true},
                                       {"name", "x"},
                                       {"nested", ValueDictionary{{"inner", "deep"}}},
                                       {"list", ValueArray{Value("a"), Value(2)}}});
    struct Case {
        std::string format;
        ValueArray arguments;
        bool expected;
    };
    const Case cases[] = {
        {"count = 3", {}, true},
        {"count == 3.0", {}, true},
        {"ratio = 0.5", {}, true},
        {"ratio = %@", {0.5}, true},
        {"flag = 1", {}, true},
        {"flag == YES", {}, true},
        {"flag = false", {}, false},
        {"count = '3'", {}, false},          // text and number are never equal
        {"missing = nil", {}, true},          // an absent key is nil
        {"missing != nil", {}, false},
        {"name != nil", {}, true},
        {"missing = false", {}, false},
        {"missing contains[c] 'x'", {}, false},
        {"nested.inner = 'deep'", {}, true},
        {"nested.absent.more = nil", {}, true},
        {"%K = %@", {"name", "x"}, true},
        {"list contains 2", {}, true},
        {"list = {'a', 2}", {}, true},
        {"ANY list = 2", {}, true},
        {"ALL list = 2", {}, false},
        {"NONE list = 3", {}, true},
        {"ANY name = 'x'", {}, false},       // not a list
        {"count = -3 OR count = +3", {}, true},
        {"TRUEPREDICATE", {}, true},
        {"FALSEPREDICATE || NOT (count = 4 && flag = true)", {}, true},
        {"!(count = 3)", {}, false},
        {"name MATCHES count", {}, false},   // a pattern that is no text
    };
    for (const auto& c : cases) EXPECT_EQ(make(c.format, c.arguments).evaluate(object), c.expected) << c.format;
}

TEST(PredicateTest, UnknownFormatsAreRefusedWithAReason) {
    struct Case {
        std::string format;
        ValueArray arguments;
        std::string reason;
    };
    const Case cases[] = {
        {"name LIKE %@", {"a"}, "unsupported operator \"LIKE\""},
        {"name BEGINSWITH 'a'", {}, "unsupported operator"},
        {"count > 1", {}, "unsupported operator \">\""},
        {"name contains[cd] %@", {"a"}, "unsupported comparison option"},
        {"isVisible = ", {}, "expected an expression"},
        {"(isVisible = true", {}, "expected \")\""},
        {"isVisible = true AND", {}, "expected an expression"},
        {"isVisible = true isReachable = true", {}, "unexpected"},
        {"name = %@", {}, "missing argument"},
        {"name = 'a'", {"surplus"}, "too many arguments"},
        {"name = %d", {1}, "unsupported format specifier"},
        {"name = 'unterminated", {}, "unterminated string"},
        {"SELF MATCHES '('", {}, "invalid regular expression"},
        {"SELF MATCHES 3", {}, "MATCHES needs a text pattern"},
        {"tags.@count = 1", {}, "malformed key path"},
        {"@count = 1", {}, "unexpected character '@'"},
        {"name IN {'a'}", {}, "unsupported operator"},
        {"AND = 1", {}, "unsupported keyword"},
        {"$var = 1", {}, "unsupported variable"},
        {"isVisible", {}, "expected an operator"},
        {"", {}, "expected an expression"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(Predicate::make(c.format, c.arguments, &error)) << c.format;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.format << " -> " << error;
        EXPECT_NE(error.find(c.format), std::string::npos) << error;
    }
}

TEST(PredicateTest, DescriptionIsThePlatformFormAndReadsBack) {
    struct Case {
        std::string format;
        ValueArray arguments;
        std::string description;
    };
    const Case cases[] = {
        {"name contains[c] %@ AND isVisible = true", {"abc"}, "name CONTAINS[c] \"abc\" AND isVisible == 1"},
        {"isVisible = true AND isReachable = true", {}, "isVisible == 1 AND isReachable == 1"},
        {"any tags contains[c] %@", {"x"}, "ANY tags CONTAINS[c] \"x\""},
        {"SELF MATCHES %@", {"^(.*:).*"}, "SELF MATCHES \"^(.*:).*\""},
        {"a = 1 OR b = 2 AND c = 3", {}, "a == 1 OR (b == 2 AND c == 3)"},
        {"(a = 1 OR b = 2) AND c != 'x'", {}, "(a == 1 OR b == 2) AND c != \"x\""},
        {"NOT (a = 1 OR b = 2)", {}, "NOT (a == 1 OR b == 2)"},
        {"not a = nil", {}, "NOT a == nil"},
        {"name = %@", {"say \"hi\" \\ now"}, "name == \"say \\\"hi\\\" \\\\ now\""},
        {"ratio = %@ OR list = %@", {0.1, ValueArray{Value("a"), Value(false)}}, "ratio == 0.1 OR list == {\"a\", 0}"},
        {"TRUEPREDICATE", {}, "TRUEPREDICATE"},
    };
    for (const auto& c : cases) {
        const auto p = make(c.format, c.arguments);
        EXPECT_EQ(p.predicateFormat(), c.description) << c.format;
        const auto again = make(p.predicateFormat());
        EXPECT_EQ(again.predicateFormat(), c.description) << c.format;
    }
}

TEST(PredicateTest, DeepNestingIsRefusedWithAReason) {
    for (const std::string& open : {std::string("("), std::string("NOT "), std::string("{")}) {
        std::string format = open == "{" ? "a = " : "";
        for (int i = 0; i < 3000; ++i) format += open;
        format += open == "{" ? "1" : "a = 1";
        std::string error;
        EXPECT_FALSE(Predicate::make(format, {}, &error)) << open;
        EXPECT_NE(error.find("nested more than"), std::string::npos) << open << ": " << error.substr(error.size() - 80);
    }
    // Nesting that real predicates use is fine.
    EXPECT_TRUE(Predicate::make("NOT (NOT (a = {1, {2, {3}}} OR (b = 2 AND (c = 3))))"));
}

TEST(PredicateTest, EveryFormatReadsBackAsTheSamePredicate) {
    struct Case {
        std::string format;
        ValueArray arguments;
        ValueDictionary matching;  // an object it holds for
    };
    const Case cases[] = {
        {"ratio == %@", {1.2345678901234567e19}, {{"ratio", 1.2345678901234567e19}}},
        {"ratio == %@", {-3e300}, {{"ratio", -3e300}}},
        {"ratio == %@", {-0.0}, {{"ratio", 0}}},
        {"count == %@", {std::numeric_limits<std::uint64_t>::max()}, {{"count", std::numeric_limits<std::uint64_t>::max()}}},
        {"%K == 1", {"AND"}, {{"AND", 1}}},
        {"%K == 1", {"self"}, {{"self", 1}}},
        {"%K CONTAINS 'x'", {"nested.name"}, {{"nested", ValueDictionary{{"name", "xyz"}}}}},
        {"when == %@", {platform::Date{-12.5}}, {{"when", platform::Date{-12.5}}}},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto p = Predicate::make(c.format, c.arguments, &error);
        ASSERT_TRUE(p) << c.format << ": " << error;
        const std::string text = p->predicateFormat();
        const auto again = Predicate::make(text, {}, &error);
        ASSERT_TRUE(again) << text << ": " << error;
        EXPECT_EQ(again->predicateFormat(), text);
        const Value self(c.matching);
        EXPECT_TRUE(p->evaluate(self)) << c.format;
        EXPECT_TRUE(again->evaluate(self)) << text;
    }
    // Keys that no format can write are refused when the predicate is made.
    for (const char* key : {"two words", "a-b", "1st", "$var", "a..b", "caf\xC3\xA9"}) {
        std::string error;
        EXPECT_FALSE(Predicate::make("%K == 1", {key}, &error)) << key;
        EXPECT_NE(error.find("plain names"), std::string::npos) << error;
    }
}
