#include "platform/foundation/PropertyList.h"

#include "platform/foundation/ReadFile.h"
#include "platform/foundation/Text.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <charconv>
#include <cstdio>
#include <limits>
#include <memory>
#include <string_view>
#include <unordered_map>

// Both formats are read and written by our own code. A binary reader that
// follows shared references without limit lets a few hundred bytes whose
// arrays point at each other expand into billions of nodes: reading here
// checks every offset and reference, refuses cycles and deep nesting, and
// measures what a file expands to before building it. The XML side keeps the
// full range of dates and integers and every character a reader can take
// back, and refuses what XML cannot carry.

namespace platform {

namespace {

constexpr int kMaxDepth = 512;
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kTrailerSize = 32;

// --- UTF-8 / UTF-16 -------------------------------------------------------

void appendUTF8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Decodes UTF-8 leniently: a malformed sequence becomes U+FFFD.
std::u16string utf16FromUTF8(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b0 = static_cast<unsigned char>(s[i]);
        char32_t c = 0xFFFD;
        std::size_t len = 1;
        if (b0 < 0x80) {
            c = b0;
        } else {
            std::size_t need = b0 >= 0xF0 && b0 < 0xF5 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC2 && b0 < 0xE0 ? 2 : 0;
            if (need && i + need <= s.size()) {
                char32_t v = b0 & (0xFF >> (need + 1));
                bool ok = true;
                for (std::size_t k = 1; k < need; ++k) {
                    const auto b = static_cast<unsigned char>(s[i + k]);
                    if ((b & 0xC0) != 0x80) {
                        ok = false;
                        break;
                    }
                    v = (v << 6) | (b & 0x3F);
                }
                const bool overlong = (need == 3 && v < 0x800) || (need == 4 && v < 0x10000);
                if (ok && !overlong && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
                    c = v;
                    len = need;
                }
            }
        }
        i += len;
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

// Text from XML is not checked by libplist; malformed UTF-8 becomes U+FFFD so
// that every string the program holds is valid.
std::string repairedUTF8(std::string_view s) {
    if (text::isASCII(s)) return std::string(s);
    const std::u16string u = utf16FromUTF8(s);
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < u.size(); ++i) {
        char32_t c = u[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < u.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00);
            ++i;
        }
        appendUTF8(out, c);
    }
    return out;
}

// --- binary reader -------------------------------------------------------

}  // namespace

struct BinaryPropertyList::Header {
    std::uint64_t at = 0;  // where the payload starts
    std::uint8_t marker = 0;
    std::uint64_t count = 0;  // strings, data, arrays and dictionaries
};

// The one pass over a file before anything is read from it: every object
// reached from the top is looked at once however often it is shared, so a
// file whose few objects stand for billions of values is refused before
// anything is built, and every later read finds what it expects.
class BinaryPropertyList::Checker {
public:
    explicit Checker(const BinaryPropertyList& p)
        : p_(p),
          // What the decoded value may cost, in about bytes of memory. A file
          // that shares nothing stays far below this; sharing may expand a
          // file, but not without end.
          budget_(kNodeCost * static_cast<std::uint64_t>(p.bytes_.size()) + (std::uint64_t{16} << 20)),
          state_(p.count_, 0),
          cost_(p.count_, 0),
          height_(p.count_, 0) {}

    bool run(std::string& error) {
        auto total = check(p_.top_, 0);
        if (!total) {
            error = error_.empty() ? "binary property list is malformed" : error_;
            return false;
        }
        if (*total > budget_) {
            error = "binary property list expands beyond the allowed size";
            return false;
        }
        return true;
    }

private:
    static constexpr std::uint64_t kNodeCost = 64;

    std::nullopt_t bad(const char* message) {
        if (error_.empty()) error_ = message;
        return std::nullopt;
    }

    // Reads the length that follows a marker whose low nibble is 0xF.
    bool length(std::uint64_t& at, std::uint8_t nibble, std::uint64_t& out) const {
        if (nibble != 0xF) {
            out = nibble;
            return true;
        }
        if (!p_.has(at, 1)) return false;
        const std::uint8_t m = p_.byte(at);
        if ((m & 0xF0) != 0x10 || (m & 0x0F) > 3) return false;
        const std::uint64_t n = std::uint64_t{1} << (m & 0x0F);
        if (!p_.has(at + 1, n)) return false;
        out = p_.be(at + 1, n);
        at += 1 + n;
        return true;
    }

    std::optional<Header> header(std::uint64_t index) {
        const std::uint64_t off = p_.be(p_.tableOffset_ + index * p_.offsetSize_, p_.offsetSize_);
        if (off < kHeaderSize || off >= p_.tableOffset_) return bad("binary property list has an object offset out of range");
        Header h;
        h.at = off;
        h.marker = p_.byte(h.at++);
        const std::uint8_t hi = h.marker >> 4, lo = h.marker & 0x0F;
        switch (hi) {
        case 0x4:
        case 0x5:
        case 0x6: {
            if (!length(h.at, lo, h.count) || h.count > p_.tableOffset_ || !p_.has(h.at, hi == 0x6 ? 2 * h.count : h.count))
                return bad("binary property list is truncated");
            break;
        }
        case 0xA:
        case 0xC:
        case 0xD: {
            if (!length(h.at, lo, h.count)) return bad("binary property list is truncated");
            const std::uint64_t refs = hi == 0xD ? 2 : 1;
            if (h.count > p_.tableOffset_ || !p_.has(h.at, h.count * refs * p_.refSize_))
                return bad("binary property list is truncated");
            break;
        }
        default:
            break;
        }
        return h;
    }

