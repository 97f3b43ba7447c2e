#pragma once
// Text helpers over UTF-8 std::string, backed by ICU. Case mapping uses the
// root locale (no Turkish or Lithuanian special cases); comparisons that the
// program treats as "the same text" are by Unicode canonical equivalence, so
// "é" typed precomposed and "e" + combining acute are one text.

#include <bitset>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::text {

// Root-locale case mapping (full mappings: "ß" upper-cases to "SS").
std::string lowercased(std::string_view s);
std::string uppercased(std::string_view s);

// Case-insensitive substring test as the predicate operator `contains[c]`
// does it: both texts are case-folded (full folding, so "STRASSE" is found in
// "straße") and compared as canonically equivalent texts. An empty needle is
// found nowhere, not even in an empty text.
bool containsCaseInsensitive(std::string_view haystack, std::string_view needle);
// Whole-text equality under the same folding.
bool equalsCaseInsensitive(std::string_view a, std::string_view b);

// The form in which `contains[c]` compares texts: case-folded, then composed
// (UTF-8; invalid input is repaired).
std::string foldedForSearch(std::string_view s);

// Many texts, folded once into one contiguous buffer, searched as
// containsCaseInsensitive() searches each of them: a list that is searched
// at every keystroke pays for the folding once, and the scan runs over one
// block of memory.
class FoldedTexts {
public:
    void reserve(std::size_t texts, std::size_t bytes);
    void append(std::string_view text);
    std::size_t size() const { return ends_.size(); }

    // Calls `found(i)` once for each text i (in ascending order) that
    // contains `needle` (which is folded here).
    template <class Found>
    void forEachContaining(std::string_view needle, Found&& found) const {
        const std::string folded = foldedForSearch(needle);
        if (folded.empty()) return;
        std::size_t text = 0;
        for (std::size_t from = 0; text < ends_.size();) {
            const std::size_t at = find(folded, from);
            if (at == npos) return;
            while (text < ends_.size() && ends_[text] <= at) ++text;
            if (text == ends_.size()) return;
            const std::size_t end = at + folded.size();
            if (end > ends_[text] || !endsACharacter(end, ends_[text])) {
                from = at + 1;  // across two texts, or inside a character
                continue;
            }
            found(text);
            from = ends_[text];
            ++text;
        }
    }

private:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    std::size_t find(std::string_view needle, std::size_t from) const;
    // Whether a match ending at `end` ends a whole character: no combining
    // mark follows it within the text that ends at `textEnd`.
    bool endsACharacter(std::size_t end, std::size_t textEnd) const;

    std::string buffer_;
    std::vector<std::size_t> ends_;
};

// Canonical equivalence: texts are normalized to NFC and then compared by code
// point; there is no locale collation.
std::string nfc(std::string_view s);
bool canonicallyEqual(std::string_view a, std::string_view b);
// <0, 0 or >0 as `a` orders before, with or after `b`.
int canonicalCompare(std::string_view a, std::string_view b);
std::size_t canonicalHash(std::string_view s);

// Functors for containers keyed by text under canonical equivalence.
struct CanonicalLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return canonicalCompare(a, b) < 0; }
};
struct CanonicalHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return canonicalHash(s); }
};
struct CanonicalEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return canonicallyEqual(a, b); }
};

// Trims white space: Unicode space separators and tab.
std::string trimmingWhitespace(std::string_view s);
// Trims white space and line breaks: all Unicode separators, U+000A..U+000D
// and U+0085.
std::string trimmingWhitespaceAndNewlines(std::string_view s);

// A set of characters allowed unencoded by percentEncoded(). The URL sets
// hold ASCII characters only; alphanumerics() holds every Unicode letter,
// mark and number.
class CharacterSet {
public:
    CharacterSet() = default;
    // The ASCII characters of `chars`.
    explicit CharacterSet(std::string_view chars);

    static const CharacterSet& urlQueryAllowed();
    static const CharacterSet& urlPathAllowed();
    static const CharacterSet& urlHostAllowed();
    static const CharacterSet& urlFragmentAllowed();
    static const CharacterSet& urlUserAllowed();
    static const CharacterSet& urlPasswordAllowed();
    static const CharacterSet& alphanumerics();

    bool contains(char32_t c) const;
    CharacterSet adding(std::string_view chars) const;
    CharacterSet removing(std::string_view chars) const;
    CharacterSet intersecting(const CharacterSet& other) const;
    CharacterSet unioning(const CharacterSet& other) const;

private:
    std::bitset<128> ascii_;
    bool unicodeAlphanumerics_ = false;  // letters, marks and numbers beyond ASCII
};

// Keeps every character in `allowed` and writes every other one as its UTF-8
// octets, each as "%" and two upper-case hexadecimal digits.
std::string percentEncoded(std::string_view s, const CharacterSet& allowed);
// Replaces "%XX" sequences by their octets. nullopt when a "%" is not followed
// by two hexadecimal digits or the result is not valid UTF-8.
std::optional<std::string> percentDecoded(std::string_view s);

// Number of user-perceived characters (extended grapheme clusters): a flag, an
// emoji with a skin-tone modifier, a letter with combining marks count as one.
std::size_t graphemeCount(std::string_view s);
std::vector<std::string> graphemeClusters(std::string_view s);
// Byte offsets of the boundaries between grapheme clusters: 0, each
// boundary, the end (just 0 for empty text).
std::vector<std::size_t> graphemeBoundaries(std::string_view s);
// Byte offsets where a line of `s` may break by the Unicode line-breaking
// rules (after spaces, between ideographs, after hyphens, …): each is where
// the next line would begin, and the last is the end of the text. Text
// without a hard break is expected; empty text has none.
std::vector<std::size_t> lineBreakOpportunities(std::string_view s);

// True when `s` is valid UTF-8.
bool isValidUTF8(std::string_view s);
// True when every byte of `s` is below 0x80.
bool isASCII(std::string_view s);

// A new random (version 4) UUID as "8-4-4-4-12" upper-case hexadecimal.
std::string uuidString();

}  // namespace platform::text
