#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <initializer_list>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "platform/foundation/Text.h"

using namespace platform::text;

namespace {

struct CaseMapping {
    const char* input;
    const char* lower;
    const char* upper;
};

}  // namespace

TEST(TextTest, CaseMappingUsesTheRootLocale) {
    const CaseMapping cases[] = {
        {"HeLLo", "hello", "HELLO"},
        {"ÄÖÜ", "äöü", "ÄÖÜ"},
        {"straße", "straße", "STRASSE"},                 // full mapping upwards
        {"I", "i", "I"},                                 // no Turkish dotless i
        {"i", "i", "I"},                                 // no Turkish dotted capital
        {"\u0130stanbul", "i\u0307stanbul", "\u0130STANBUL"},  // capital dotted I keeps its dot as a mark
        {"\u039F\u0394\u039F\u03A3", "\u03BF\u03B4\u03BF\u03C2", "\u039F\u0394\u039F\u03A3"},  // final sigma
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lowercased(c.input), c.lower) << c.input;
        EXPECT_EQ(uppercased(c.input), c.upper) << c.input;
    }
}

TEST(TextTest, ContainsCaseInsensitiveMatchesThePredicateOperator) {
    struct Case {
        const char* haystack;
        const char* needle;
        bool found;
    } cases[] = {
        {"Hello World", "WORLD", true},
        {"Hello World", "lo w", true},
        {"Hello World", "worlds", false},
        {"ÄPFEL", "äpf", true},
        {"Straße", "STRASSE", true},              // folding maps ß to ss
        {"caf\u00e9", "CAFE\u0301", true},        // precomposed vs combining accent
        {"cafe\u0301", "caf\u00e9", true},
        {"cafe\u0301", "cafe", false},            // "e" is not the whole "é"
        {"caf\u00e9", "cafe", false},
        {"abc", "", false},                       // the empty needle matches nothing
        {"", "", false},
        {"", "a", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(containsCaseInsensitive(c.haystack, c.needle), c.found) << c.haystack << " / " << c.needle;
    EXPECT_TRUE(equalsCaseInsensitive("Ärger", "äRGER"));
    EXPECT_FALSE(equalsCaseInsensitive("Ärger", "Arger"));
}

TEST(TextTest, CanonicalEquivalenceDecidesEqualityHashAndOrder) {
    const std::string precomposed = "\u00e9";
    const std::string combining = "e\u0301";
    EXPECT_TRUE(canonicallyEqual(precomposed, combining));
    EXPECT_EQ(canonicalHash(precomposed), canonicalHash(combining));
    EXPECT_EQ(canonicalCompare(precomposed, combining), 0);
    EXPECT_EQ(nfc(combining), precomposed);

    // The angstrom sign is a canonical singleton of Å; the ligature ﬁ is only
    // a compatibility equivalent of "fi".
    EXPECT_TRUE(canonicallyEqual("\u212B", "A\u030A"));
    EXPECT_TRUE(canonicallyEqual("\u212B", "\u00C5"));
    EXPECT_FALSE(canonicallyEqual("\uFB01", "fi"));
    EXPECT_FALSE(canonicallyEqual("e", precomposed));
    EXPECT_FALSE(canonicallyEqual("a", "A"));

    // Code point order, not a locale's collation: "é" sorts after "z".
    EXPECT_LT(canonicalCompare("a", "b"), 0);
    EXPECT_GT(canonicalCompare(combining, "z"), 0);
    EXPECT_LT(canonicalCompare("Z", "a"), 0);
    EXPECT_LT(canonicalCompare("ab", "abc"), 0);

    std::set<std::string, CanonicalLess> ordered{precomposed, combining, "z"};
    EXPECT_EQ(ordered.size(), 2u);
    EXPECT_EQ(*ordered.begin(), "z");
    EXPECT_NE(ordered.find(std::string_view(combining)), ordered.end());

    std::unordered_set<std::string, CanonicalHash, CanonicalEqual> hashed{precomposed, combining};
    EXPECT_EQ(hashed.size(), 1u);
    std::unordered_map<std::string, int, CanonicalHash, CanonicalEqual> tags;
    tags["Caf" + precomposed] = 1;
    tags["Caf" + combining] += 1;
    EXPECT_EQ(tags.size(), 1u);
    EXPECT_EQ(tags.begin()->second, 2);
}

TEST(TextTest, Trimming) {
    struct Case {
        const char* input;
        const char* whitespace;
        const char* whitespaceAndNewlines;
    } cases[] = {
        {"  a b \t", "a b", "a b"},
        {"\n a \n", "\n a \n", "a"},
        {"\u00A0x\u3000", "x", "x"},          // no-break and ideographic spaces
        {"\u2028x\r\n\u0085", "\u2028x\r\n\u0085", "x"},
        {" \t ", "", ""},
        {"", "", ""},
        {"ä", "ä", "ä"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trimmingWhitespace(c.input), c.whitespace) << c.input;
        EXPECT_EQ(trimmingWhitespaceAndNewlines(c.input), c.whitespaceAndNewlines) << c.input;
    }
}

TEST(TextTest, PercentEncodingWithTheStandardSets) {
    struct Case {
        const char* input;
        const CharacterSet& allowed;
        const char* encoded;
    } cases[] = {
        {"a b", CharacterSet::urlQueryAllowed(), "a%20b"},
        {"ä", CharacterSet::urlQueryAllowed(), "%C3%A4"},
        {"\U0001F600", CharacterSet::urlQueryAllowed(), "%F0%9F%98%80"},
        {"a&b=c?d/e:f@g", CharacterSet::urlQueryAllowed(), "a&b=c?d/e:f@g"},
        {"#%\n\"<>", CharacterSet::urlQueryAllowed(), "%23%25%0A%22%3C%3E"},
        {"/a b;c", CharacterSet::urlPathAllowed(), "/a%20b%3Bc"},
        {"x?y#z", CharacterSet::urlFragmentAllowed(), "x?y%23z"},
        {"[::1]:80", CharacterSet::urlHostAllowed(), "[::1]:80"},
        {"a/b@c", CharacterSet::urlHostAllowed(), "a%2Fb%40c"},
        {"äb1-_", CharacterSet::alphanumerics(), "äb1%2D%5F"},
        {"", CharacterSet::urlQueryAllowed(), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(percentEncoded(c.input, c.allowed), c.encoded) << c.input;
}

// Values inserted into any part of a URL are encoded with the characters that
// all component sets allow (query without "&" and "?", path, fragment, host).
TEST(TextTest, IntersectionOfComponentSetsKeepsOnlyTheSafeCharacters) {
    const CharacterSet safe = CharacterSet::urlQueryAllowed()
                                  .removing("&?")
                                  .intersecting(CharacterSet::urlPathAllowed())
                                  .intersecting(CharacterSet::urlFragmentAllowed())
                                  .intersecting(CharacterSet::urlHostAllowed());
    std::string printable;
    for (char c = ' '; c < 0x7F; ++c) printable += c;
    std::string kept;
    for (char c : printable)
        if (safe.contains(static_cast<char32_t>(c))) kept += c;
    EXPECT_EQ(kept, "!$'()*+,-.0123456789:=ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz~");
    EXPECT_EQ(percentEncoded("a b&c/d?e;f%\n", safe), "a%20b%26c%2Fd%3Fe%3Bf%25%0A");
    EXPECT_EQ(percentEncoded("/tmp/x\n/tmp/y", safe), "%2Ftmp%2Fx%0A%2Ftmp%2Fy");
}

TEST(TextTest, PercentDecoding) {
    struct Case {
        const char* input;
        std::optional<std::string> decoded;
    } cases[] = {
        {"a%20b", "a b"},
        {"%C3%A4", "ä"},
        {"%e2%82%ac", "€"},
        {"plain", "plain"},
        {"", ""},
        {"%", std::nullopt},
        {"100%", std::nullopt},
        {"%2", std::nullopt},
        {"%zz", std::nullopt},
        {"%FF", std::nullopt},      // not UTF-8
        {"%C3", std::nullopt},      // truncated sequence
    };
    for (const auto& c : cases) EXPECT_EQ(percentDecoded(c.input), c.decoded) << c.input;

    const std::string text = "x-search://find?q=a b&c ä\U0001F600%";
    EXPECT_EQ(percentDecoded(percentEncoded(text, CharacterSet::alphanumerics())), text);
}

TEST(TextTest, GraphemeClusters) {
    struct Case {
        const char* text;
        std::size_t count;
    } cases[] = {
        {"", 0},
        {"abc", 3},
        {"\r\n", 1},
        {"e\u0301", 1},
        {"a\u0301\u0308x", 2},                          // two combining marks on one letter
        {"\U0001F44D\U0001F3FD", 1},                    // thumbs up with a skin tone
        {"\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7", 2},  // two flags
        {"\U0001F468\u200D\U0001F469\u200D\U0001F467", 1},  // a family joined by ZWJ
        {"\u1112\u1161\u11AB", 1},                      // a Hangul syllable from jamo
        {"ä\U0001F600", 2},
    };
    for (const auto& c : cases) EXPECT_EQ(graphemeCount(c.text), c.count) << c.text;

    EXPECT_EQ(graphemeClusters("a\U0001F1E9\U0001F1EAe\u0301!"),
              (std::vector<std::string>{"a", "\U0001F1E9\U0001F1EA", "e\u0301", "!"}));
    EXPECT_TRUE(graphemeClusters("").empty());
}

TEST(TextTest, UUIDStringsAreRandomVersion4InUpperCase) {
    // 8-4-4-4-12 upper-case hexadecimal digits, version 4, RFC 4122 variant.
    auto wellFormed = [](const std::string& u) {
        if (u.size() != 36) return false;
        for (std::size_t i = 0; i < u.size(); ++i) {
            const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
            const char c = u[i];
            if (dash != (c == '-')) return false;
            if (!dash && !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
        }
        return u[14] == '4' && std::string("89AB").find(u[19]) != std::string::npos;
    };
    std::set<std::string> seen;
    for (int i = 0; i < 500; ++i) {
        const std::string uuid = uuidString();
        EXPECT_TRUE(wellFormed(uuid)) << uuid;
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 500u);

    // Random bytes are fetched ahead in blocks; a forked child must not
    // repeat the parent's next values.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string mine = uuidString();
        (void)!::write(fds[1], mine.data(), mine.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    char buffer[36] = {};
    ASSERT_EQ(::read(fds[0], buffer, sizeof buffer), 36);
    ::close(fds[0]);
    ::waitpid(child, nullptr, 0);
    EXPECT_NE(std::string(buffer, 36), uuidString());
}

namespace {

// Folds `texts` into one buffer and checks that each needle finds exactly
// the texts in which containsCaseInsensitive() finds it alone.
void expectFoldedFindsWhatContainsFinds(const std::vector<std::string>& texts,
                                        std::initializer_list<const char*> needles) {
    FoldedTexts folded;
    for (const auto& text : texts) folded.append(text);
    ASSERT_EQ(folded.size(), texts.size());
    for (const char* needle : needles) {
        std::vector<std::size_t> expected;
        for (std::size_t i = 0; i < texts.size(); ++i)
            if (containsCaseInsensitive(texts[i], needle)) expected.push_back(i);
        std::vector<std::size_t> found;
        folded.forEachContaining(needle, [&](std::size_t i) { found.push_back(i); });
        EXPECT_EQ(found, expected) << needle;
    }
}

}  // namespace

// Many texts folded into one buffer: each text is found exactly when
// containsCaseInsensitive() finds the needle in it alone, also where a match
// would run across two neighbouring texts or end before a combining mark
// that begins the next one.
TEST(TextTest, FoldedTextsFindWhatContainsCaseInsensitiveFindsInEachText) {
    expectFoldedFindsWhatContainsFinds({"ab", "cd", "", "Stra\u00dfe", "cafe", "\u0301x", "caf\u00e9 CAFE cafe",
                                        "\u00c4PFEL", "X", "bcbc"},
                                       {"bc", "cafe", "STRASSE", "\u00e4pf", "e", "x", "", "abcd", "cafe\u0301", "c"});
}

// The same over a buffer long enough for the search to look at many places
// at once: matches at every offset from such a group's start, across the
// boundary of two groups, at the very end, and candidates whose first and
// last bytes agree but whose middle does not.
TEST(TextTest, FoldedTextsFindMatchesAtEveryPlaceOfALongBuffer) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < 120; ++i) {
        std::string text(i % 37, 'a' + static_cast<char>(i % 5));
        text.insert(i % 19 <= text.size() ? i % 19 : text.size(), i % 3 ? "Rep0rt" : "REPORT");
        if (i % 4 == 0) text += "rxport";
        texts.push_back(text);
    }
    texts.push_back("ends with report");
    expectFoldedFindsWhatContainsFinds(texts,
                                       {"report", "rep0rt", "rt", "ar", "aaaaaaaaaaaaaaaaaaaaa", "t", "reportr", "ort"});
}