    // Checks an object and what it holds; the cost of the value it stands
    // for, its shared parts counted as often as they appear, saturating just
    // above the budget.
    std::optional<std::uint64_t> check(std::uint64_t index, int depth) {
        if (index >= p_.count_) return bad("binary property list references a missing object");
        if (depth > kMaxDepth) return bad("binary property list is nested too deeply");
        if (state_[index] == 1) return bad("binary property list contains a cycle");
        if (state_[index] == 2) {
            // Checked before, perhaps nearer the top: what lies below it must
            // still fit here.
            if (depth + height_[index] > kMaxDepth) return bad("binary property list is nested too deeply");
            return cost_[index];
        }
        auto h = header(index);
        if (!h) return std::nullopt;
        const std::uint8_t hi = h->marker >> 4;
        std::uint64_t cost = kNodeCost;
        int height = 0;
        auto child = [&](std::uint64_t ref) {
            auto c = check(ref, depth + 1);
            if (!c) return false;
            cost = std::min(cost + *c, budget_ + 1);
            height = std::max(height, 1 + height_[ref]);
            return true;
        };
        switch (hi) {
        case 0x4:
        case 0x5:
        case 0x6:
            cost += h->count * (hi == 0x6 ? 2 : 1);
            break;
        case 0xA:
        case 0xC:
            state_[index] = 1;
            for (std::uint64_t i = 0; i < h->count; ++i)
                if (!child(p_.reference(h->at, i))) return std::nullopt;
            break;
        case 0xD:
            state_[index] = 1;
            for (std::uint64_t i = 0; i < h->count; ++i) {
                const std::uint64_t key = p_.reference(h->at, i);
                if (!child(key)) return std::nullopt;
                if (p_.kind(key) != Kind::String)
                    return bad("binary property list has a dictionary key that is not a string");
                if (!child(p_.reference(h->at, h->count + i))) return std::nullopt;
            }
            break;
        default:
            if (const char* problem = p_.scalarProblem(*h)) return bad(problem);
            break;
        }
        state_[index] = 2;
        cost_[index] = cost;
        height_[index] = height;
        return cost;
    }

    const BinaryPropertyList& p_;
    const std::uint64_t budget_;
    std::vector<std::uint8_t> state_;  // 1 while an object's children are checked, 2 once checked
    std::vector<std::uint64_t> cost_;
    std::vector<int> height_;  // how deeply the checked objects nest below each
    std::string error_;
};

std::optional<BinaryPropertyList> BinaryPropertyList::open(std::string_view b, std::string& error) {
    if (b.size() < kHeaderSize + kTrailerSize) {
        error = "binary property list is truncated";
        return std::nullopt;
    }
    if (b.substr(0, 8) != "bplist00") {
        error = "not a binary property list (bad header)";
        return std::nullopt;
    }
    BinaryPropertyList p(b);
    const std::size_t t = b.size() - kTrailerSize;
    p.offsetSize_ = p.byte(t + 6);
    p.refSize_ = p.byte(t + 7);
    const std::uint64_t count = p.be(t + 8, 8);
    const std::uint64_t top = p.be(t + 16, 8);
    const std::uint64_t tableOffset = p.be(t + 24, 8);
    if (p.offsetSize_ < 1 || p.offsetSize_ > 8 || p.refSize_ < 1 || p.refSize_ > 8) {
        error = "binary property list has an invalid trailer";
        return std::nullopt;
    }
    if (count == 0 || top >= count) {
        error = "binary property list has no valid top object";
        return std::nullopt;
    }
    if (tableOffset < kHeaderSize || tableOffset > t || count > (t - tableOffset) / p.offsetSize_) {
        error = "binary property list has an invalid offset table";
        return std::nullopt;
    }
    if (p.refSize_ < 8 && count > (std::uint64_t{1} << (8 * p.refSize_))) {
        error = "binary property list has more objects than its references can reach";
        return std::nullopt;
    }
    p.count_ = count;
    p.top_ = top;
    p.tableOffset_ = tableOffset;
    if (!Checker(p).run(error)) return std::nullopt;
    return p;
}

std::uint64_t BinaryPropertyList::be(std::uint64_t at, std::uint64_t n) const {
    std::uint64_t v = 0;
    for (std::uint64_t i = 0; i < n; ++i) v = (v << 8) | byte(at + i);
    return v;
}

BinaryPropertyList::Header BinaryPropertyList::header(Object o) const {
    Header h;
    h.at = be(tableOffset_ + o * offsetSize_, offsetSize_);
    h.marker = byte(h.at++);
    const std::uint8_t hi = h.marker >> 4, lo = h.marker & 0x0F;
    if (hi == 0x4 || hi == 0x5 || hi == 0x6 || hi == 0xA || hi == 0xC || hi == 0xD) {
        if (lo != 0xF) {
            h.count = lo;
        } else {
            const std::uint64_t n = std::uint64_t{1} << (byte(h.at) & 0x0F);
            h.count = be(h.at + 1, n);
            h.at += 1 + n;
        }
    }
    return h;
}

const char* BinaryPropertyList::scalarProblem(const Header& h) const {
    const std::uint8_t hi = h.marker >> 4, lo = h.marker & 0x0F;
    switch (hi) {
    case 0x0:
        return h.marker == 0x08 || h.marker == 0x09 ? nullptr : "binary property list holds an unsupported object";
    case 0x1: {
        if (lo > 4) return "binary property list holds an invalid integer";
        const std::uint64_t n = std::uint64_t{1} << lo;
        if (!has(h.at, n)) return "binary property list is truncated";
        if (n == 16) {
            // A signed 128-bit integer: the values that fit 64 bits are kept,
            // those from 2^63 to 2^64 - 1 as unsigned values.
            const std::uint64_t high = be(h.at, 8), low = be(h.at + 8, 8);
            if (high != 0 && !(high == ~std::uint64_t{0} && (low >> 63)))
                return "binary property list holds an integer beyond 64 bits";
        }
        return nullptr;
    }
    case 0x2:
        if (lo != 2 && lo != 3) return "binary property list holds an invalid real";
        return has(h.at, lo == 2 ? 4 : 8) ? nullptr : "binary property list is truncated";
    case 0x3:
        return h.marker == 0x33 && has(h.at, 8) ? nullptr : "binary property list holds an invalid date";
    case 0x8:
        return lo <= 7 && has(h.at, lo + 1u) ? nullptr : "binary property list holds an invalid UID";
    default:
        return "binary property list holds an unsupported object";
    }
}

