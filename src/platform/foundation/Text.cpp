#include "platform/foundation/Text.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <pthread.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <mutex>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <sys/random.h>

namespace platform::text {

bool isASCII(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

namespace {

icu::UnicodeString toUnicode(std::string_view s) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
}

std::string toUTF8(const icu::UnicodeString& u) {
    std::string out;
    u.toUTF8String(out);
    return out;
}

const icu::Normalizer2& nfcNormalizer() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* n = icu::Normalizer2::getNFCInstance(status);
    // The NFC data is built into ICU's common library; its absence is a broken install.
    if (U_FAILURE(status) || !n) std::abort();
    return *n;
}

icu::UnicodeString normalizedNFC(const icu::UnicodeString& u) {
    UErrorCode status = U_ZERO_ERROR;
    const auto& n = nfcNormalizer();
    if (n.isNormalized(u, status) && U_SUCCESS(status)) return u;
    status = U_ZERO_ERROR;
    icu::UnicodeString out = n.normalize(u, status);
    return U_SUCCESS(status) ? out : u;
}

// Case-folded, then composed: the form in which `contains[c]` compares.
icu::UnicodeString foldedUnicodeForSearch(std::string_view s) {
    icu::UnicodeString u = toUnicode(s);
    u.foldCase(U_FOLD_CASE_DEFAULT);
    return normalizedNFC(u);
}

bool isWhitespace(UChar32 c) { return c == '\t' || u_charType(c) == U_SPACE_SEPARATOR; }

bool isWhitespaceOrNewline(UChar32 c) {
    if ((c >= 0x0A && c <= 0x0D) || c == 0x85 || c == '\t') return true;
    const int8_t type = u_charType(c);
    return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

template <class Pred>
std::string trimming(std::string_view s, Pred trim) {
    const auto* p = reinterpret_cast<const uint8_t*>(s.data());
    const auto length = static_cast<int32_t>(s.size());
    int32_t start = 0;
    while (start < length) {
        int32_t next = start;
        UChar32 c;
        U8_NEXT(p, next, length, c);
        if (c < 0 || !trim(c)) break;
        start = next;
    }
    int32_t end = length;
    while (end > start) {
        int32_t prev = end;
        UChar32 c;
        U8_PREV(p, start, prev, c);
        if (c < 0 || !trim(c)) break;
        end = prev;
    }
    return std::string(s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
}

constexpr char kHex[] = "0123456789ABCDEF";

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr const char* kAlnumASCII = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

std::string lowercased(std::string_view s) {
    if (isASCII(s)) {
        std::string out(s);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return out;
    }
    icu::UnicodeString u = toUnicode(s);
    u.toLower(icu::Locale::getRoot());
    return toUTF8(u);
}

std::string uppercased(std::string_view s) {
    icu::UnicodeString u = toUnicode(s);
    u.toUpper(icu::Locale::getRoot());
    return toUTF8(u);
}

namespace {
char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool containsCaseInsensitive(std::string_view haystack, std::string_view needle) {
    if (needle.empty() || haystack.empty()) return false;
    if (isASCII(haystack) && isASCII(needle)) {
        // Filters call this for every entry on every keystroke: ASCII needs
        // neither folding tables nor normalization.
        return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                           [](char a, char b) { return asciiLower(a) == asciiLower(b); }) != haystack.end();
    }
    FoldedTexts one;
    one.append(haystack);
    bool found = false;
    one.forEachContaining(needle, [&](std::size_t) { found = true; });
    return found;
}

std::string foldedForSearch(std::string_view s) {
    if (isASCII(s)) {
        std::string out(s);
        for (char& c : out) c = asciiLower(c);
        return out;
    }
    return toUTF8(foldedUnicodeForSearch(s));
}

void FoldedTexts::reserve(std::size_t texts, std::size_t bytes) {
    ends_.reserve(texts);
    buffer_.reserve(bytes);
}

void FoldedTexts::append(std::string_view text) {
    if (isASCII(text)) {
        for (char c : text) buffer_.push_back(asciiLower(c));
    } else {
        buffer_ += toUTF8(foldedUnicodeForSearch(text));
    }
    ends_.push_back(buffer_.size());
}

std::size_t FoldedTexts::find(std::string_view needle, std::size_t from) const {
    const std::size_t size = buffer_.size();
    if (from >= size) return npos;
    const char* text = buffer_.data();
    const std::size_t length = needle.size();
    if (length == 1) {
        const void* at = std::memchr(text + from, needle[0], size - from);
        return at ? static_cast<std::size_t>(static_cast<const char*>(at) - text) : npos;
    }
#if defined(__SSE2__)
    // A search calls this once for every text that matches: tens of
    // thousands of times for a short needle. memmem sets up tables at each
    // call; here the places where the needle's first and last bytes both
    // stand are found sixteen at a time, and only those are compared whole.
    if (length > 1) {
        const __m128i first = _mm_set1_epi8(needle.front());
        const __m128i last = _mm_set1_epi8(needle.back());
        for (; from + length - 1 + 16 <= size; from += 16) {
            const __m128i atFirst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + from));
            const __m128i atLast = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + from + length - 1));
            auto candidates = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(atFirst, first), _mm_cmpeq_epi8(atLast, last))));
            while (candidates) {
                const std::size_t at = from + static_cast<std::size_t>(__builtin_ctz(candidates));
                if (std::memcmp(text + at + 1, needle.data() + 1, length - 2) == 0) return at;
                candidates &= candidates - 1;
            }
        }
    }