BinaryPropertyList::Kind BinaryPropertyList::kind(Object o) const {
    switch (byte(be(tableOffset_ + o * offsetSize_, offsetSize_)) >> 4) {
    case 0x0: return Kind::Bool;
    case 0x1: return Kind::Integer;
    case 0x2: return Kind::Real;
    case 0x3: return Kind::Date;
    case 0x4: return Kind::Data;
    case 0x8: return Kind::UID;
    case 0xA:
    case 0xC: return Kind::Array;
    case 0xD: return Kind::Dictionary;
    default: return Kind::String;  // 0x5 and 0x6: nothing else passes the check
    }
}

std::uint64_t BinaryPropertyList::size(Object o) const { return header(o).count; }

BinaryPropertyList::Object BinaryPropertyList::element(Object array, std::uint64_t i) const {
    return reference(header(array).at, i);
}

BinaryPropertyList::Object BinaryPropertyList::keyAt(Object dictionary, std::uint64_t i) const {
    return reference(header(dictionary).at, i);
}

BinaryPropertyList::Object BinaryPropertyList::valueAt(Object dictionary, std::uint64_t i) const {
    const Header h = header(dictionary);
    return reference(h.at, h.count + i);
}

std::optional<BinaryPropertyList::Object> BinaryPropertyList::find(Object dictionary, std::string_view key) const {
    const Header h = header(dictionary);
    if (h.marker >> 4 != 0xD) return std::nullopt;
    for (std::uint64_t i = h.count; i-- > 0;)
        if (stringEquals(reference(h.at, i), key)) return reference(h.at, h.count + i);
    return std::nullopt;
}

std::string BinaryPropertyList::decodedString(const Header& h) const {
    if (h.marker >> 4 == 0x5) {
        // Marked ASCII, yet real writers put UTF-8 here; bytes that are not
        // valid UTF-8 are taken as Latin-1.
        const std::string_view raw = bytes_.substr(h.at, h.count);
        if (text::isValidUTF8(raw)) return std::string(raw);
        std::string s;
        s.reserve(h.count);
        for (unsigned char c : raw) appendUTF8(s, c);
        return s;
    }
    const std::uint64_t n = h.count;
    std::string s;
    s.reserve(n);
    for (std::uint64_t i = 0; i < n; ++i) {
        char32_t c = static_cast<char32_t>(be(h.at + 2 * i, 2));
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n) {
            const char32_t d = static_cast<char32_t>(be(h.at + 2 * i + 2, 2));
            if (d >= 0xDC00 && d < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
                ++i;
            }
        }
        if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
        appendUTF8(s, c);
    }
    return s;
}

std::string BinaryPropertyList::string(Object o) const {
    const Header h = header(o);
    const std::uint8_t hi = h.marker >> 4;
    return hi == 0x5 || hi == 0x6 ? decodedString(h) : std::string();
}

std::optional<std::string_view> BinaryPropertyList::textInPlace(Object o) const {
    const Header h = header(o);
    if (h.marker >> 4 != 0x5) return std::nullopt;
    const std::string_view raw = bytes_.substr(h.at, h.count);
    if (!text::isASCII(raw) && !text::isValidUTF8(raw)) return std::nullopt;
    return raw;
}

bool BinaryPropertyList::stringEquals(Object o, std::string_view text) const {
    const Header h = header(o);
    const std::uint8_t hi = h.marker >> 4;
    if (hi != 0x5 && hi != 0x6) return false;
    // Converting never makes a text shorter than its stored characters.
    if (h.count > text.size()) return false;
    if (hi == 0x5) {
        const std::string_view raw = bytes_.substr(h.at, h.count);
        if (raw == text) return text::isASCII(raw) || text::isValidUTF8(raw);
        if (text::isASCII(raw)) return false;
    }
    return decodedString(h) == text;
}

std::optional<std::uint64_t> BinaryPropertyList::uid(Object o) const {
    const Header h = header(o);
    if (h.marker >> 4 != 0x8) return std::nullopt;
    return be(h.at, (h.marker & 0x0F) + 1u);
}

Value BinaryPropertyList::value(Object o) const {
    const Header h = header(o);
    const std::uint8_t hi = h.marker >> 4, lo = h.marker & 0x0F;
    switch (hi) {
    case 0x0:
        return Value(h.marker == 0x09);
    case 0x1: {
        const std::uint64_t n = std::uint64_t{1} << lo;
        if (n == 16) {
            const std::uint64_t high = be(h.at, 8), low = be(h.at + 8, 8);
            if (high == 0) return Value(static_cast<unsigned long long>(low));
            return Value(static_cast<std::int64_t>(low));
        }
        return Value(static_cast<std::int64_t>(be(h.at, n)));  // 8 bytes are signed, fewer are unsigned
    }
    case 0x2:
        if (lo == 2) return Value(static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(be(h.at, 4)))));
        return Value(std::bit_cast<double>(be(h.at, 8)));
    case 0x3:
        return Value(Date{std::bit_cast<double>(be(h.at, 8))});
    case 0x4: {
        const auto* p = reinterpret_cast<const std::uint8_t*>(bytes_.data() + h.at);
        return Value(Data(p, p + h.count));
    }
    case 0x5:
    case 0x6:
        return Value(decodedString(h));
    case 0x8:
        return Value(UID{be(h.at, lo + 1u)});
    case 0xA:
    case 0xC: {
        ValueArray a;
        a.reserve(h.count);
        for (std::uint64_t i = 0; i < h.count; ++i) a.push_back(value(reference(h.at, i)));
        return Value(std::move(a));
    }
    case 0xD: {
        ValueDictionary d;
        for (std::uint64_t i = 0; i < h.count; ++i)
            d.insert_or_assign(string(reference(h.at, i)), value(reference(h.at, h.count + i)));
        return Value(std::move(d));
    }
    default:
        return Value();  // nothing else passes the check
    }
}

// --- binary writer -------------------------------------------------------

namespace {

void putBE(Data& out, std::uint64_t v, int n) {
    for (int i = n - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void putInt(Data& out, std::int64_t i) {
    const auto u = static_cast<std::uint64_t>(i);
    if (i >= 0 && u <= 0xFF) out.push_back(0x10), putBE(out, u, 1);
    else if (i >= 0 && u <= 0xFFFF) out.push_back(0x11), putBE(out, u, 2);
    else if (i >= 0 && u <= 0xFFFFFFFFull) out.push_back(0x12), putBE(out, u, 4);
    else out.push_back(0x13), putBE(out, u, 8);
}

void putMarker(Data& out, std::uint8_t hi, std::uint64_t n) {
    if (n < 15) {
        out.push_back(static_cast<std::uint8_t>(hi << 4 | n));
    } else {
        out.push_back(static_cast<std::uint8_t>(hi << 4 | 0xF));
        putInt(out, static_cast<std::int64_t>(n));
    }
}

}  // namespace

BinaryPropertyListWriter::Object BinaryPropertyListWriter::scalar(std::size_t start) {
    entries_.push_back(Entry{0, start, payload_.size() - start});
    return entries_.size() - 1;
}

BinaryPropertyListWriter::Object BinaryPropertyListWriter::string(std::string_view s) {
    auto [it, inserted] = strings_.try_emplace(s, entries_.size());
    if (!inserted) return it->second;
    const std::size_t start = payload_.size();
    bool ascii = true;
    for (unsigned char c : s) ascii = ascii && c < 0x80;
    if (ascii) {
        putMarker(payload_, 0x5, s.size());
        payload_.insert(payload_.end(), s.begin(), s.end());
    } else {
        const auto u = utf16FromUTF8(s);
        putMarker(payload_, 0x6, u.size());
        for (char16_t c : u) putBE(payload_, c, 2);
    }
    return scalar(start);
}

BinaryPropertyListWriter::Object BinaryPropertyListWriter::boolean(bool b) {
    const std::size_t start = payload_.size();
    payload_.push_back(b ? 0x09 : 0x08);
    return scalar(start);
}

BinaryPropertyListWriter::Object BinaryPropertyListWriter::integer(std::int64_t i) {
    const std::size_t start = payload_.size();
    putInt(payload_, i);
    return scalar(start);
}

BinaryPropertyListWriter::Object BinaryPropertyListWriter::unsignedInteger(std::uint64_t u) {
    if (u <= static_cast<std::uint64_t>(INT64_MAX)) return integer(static_cast<std::int64_t>(u));
    // A signed 128-bit integer, as other writers make it.
    const std::size_t start = payload_.size();
    payload_.push_back(0x14);
    putBE(payload_, 0, 8);
    putBE(payload_, u, 8);
    return scalar(start);
}

BinaryPropertyListWriter::Object BinaryPropertyListWriter::real(double d) {
    const std::size_t start = payload_.size();
    payload_.push_back(0x23);
    putBE(payload_, std::bit_cast<std::uint64_t>(d), 8);
    return scalar(start);
}

BinaryPropertyListWriter::Object BinaryPropertyListWriter::date(Date d) {
    const std::size_t start = payload_.size();
    payload_.push_back(0x33);
    putBE(payload_, std::bit_cast<std::uint64_t>(d.secondsSinceReferenceDate), 8);
    return scalar(start);
}

BinaryPropertyListWriter::Object BinaryPropertyListWriter::data(std::span<const std::uint8_t> bytes) {
    const std::size_t start = payload_.size();
    putMarker(payload_, 0x4, bytes.size());
    payload_.insert(payload_.end(), bytes.begin(), bytes.end());
    return scalar(start);
}

BinaryPropertyListWriter::Object BinaryPropertyListWriter::uid(std::uint64_t value) {
    const std::size_t start = payload_.size();
    int n = 1;
    while (n < 8 && (value >> (8 * n)) != 0) ++n;
    payload_.push_back(static_cast<std::uint8_t>(0x80 | (n - 1)));
    putBE(payload_, value, n);
    return scalar(start);
}

BinaryPropertyListWriter::Object BinaryPropertyListWriter::array() {
    entries_.push_back(Entry{0xA, 0, 0});
    return entries_.size() - 1;
}

BinaryPropertyListWriter::Object BinaryPropertyListWriter::dictionary() {
    entries_.push_back(Entry{0xD, 0, 0});
    return entries_.size() - 1;
}

void BinaryPropertyListWriter::setContents(Object container, std::span<const Object> contents) {
    Entry& entry = entries_[container];
    entry.start = contents_.size();
    entry.length = contents.size();
    contents_.insert(contents_.end(), contents.begin(), contents.end());
}

namespace {

// The bytes a marker of putMarker() takes.
std::size_t markerSize(std::uint64_t n) {
    if (n < 15) return 1;
    return n <= 0xFF ? 3 : n <= 0xFFFF ? 4 : n <= 0xFFFFFFFFull ? 6 : 10;
}

// putBE() and putMarker() into room already made.
std::uint8_t* writeBE(std::uint8_t* at, std::uint64_t v, int n) {
    for (int i = n - 1; i >= 0; --i) *at++ = static_cast<std::uint8_t>(v >> (8 * i));
    return at;
}

std::uint8_t* writeMarker(std::uint8_t* at, std::uint8_t hi, std::uint64_t n) {
    if (n < 15) {
        *at++ = static_cast<std::uint8_t>(hi << 4 | n);
        return at;
    }
    *at++ = static_cast<std::uint8_t>(hi << 4 | 0xF);
    const int bytes = n <= 0xFF ? 1 : n <= 0xFFFF ? 2 : n <= 0xFFFFFFFFull ? 4 : 8;
    *at++ = static_cast<std::uint8_t>(0x10 | (bytes == 1 ? 0 : bytes == 2 ? 1 : bytes == 4 ? 2 : 3));
    return writeBE(at, n, bytes);
}

}  // namespace

Data BinaryPropertyListWriter::finish() {
    const std::uint64_t count = entries_.size();
    const int refSize = count <= 0xFF ? 1 : count <= 0xFFFF ? 2 : count <= 0xFFFFFFFFull ? 4 : 8;
    // Every object's offset first, so that the bytes are made in one piece
    // of the right size and written without a check per byte.
    std::vector<std::uint64_t> offsets;
    offsets.reserve(count);
    std::uint64_t at = kHeaderSize;
    for (const Entry& entry : entries_) {
        offsets.push_back(at);
        if (entry.container == 0) at += entry.length;
        else at += markerSize(entry.container == 0xD ? entry.length / 2 : entry.length) + entry.length * refSize;
    }
    const std::uint64_t tableOffset = at;
    const std::uint64_t maxOffset = offsets.empty() ? 0 : offsets.back();
    const int offsetSize = maxOffset <= 0xFF ? 1 : maxOffset <= 0xFFFF ? 2 : maxOffset <= 0xFFFFFFFFull ? 4 : 8;
    Data out(tableOffset + count * offsetSize + kTrailerSize);
    std::uint8_t* p = out.data();
    for (const char c : {'b', 'p', 'l', 'i', 's', 't', '0', '0'}) *p++ = static_cast<std::uint8_t>(c);
    for (const Entry& entry : entries_) {
        if (entry.container == 0) {
            p = std::copy_n(payload_.begin() + static_cast<std::ptrdiff_t>(entry.start), entry.length, p);
            continue;
        }
        p = writeMarker(p, entry.container, entry.container == 0xD ? entry.length / 2 : entry.length);
        for (std::uint64_t i = 0; i < entry.length; ++i) p = writeBE(p, contents_[entry.start + i], refSize);
    }
    for (auto off : offsets) p = writeBE(p, off, offsetSize);
    for (int i = 0; i < 6; ++i) *p++ = 0;
    *p++ = static_cast<std::uint8_t>(offsetSize);
    *p++ = static_cast<std::uint8_t>(refSize);
    p = writeBE(p, count, 8);
    p = writeBE(p, 0, 8);
    writeBE(p, tableOffset, 8);
    return out;
}

namespace {

// A value tree into the writer, in the order every binary property list of
// ours is laid out.
class BinaryWriter {
public:
    std::optional<Data> write(const Value& root, std::string& error) {
        if (!add(root, 0, error)) return std::nullopt;
        return writer_.finish();
    }

private:
    using Object = BinaryPropertyListWriter::Object;

    std::optional<Object> add(const Value& v, int depth, std::string& error) {
        if (depth > kMaxDepth) {
            error = "value is nested too deeply for a property list";
            return std::nullopt;
        }
        return std::visit(
            [&](const auto& x) -> std::optional<Object> {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, std::monostate>) {
                    error = "a property list cannot hold a null value";
                    return std::nullopt;
                } else if constexpr (std::is_same_v<T, std::string>) {
                    return writer_.string(x);
                } else if constexpr (std::is_same_v<T, bool>) {
                    return writer_.boolean(x);
                } else if constexpr (std::is_same_v<T, std::int64_t>) {
                    return writer_.integer(x);
                } else if constexpr (std::is_same_v<T, std::uint64_t>) {
                    return writer_.unsignedInteger(x);
                } else if constexpr (std::is_same_v<T, double>) {
                    return writer_.real(x);
                } else if constexpr (std::is_same_v<T, Date>) {
                    return writer_.date(x);
                } else if constexpr (std::is_same_v<T, Data>) {
                    return writer_.data(x);
                } else if constexpr (std::is_same_v<T, UID>) {
                    return writer_.uid(x.value);
                } else if constexpr (std::is_same_v<T, ValueArray>) {
                    const Object index = writer_.array();
                    std::vector<Object> kids;
                    kids.reserve(x.size());
                    for (const auto& e : x) {
                        auto k = add(e, depth + 1, error);
                        if (!k) return std::nullopt;
                        kids.push_back(*k);
                    }
                    writer_.setContents(index, kids);
                    return index;
                } else {
                    const Object index = writer_.dictionary();
                    std::vector<Object> kids(x.size() * 2);
                    std::size_t i = 0;
                    for (const auto& [key, value] : x) {
                        kids[i] = writer_.string(key);
                        auto k = add(value, depth + 1, error);
                        if (!k) return std::nullopt;
                        kids[x.size() + i] = *k;
                        ++i;
                    }
                    writer_.setContents(index, kids);
                    return index;
                }
            },
            v.storage());
    }

    BinaryPropertyListWriter writer_;
};

// --- dates ----------------------------------------------------------------

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

constexpr std::int64_t kUnixToReference = 978307200;

// --- XML reader -----------------------------------------------------------

class XMLReader {
public:
    explicit XMLReader(std::string_view s) : s_(s) {}

    std::optional<Value> parse(std::string& error) {
        if (s_.substr(0, 3) == "\xEF\xBB\xBF") i_ = 3;
        std::optional<Value> result;
        if (!skipMisc()) return fail(error);
        std::string name;
        bool empty = false;
        if (!openTag(name, empty)) return fail(error, "not a property list (neither binary nor valid XML)");
        if (name == "plist") {
            if (empty) return fail(error, "property list is empty");
            if (!skipMisc()) return fail(error);
            std::string inner;
            bool innerEmpty = false;
            if (!openTag(inner, innerEmpty)) return fail(error, "property list is empty");
            result = value(inner, innerEmpty, 0);
            if (!result || !skipMisc() || !closeTag("plist")) return fail(error);
        } else {
            result = value(name, empty, 0);
            if (!result) return fail(error);
        }
        if (!skipMisc() || i_ != s_.size()) return fail(error, "XML property list has content after its value");
        return result;
    }

private:
    std::optional<Value> fail(std::string& error, const char* fallback = nullptr) {
        error = !error_.empty() ? error_ : fallback ? fallback : "XML property list is malformed";
        return std::nullopt;
    }
    std::nullopt_t bad(std::string message) {
        if (error_.empty()) error_ = "XML property list: " + message;
        return std::nullopt;
    }
    bool badBool(std::string message) {
        bad(std::move(message));
        return false;
    }

    bool startsWith(std::string_view p) const { return s_.substr(i_, p.size()) == p; }
    void skipSpace() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r')) ++i_;
    }
    bool skipPast(std::string_view end) {
        const auto at = s_.find(end, i_);
        if (at == std::string_view::npos) return badBool("unterminated markup");
        i_ = at + end.size();
        return true;
    }
    // Whitespace, comments, processing instructions and a document type.
    bool skipMisc() {
        for (;;) {
            skipSpace();
            if (startsWith("<!--")) {
                if (!skipPast("-->")) return false;
            } else if (startsWith("<?")) {
                if (!skipPast("?>")) return false;
            } else if (startsWith("<!DOCTYPE")) {
                int brackets = 0;
                for (;; ++i_) {
                    if (i_ >= s_.size()) return badBool("unterminated document type");
                    if (s_[i_] == '[') ++brackets;
                    else if (s_[i_] == ']') --brackets;
                    else if (s_[i_] == '>' && brackets <= 0) break;
                }
                ++i_;
            } else {
                return true;
            }
        }
    }

    static bool isNameChar(char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' || c == ':';
    }

    // "<name attributes>" or "<name attributes/>" at the current position.
    bool openTag(std::string& name, bool& empty) {
        if (i_ >= s_.size() || s_[i_] != '<' || i_ + 1 >= s_.size() || !isNameChar(s_[i_ + 1])) return false;
        std::size_t j = i_ + 1;
        while (j < s_.size() && isNameChar(s_[j])) ++j;
        name.assign(s_.substr(i_ + 1, j - i_ - 1));
        char quote = 0;
        for (; j < s_.size(); ++j) {
            const char c = s_[j];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            }
        }
        if (j >= s_.size()) return badBool("unterminated tag <" + name + ">");
        empty = s_[j - 1] == '/';
        i_ = j + 1;
        return true;
    }