#endif
    // The last few bytes (and every search where the instructions above are missing).
    const void* at = ::memmem(text + from, size - from, needle.data(), length);
    return at ? static_cast<std::size_t>(static_cast<const char*>(at) - text) : npos;
}

bool FoldedTexts::endsACharacter(std::size_t end, std::size_t textEnd) const {
    // A match that ends inside a character (its base matched but a
    // combining mark follows) is not a match of whole characters. Both
    // texts are valid UTF-8, so a match always begins and ends between
    // code points.
    if (end >= textEnd || static_cast<unsigned char>(buffer_[end]) < 0x80) return true;
    const auto* p = reinterpret_cast<const uint8_t*>(buffer_.data());
    auto i = static_cast<int32_t>(end);
    UChar32 c;
    U8_NEXT(p, i, static_cast<int32_t>(textEnd), c);
    return c < 0 || u_getCombiningClass(c) == 0;
}

bool equalsCaseInsensitive(std::string_view a, std::string_view b) {
    if (isASCII(a) && isASCII(b))
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](char x, char y) { return asciiLower(x) == asciiLower(y); });
    return foldedUnicodeForSearch(a) == foldedUnicodeForSearch(b);
}

std::string nfc(std::string_view s) {
    if (isASCII(s)) return std::string(s);
    return toUTF8(normalizedNFC(toUnicode(s)));
}

bool canonicallyEqual(std::string_view a, std::string_view b) {
    if (a == b) return true;
    if (isASCII(a) && isASCII(b)) return false;
    return nfc(a) == nfc(b);
}