    bool closeTag(std::string_view name) {
        if (!startsWith("</") || s_.substr(i_ + 2, name.size()) != name) return badBool("expected </" + std::string(name) + ">");
        i_ += 2 + name.size();
        skipSpace();
        if (i_ >= s_.size() || s_[i_] != '>') return badBool("expected </" + std::string(name) + ">");
        ++i_;
        return true;
    }

    bool appendScalar(std::string& out, std::uint32_t c) {
        if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return badBool("invalid character reference");
        appendUTF8(out, c);
        return true;
    }

    // The character data of a text element up to its end tag: entities and
    // character references resolved, CDATA taken as it is, line ends as XML
    // reads them.
    std::optional<std::string> text(std::string_view name) {
        std::string out;
        for (;;) {
            if (i_ >= s_.size()) return bad("unterminated <" + std::string(name) + ">");
            const char c = s_[i_];
            if (c == '<') {
                if (startsWith("<![CDATA[")) {
                    const auto end = s_.find("]]>", i_ + 9);
                    if (end == std::string_view::npos) return bad("unterminated CDATA section");
                    out.append(s_.substr(i_ + 9, end - i_ - 9));
                    i_ = end + 3;
                    continue;
                }
                if (startsWith("<!--")) {
                    if (!skipPast("-->")) return std::nullopt;
                    continue;
                }
                if (!closeTag(name)) return std::nullopt;
                return repairedUTF8(out);
            }
            if (c == '&') {
                const auto end = s_.find(';', i_);
                if (end == std::string_view::npos || end - i_ > 12) return bad("malformed entity");
                const std::string_view entity = s_.substr(i_ + 1, end - i_ - 1);
                i_ = end + 1;
                if (entity == "amp") out += '&';
                else if (entity == "lt") out += '<';
                else if (entity == "gt") out += '>';
                else if (entity == "quot") out += '"';
                else if (entity == "apos") out += '\'';
                else if (entity.size() > 1 && entity[0] == '#') {
                    const bool hex = entity[1] == 'x';
                    const std::string_view digits = entity.substr(hex ? 2 : 1);
                    std::uint32_t code = 0;
                    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
                    if (digits.empty() || ec != std::errc() || ptr != digits.data() + digits.size())
                        return bad("malformed character reference");
                    if (!appendScalar(out, code)) return std::nullopt;
                } else {
                    return bad("unknown entity &" + std::string(entity) + ";");
                }
                continue;
            }
            if (c == '\r') {
                out += '\n';
                ++i_;
                if (i_ < s_.size() && s_[i_] == '\n') ++i_;
                continue;
            }
            out += c;
            ++i_;
        }
    }

    static std::string_view trimmed(std::string_view v) {
        while (!v.empty() && std::isspace(static_cast<unsigned char>(v.front()))) v.remove_prefix(1);
        while (!v.empty() && std::isspace(static_cast<unsigned char>(v.back()))) v.remove_suffix(1);
        return v;
    }

    std::optional<Value> integer(std::string_view t) {
        t = trimmed(t);
        bool negative = false;
        if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
            negative = t[0] == '-';
            t.remove_prefix(1);
        }
        int base = 10;
        if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
            base = 16;
            t.remove_prefix(2);
        }
        std::uint64_t magnitude = 0;
        auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), magnitude, base);
        if (t.empty() || ptr != t.data() + t.size()) return bad("malformed integer");
        if (ec != std::errc() || (negative && magnitude > (std::uint64_t{1} << 63)))
            return bad("integer out of the 64-bit range");
        if (negative) return Value(static_cast<std::int64_t>(0 - magnitude));
        return Value(static_cast<unsigned long long>(magnitude));
    }

    std::optional<Value> real(std::string_view t) {
        t = trimmed(t);
        std::string lower;
        for (char c : t) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string_view v(lower);
        bool negative = false;
        if (!v.empty() && (v[0] == '+' || v[0] == '-')) {
            negative = v[0] == '-';
            v.remove_prefix(1);
        }
        if (v == "inf" || v == "infinity") return Value(negative ? -HUGE_VAL : HUGE_VAL);
        if (v == "nan") return Value(std::numeric_limits<double>::quiet_NaN());
        double d = 0;
        auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
        if (v.empty() || ec == std::errc::invalid_argument || ptr != v.data() + v.size()) return bad("malformed real");
        // Beyond the range of a double: infinity, or zero for a tiny value.
        if (ec == std::errc::result_out_of_range) d = v.find("e-") != std::string_view::npos ? 0.0 : HUGE_VAL;
        return Value(negative ? -d : d);
    }

    std::optional<Value> date(std::string_view t) {
        t = trimmed(t);
        // YYYY-MM-DDTHH:MM:SSZ
        auto number = [&](std::size_t at, std::size_t n, unsigned& out) {
            if (at + n > t.size()) return false;
            auto [ptr, ec] = std::from_chars(t.data() + at, t.data() + at + n, out);
            return ec == std::errc() && ptr == t.data() + at + n;
        };
        unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
        if (t.size() != 20 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' || t[16] != ':' ||
            t[19] != 'Z' || !number(0, 4, y) || !number(5, 2, mo) || !number(8, 2, d) || !number(11, 2, h) ||
            !number(14, 2, mi) || !number(17, 2, se))
            return bad("malformed date \"" + std::string(t) + "\"");
        static constexpr unsigned kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        if (mo < 1 || mo > 12 || d < 1 || d > kDays[mo - 1] || h > 23 || mi > 59 || se > 59)
            return bad("invalid date \"" + std::string(t) + "\"");
        const std::int64_t days = daysFromCivil(y, mo, d);
        unsigned checkMonth = 0, checkDay = 0;
        std::int64_t checkYear = 0;
        civilFromDays(days, checkYear, checkMonth, checkDay);
        if (checkMonth != mo) return bad("invalid date \"" + std::string(t) + "\"");  // 29 February of a common year
        const std::int64_t unix = days * 86400 + h * 3600 + mi * 60 + se;
        return Value(Date{static_cast<double>(unix - kUnixToReference)});
    }

    std::optional<Value> data(std::string_view t) {
        Data out;
        std::uint32_t bits = 0;
        int count = 0, padding = 0;
        for (char c : t) {
            int v;
            if (c >= 'A' && c <= 'Z') v = c - 'A';
            else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
            else if (c >= '0' && c <= '9') v = c - '0' + 52;
            else if (c == '+') v = 62;
            else if (c == '/') v = 63;
            else if (c == '=') {
                ++padding;
                continue;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                continue;
            } else {
                return bad("malformed base64 data");
            }
            if (padding) return bad("malformed base64 data");
            bits = (bits << 6) | static_cast<std::uint32_t>(v);
            if (++count == 4) {
                out.push_back(static_cast<std::uint8_t>(bits >> 16));
                out.push_back(static_cast<std::uint8_t>(bits >> 8));
                out.push_back(static_cast<std::uint8_t>(bits));
                bits = 0;
                count = 0;
            }
        }
        if (count == 1) return bad("malformed base64 data");
        if (count == 2) out.push_back(static_cast<std::uint8_t>(bits >> 4));
        if (count == 3) {
            out.push_back(static_cast<std::uint8_t>(bits >> 10));
            out.push_back(static_cast<std::uint8_t>(bits >> 2));
        }
        return Value(std::move(out));
    }

    // The next element inside a container, or false at the container's end tag.
    bool nextChild(std::string_view container, std::string& name, bool& empty, bool& ended) {
        ended = false;
        for (;;) {
            skipSpace();
            if (startsWith("<!--")) {
                if (!skipPast("-->")) return false;
                continue;
            }
            break;
        }
        if (startsWith("</")) {
            if (!closeTag(container)) return false;
            ended = true;
            return true;
        }
        if (!openTag(name, empty)) return badBool("unexpected content in <" + std::string(container) + ">");
        return true;
    }

    std::optional<Value> value(const std::string& name, bool empty, int depth) {
        if (depth > kMaxDepth) return bad("nested too deeply");
        if (name == "true" || name == "false") {
            if (!empty && !closeTag(name)) return std::nullopt;
            return Value(name == "true");
        }
        if (name == "array" || name == "dict") {
            const bool isDict = name == "dict";
            ValueArray a;
            ValueDictionary d;
            if (empty) return isDict ? Value(std::move(d)) : Value(std::move(a));
            for (;;) {
                std::string child;
                bool childEmpty = false, ended = false;
                if (!nextChild(name, child, childEmpty, ended)) return std::nullopt;
                if (ended) break;
                if (!isDict) {
                    auto v = value(child, childEmpty, depth + 1);
                    if (!v) return std::nullopt;
                    a.push_back(std::move(*v));
                    continue;
                }
                if (child != "key") return bad("a dictionary holds <" + child + "> where a <key> belongs");
                std::optional<std::string> key = childEmpty ? std::string() : text("key");
                if (!key) return std::nullopt;
                if (!nextChild(name, child, childEmpty, ended)) return std::nullopt;
                if (ended) return bad("a dictionary key has no value");
                auto v = value(child, childEmpty, depth + 1);
                if (!v) return std::nullopt;
                d.insert_or_assign(std::move(*key), std::move(*v));
            }
            if (!isDict) return Value(std::move(a));
            // XML has no UID element; {CF$UID = n} stands for one.
            if (d.size() == 1 && d.begin()->first == "CF$UID" && d.begin()->second.asUnsignedInteger())
                return Value(UID{*d.begin()->second.asUnsignedInteger()});
            return Value(std::move(d));
        }
        static const char* const kTextElements[] = {"string", "integer", "real", "date", "data"};
        bool known = false;
        for (const char* k : kTextElements) known = known || name == k;
        if (!known) return bad("unknown element <" + name + ">");
        std::optional<std::string> t = empty ? std::string() : text(name);
        if (!t) return std::nullopt;
        if (name == "string") return Value(std::move(*t));
        if (name == "integer") return integer(*t);
        if (name == "real") return real(*t);
        if (name == "date") return date(*t);
        return data(*t);
    }

    std::string_view s_;
    std::size_t i_ = 0;
    std::string error_;
};