int canonicalCompare(std::string_view a, std::string_view b) {
    // UTF-8 byte order is code point order; std::string compares bytes unsigned.
    const int r = (isASCII(a) && isASCII(b)) ? a.compare(b) : nfc(a).compare(nfc(b));
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

std::size_t canonicalHash(std::string_view s) {
    if (isASCII(s)) return std::hash<std::string_view>()(s);
    return std::hash<std::string>()(nfc(s));
}

std::string trimmingWhitespace(std::string_view s) { return trimming(s, isWhitespace); }

std::string trimmingWhitespaceAndNewlines(std::string_view s) { return trimming(s, isWhitespaceOrNewline); }

CharacterSet::CharacterSet(std::string_view chars) {
    for (char c : chars)
        if (static_cast<unsigned char>(c) < 0x80) ascii_.set(static_cast<unsigned char>(c));
}

const CharacterSet& CharacterSet::urlQueryAllowed() {
    static const CharacterSet set = CharacterSet(kAlnumASCII).adding("-._~!$&'()*+,;=:@/?");
    return set;
}

const CharacterSet& CharacterSet::urlPathAllowed() {
    static const CharacterSet set = CharacterSet(kAlnumASCII).adding("-._~!$&'()*+,=:@/");
    return set;
}

const CharacterSet& CharacterSet::urlHostAllowed() {
    static const CharacterSet set = CharacterSet(kAlnumASCII).adding("-._~!$&'()*+,;=:[]");
    return set;
}

const CharacterSet& CharacterSet::urlFragmentAllowed() {
    static const CharacterSet set = CharacterSet(kAlnumASCII).adding("-._~!$&'()*+,;=:@/?");
    return set;
}

const CharacterSet& CharacterSet::urlUserAllowed() {
    static const CharacterSet set = CharacterSet(kAlnumASCII).adding("-._~!$&'()*+,;=");
    return set;
}

const CharacterSet& CharacterSet::urlPasswordAllowed() {
    static const CharacterSet set = CharacterSet(kAlnumASCII).adding("-._~!$&'()*+,;=");
    return set;
}

const CharacterSet& CharacterSet::alphanumerics() {
    static const CharacterSet set = [] {
        CharacterSet s(kAlnumASCII);
        s.unicodeAlphanumerics_ = true;
        return s;
    }();
    return set;
}

bool CharacterSet::contains(char32_t c) const {
    if (c < 0x80) return ascii_.test(c);
    if (!unicodeAlphanumerics_ || c > 0x10FFFF) return false;
    return (U_GET_GC_MASK(static_cast<UChar32>(c)) & (U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK)) != 0;
}

CharacterSet CharacterSet::adding(std::string_view chars) const {
    CharacterSet out = *this;
    out.ascii_ |= CharacterSet(chars).ascii_;
    return out;
}

CharacterSet CharacterSet::removing(std::string_view chars) const {
    CharacterSet out = *this;
    out.ascii_ &= ~CharacterSet(chars).ascii_;
    return out;
}

CharacterSet CharacterSet::intersecting(const CharacterSet& other) const {
    CharacterSet out = *this;
    out.ascii_ &= other.ascii_;
    out.unicodeAlphanumerics_ = unicodeAlphanumerics_ && other.unicodeAlphanumerics_;
    return out;
}

CharacterSet CharacterSet::unioning(const CharacterSet& other) const {
    CharacterSet out = *this;
    out.ascii_ |= other.ascii_;
    out.unicodeAlphanumerics_ = unicodeAlphanumerics_ || other.unicodeAlphanumerics_;
    return out;
}

std::string percentEncoded(std::string_view s, const CharacterSet& allowed) {
    std::string out;
    out.reserve(s.size());
    const auto* p = reinterpret_cast<const uint8_t*>(s.data());
    const auto length = static_cast<int32_t>(s.size());
    for (int32_t i = 0; i < length;) {
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(p, i, length, c);
        if (c >= 0 && allowed.contains(static_cast<char32_t>(c))) {
            out.append(s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
            continue;
        }
        for (int32_t k = start; k < i; ++k) {
            out += '%';
            out += kHex[p[k] >> 4];
            out += kHex[p[k] & 0xF];
        }
    }
    return out;
}

std::optional<std::string> percentDecoded(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size()) return std::nullopt;
        const int hi = hexValue(s[i + 1]);
        const int lo = hexValue(s[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    if (!isValidUTF8(out)) return std::nullopt;
    return out;
}

bool isValidUTF8(std::string_view s) {
    const auto* p = reinterpret_cast<const uint8_t*>(s.data());
    const auto length = static_cast<int32_t>(s.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(p, i, length, c);
        if (c < 0) return false;
    }
    return true;
}

namespace {

// The boundaries an ICU break iterator finds in UTF-8 text, as byte offsets
// (the iterator reports UTF-8 offsets for UTF-8 text), ending with the end.
void appendBoundaries(icu::BreakIterator& iterator, std::string_view s, std::vector<std::size_t>& out) {
    UErrorCode status = U_ZERO_ERROR;
    UText* ut = utext_openUTF8(nullptr, s.data(), static_cast<int64_t>(s.size()), &status);
    iterator.setText(ut, status);
    for (int32_t b = iterator.next(); b != icu::BreakIterator::DONE; b = iterator.next())
        out.push_back(static_cast<std::size_t>(b));
    // Detach the iterator from the text before the text goes away.
    iterator.setText(icu::UnicodeString());
    utext_close(ut);
    if (out.empty() || out.back() != s.size()) out.push_back(s.size());
}

using MakeIterator = icu::BreakIterator* (*)(const icu::Locale&, UErrorCode&);

// One iterator of each kind per thread: making one loads its rules.
template <MakeIterator make>
icu::BreakIterator& threadIterator() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator;
    if (!iterator) {
        UErrorCode status = U_ZERO_ERROR;
        iterator.reset(make(icu::Locale::getRoot(), status));
        if (U_FAILURE(status) || !iterator) std::abort();  // ICU data missing: a broken install
    }
    return *iterator;
}

}  // namespace

std::vector<std::size_t> graphemeBoundaries(std::string_view s) {
    std::vector<std::size_t> out{0};
    if (s.empty()) return out;
    if (isASCII(s)) {
        // Only CR LF joins two ASCII characters into one cluster.
        for (std::size_t i = 1; i <= s.size(); ++i)
            if (i == s.size() || !(s[i - 1] == '\r' && s[i] == '\n')) out.push_back(i);
        return out;
    }
    appendBoundaries(threadIterator<&icu::BreakIterator::createCharacterInstance>(), s, out);
    return out;
}

std::vector<std::size_t> lineBreakOpportunities(std::string_view s) {
    std::vector<std::size_t> out;
    if (s.empty()) return out;
    appendBoundaries(threadIterator<&icu::BreakIterator::createLineInstance>(), s, out);
    return out;
}

std::size_t graphemeCount(std::string_view s) { return graphemeBoundaries(s).size() - 1; }

std::vector<std::string> graphemeClusters(std::string_view s) {
    const auto bounds = graphemeBoundaries(s);
    std::vector<std::string> out;
    out.reserve(bounds.size() - 1);
    for (std::size_t i = 1; i < bounds.size(); ++i) out.emplace_back(s.substr(bounds[i - 1], bounds[i] - bounds[i - 1]));
    return out;
}

namespace {

// Kernel randomness fetched in blocks, so that making many identifiers (the
// markdown engine names every token) costs no system call each. A forked
// child drops what it inherited, so it never repeats its parent's values.
std::atomic<unsigned> forkGeneration{0};

void randomBytes(uint8_t* out, std::size_t count) {
    struct Pool {
        std::array<uint8_t, 4096> bytes{};
        std::size_t used = 4096;
        unsigned generation = 0;
    };
    thread_local Pool pool;
    static std::once_flag atFork;
    std::call_once(atFork, [] { pthread_atfork(nullptr, nullptr, [] { forkGeneration.fetch_add(1); }); });
    const unsigned generation = forkGeneration.load(std::memory_order_relaxed);
    if (pool.generation != generation) {
        pool.used = pool.bytes.size();
        pool.generation = generation;
    }
    if (pool.used + count > pool.bytes.size()) {
        std::size_t got = 0;
        while (got < pool.bytes.size()) {
            const ssize_t n = getrandom(pool.bytes.data() + got, pool.bytes.size() - got, 0);
            if (n > 0) {
                got += static_cast<std::size_t>(n);
                continue;
            }
            // The kernel's generator is unavailable (very old kernel or
            // seccomp): fall back to the standard library's source.
            std::random_device rd;
            for (std::size_t i = got; i < pool.bytes.size(); ++i) pool.bytes[i] = static_cast<uint8_t>(rd());
            break;
        }
        pool.used = 0;
    }
    std::memcpy(out, pool.bytes.data() + pool.used, count);
    // Used bytes are not kept around.
    std::memset(pool.bytes.data() + pool.used, 0, count);
    pool.used += count;
}

}  // namespace

std::string uuidString() {
    std::array<uint8_t, 16> bytes{};
    randomBytes(bytes.data(), bytes.size());
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    char text[36];
    std::size_t at = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text[at++] = '-';
        text[at++] = kHex[bytes[i] >> 4];
        text[at++] = kHex[bytes[i] & 0xF];
    }
    return std::string(text, sizeof text);
}

}  // namespace platform::text