// --- XML writer -----------------------------------------------------------

class XMLWriter {
public:
    std::optional<Data> write(const Value& root, std::string& error) {
        out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n";
        if (!value(root, 0, error)) return std::nullopt;
        out_ += "</plist>\n";
        return Data(out_.begin(), out_.end());
    }

private:
    void indent(int depth) { out_.append(static_cast<std::size_t>(depth), '\t'); }

    // XML cannot carry most control characters, not even as references, so
    // such a text is refused rather than changed. A carriage return is kept
    // as a reference, since a reader turns a literal one into a line feed.
    bool escaped(const std::string& s, std::string& error) {
        for (unsigned char c : s) {
            switch (c) {
            case '&': out_ += "&amp;"; break;
            case '<': out_ += "&lt;"; break;
            case '>': out_ += "&gt;"; break;
            case '\r': out_ += "&#13;"; break;
            case '\t':
            case '\n': out_ += static_cast<char>(c); break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    error = "a text with control characters cannot be written in an XML property list";
                    return false;
                }
                out_ += static_cast<char>(c);
            }
        }
        return true;
    }

    bool textElement(const char* name, const std::string& text, int depth, std::string& error) {
        indent(depth);
        out_ += '<';
        out_ += name;
        out_ += '>';
        if (!escaped(text, error)) return false;
        out_ += "</";
        out_ += name;
        out_ += ">\n";
        return true;
    }

    static std::string base64(const Data& d) {
        static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out;
        out.reserve((d.size() + 2) / 3 * 4);
        for (std::size_t i = 0; i < d.size(); i += 3) {
            const std::uint32_t n = (std::uint32_t{d[i]} << 16) | (i + 1 < d.size() ? std::uint32_t{d[i + 1]} << 8 : 0) |
                                    (i + 2 < d.size() ? std::uint32_t{d[i + 2]} : 0);
            out += kAlphabet[(n >> 18) & 63];
            out += kAlphabet[(n >> 12) & 63];
            out += i + 1 < d.size() ? kAlphabet[(n >> 6) & 63] : '=';
            out += i + 2 < d.size() ? kAlphabet[n & 63] : '=';
        }
        return out;
    }

    static std::optional<std::string> dateText(const Date& date, std::string& error) {
        const double s = date.secondsSinceReferenceDate;
        // Whole seconds of the years 0000 to 9999, all the format can say.
        if (!(s >= -63145526400.0 && s < 252423993600.0)) {
            error = "a date outside the years 0000 to 9999 cannot be written in an XML property list";
            return std::nullopt;
        }
        if (s != std::floor(s)) {
            error = "a date with a fraction of a second cannot be written in an XML property list";
            return std::nullopt;
        }
        const std::int64_t unix = static_cast<std::int64_t>(s) + kUnixToReference;
        std::int64_t days = unix / 86400, rest = unix % 86400;
        if (rest < 0) rest += 86400, days -= 1;
        std::int64_t y = 0;
        unsigned m = 0, d = 0;
        civilFromDays(days, y, m, d);
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02lld:%02lld:%02lldZ", static_cast<long long>(y), m, d,
                      static_cast<long long>(rest / 3600), static_cast<long long>(rest / 60 % 60),
                      static_cast<long long>(rest % 60));
        return std::string(buffer);
    }

    static std::string realText(double d) {
        if (std::isnan(d)) return "nan";
        if (std::isinf(d)) return d > 0 ? "+infinity" : "-infinity";
        char buffer[64];
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, d);
        return std::string(buffer, end);
    }

    bool value(const Value& v, int depth, std::string& error) {
        if (depth > kMaxDepth) {
            error = "value is nested too deeply for a property list";
            return false;
        }
        return std::visit(
            [&](const auto& x) -> bool {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, std::monostate>) {
                    error = "a property list cannot hold a null value";
                    return false;
                } else if constexpr (std::is_same_v<T, bool>) {
                    indent(depth);
                    out_ += x ? "<true/>\n" : "<false/>\n";
                    return true;
                } else if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, std::uint64_t>) {
                    return textElement("integer", std::to_string(x), depth, error);
                } else if constexpr (std::is_same_v<T, double>) {
                    return textElement("real", realText(x), depth, error);
                } else if constexpr (std::is_same_v<T, std::string>) {
                    return textElement("string", x, depth, error);
                } else if constexpr (std::is_same_v<T, Data>) {
                    return textElement("data", base64(x), depth, error);
                } else if constexpr (std::is_same_v<T, Date>) {
                    auto text = dateText(x, error);
                    return text && textElement("date", *text, depth, error);
                } else if constexpr (std::is_same_v<T, UID>) {
                    indent(depth);
                    out_ += "<dict>\n";
                    if (!textElement("key", "CF$UID", depth + 1, error) ||
                        !textElement("integer", std::to_string(x.value), depth + 1, error))
                        return false;
                    indent(depth);
                    out_ += "</dict>\n";
                    return true;
                } else if constexpr (std::is_same_v<T, ValueArray>) {
                    indent(depth);
                    if (x.empty()) {
                        out_ += "<array/>\n";
                        return true;
                    }
                    out_ += "<array>\n";
                    for (const auto& e : x)
                        if (!value(e, depth + 1, error)) return false;
                    indent(depth);
                    out_ += "</array>\n";
                    return true;
                } else {
                    indent(depth);
                    if (x.empty()) {
                        out_ += "<dict/>\n";
                        return true;
                    }
                    out_ += "<dict>\n";
                    for (const auto& [k, e] : x) {
                        if (!textElement("key", k, depth + 1, error) || !value(e, depth + 1, error)) return false;
                    }
                    indent(depth);
                    out_ += "</dict>\n";
                    return true;
                }
            },
            v.storage());
    }

    std::string out_;
};

}  // namespace

namespace PropertyList {

PropertyListResult read(std::string_view bytes) {
    PropertyListResult result;
    if (bytes.size() >= 6 && bytes.substr(0, 6) == "bplist") {
        result.format = PropertyListFormat::Binary;
        if (auto plist = BinaryPropertyList::open(bytes, result.error)) result.value = plist->value(plist->top());
        return result;
    }
    result.format = PropertyListFormat::XML;
    if (bytes.empty()) {
        result.error = "property list is empty";
        return result;
    }
    XMLReader reader(bytes);
    result.value = reader.parse(result.error);
    return result;
}

PropertyListResult read(const Data& bytes) {
    return read(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

PropertyListResult readFile(const std::string& path) {
    std::string error;
    auto bytes = readWholeFile(path, &error);
    if (!bytes) {
        PropertyListResult r;
        r.error = error;
        return r;
    }
    auto r = read(std::string_view(*bytes));
    if (!r) r.error = path + ": " + r.error;
    return r;
}

std::optional<Data> write(const Value& value, PropertyListFormat format, std::string* error) {
    std::string message;
    std::optional<Data> out = format == PropertyListFormat::Binary ? BinaryWriter().write(value, message)
                                                                   : XMLWriter().write(value, message);
    if (!out && error) *error = message;
    return out;
}

}  // namespace PropertyList

}  // namespace platform
