#include "platform/foundation/PropertyList.h"

#include "platform/foundation/ReadFile.h"

#include <plist/plist.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string_view>
#include <unordered_map>

// The binary format is read and written by our own code: libplist's binary
// reader follows shared references without limit, so a few hundred bytes whose
// arrays point at each other expand into billions of nodes. Reading here
// checks every offset and reference, refuses cycles and deep nesting, and caps
// the size of what a file may expand to. XML goes through libplist, since it
// has no references to follow.

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
    bool ascii = true;
    for (unsigned char c : s) ascii = ascii && c < 0x80;
    if (ascii) return std::string(s);
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

class BinaryReader {
public:
    explicit BinaryReader(std::string_view bytes) : b_(bytes) {
        // A legitimate file shares strings and numbers between containers, so
        // its expansion may exceed its size several times, but not without end.
        budget_ = 64 * static_cast<std::uint64_t>(bytes.size()) + (1u << 20);
    }

    std::optional<Value> parse(std::string& error) {
        if (b_.size() < kHeaderSize + kTrailerSize) return fail(error, "binary property list is truncated");
        if (b_.substr(0, 8) != "bplist00") return fail(error, "not a binary property list (bad header)");
        const std::size_t t = b_.size() - kTrailerSize;
        offsetSize_ = byte(t + 6);
        refSize_ = byte(t + 7);
        const std::uint64_t count = be(t + 8, 8);
        const std::uint64_t top = be(t + 16, 8);
        const std::uint64_t tableOffset = be(t + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8)
            return fail(error, "binary property list has an invalid trailer");
        if (count == 0 || top >= count) return fail(error, "binary property list has no valid top object");
        if (tableOffset < kHeaderSize || tableOffset > t || count > (t - tableOffset) / offsetSize_)
            return fail(error, "binary property list has an invalid offset table");
        if (refSize_ < 8 && count > (std::uint64_t{1} << (8 * refSize_)))
            return fail(error, "binary property list has more objects than its references can reach");
        tableOffset_ = tableOffset;
        count_ = count;
        objectsEnd_ = tableOffset;
        state_.assign(count, 0);
        auto v = object(top, 0);
        if (!v) return fail(error, error_.empty() ? "binary property list is malformed" : error_);
        return v;
    }

private:
    std::optional<Value> fail(std::string& error, std::string message) {
        error = std::move(message);
        return std::nullopt;
    }
    std::nullopt_t bad(const char* message) {
        if (error_.empty()) error_ = message;
        return std::nullopt;
    }

    std::uint8_t byte(std::size_t at) const { return static_cast<std::uint8_t>(b_[at]); }
    std::uint64_t be(std::size_t at, std::size_t n) const {
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < n; ++i) v = (v << 8) | byte(at + i);
        return v;
    }
    bool has(std::uint64_t at, std::uint64_t n) const { return at <= objectsEnd_ && n <= objectsEnd_ - at; }
    bool spend(std::uint64_t cost) {
        if (cost > budget_) return false;
        budget_ -= cost;
        return true;
    }

    // Reads the length that follows a marker whose low nibble is 0xF.
    bool length(std::uint64_t& at, std::uint8_t nibble, std::uint64_t& out) {
        if (nibble != 0xF) {
            out = nibble;
            return true;
        }
        if (!has(at, 1)) return false;
        const std::uint8_t m = byte(at);
        if ((m & 0xF0) != 0x10 || (m & 0x0F) > 3) return false;
        const std::uint64_t n = std::uint64_t{1} << (m & 0x0F);
        if (!has(at + 1, n)) return false;
        out = be(at + 1, n);
        at += 1 + n;
        return true;
    }

    std::optional<std::uint64_t> offsetOf(std::uint64_t index) {
        const std::uint64_t off = be(tableOffset_ + index * offsetSize_, offsetSize_);
        if (off < kHeaderSize || off >= tableOffset_) return std::nullopt;
        return off;
    }

    std::optional<Value> object(std::uint64_t index, int depth) {
        if (index >= count_) return bad("binary property list references a missing object");
        if (depth > kMaxDepth) return bad("binary property list is nested too deeply");
        if (state_[index]) return bad("binary property list contains a cycle");
        auto off = offsetOf(index);
        if (!off) return bad("binary property list has an object offset out of range");
        std::uint64_t at = *off;
        const std::uint8_t marker = byte(at++);
        const std::uint8_t hi = marker >> 4, lo = marker & 0x0F;
        if (!spend(32)) return bad("binary property list expands beyond the allowed size");
        switch (hi) {
        case 0x0:
            if (marker == 0x08) return Value(false);
            if (marker == 0x09) return Value(true);
            return bad("binary property list holds an unsupported object");
        case 0x1: {
            if (lo > 4) return bad("binary property list holds an invalid integer");
            const std::uint64_t n = std::uint64_t{1} << lo;
            if (!has(at, n)) return bad("binary property list is truncated");
            if (n == 16) {
                // 128-bit integers only carry unsigned 64-bit values here.
                return Value(static_cast<std::int64_t>(be(at + 8, 8)));
            }
            std::uint64_t v = be(at, n);
            return Value(static_cast<std::int64_t>(v));  // 8 bytes are signed
        }
        case 0x2: {
            if (lo != 2 && lo != 3) return bad("binary property list holds an invalid real");
            const std::uint64_t n = std::uint64_t{1} << lo;
            if (!has(at, n)) return bad("binary property list is truncated");
            if (n == 4) return Value(static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(be(at, 4)))));
            return Value(std::bit_cast<double>(be(at, 8)));
        }
        case 0x3:
            if (marker != 0x33 || !has(at, 8)) return bad("binary property list holds an invalid date");
            return Value(Date{std::bit_cast<double>(be(at, 8))});
        case 0x4: {
            std::uint64_t n;
            if (!length(at, lo, n) || !has(at, n)) return bad("binary property list is truncated");
            if (!spend(n)) return bad("binary property list expands beyond the allowed size");
            const auto* p = reinterpret_cast<const std::uint8_t*>(b_.data() + at);
            return Value(Data(p, p + n));
        }
        case 0x5: {
            std::uint64_t n;
            if (!length(at, lo, n) || !has(at, n)) return bad("binary property list is truncated");
            if (!spend(n)) return bad("binary property list expands beyond the allowed size");
            std::string s;
            s.reserve(n);
            for (std::uint64_t i = 0; i < n; ++i) appendUTF8(s, byte(at + i));  // Latin-1 at worst
            return Value(std::move(s));
        }
        case 0x6: {
            std::uint64_t n;
            if (!length(at, lo, n) || n > objectsEnd_ || !has(at, 2 * n)) return bad("binary property list is truncated");
            if (!spend(2 * n)) return bad("binary property list expands beyond the allowed size");
            std::string s;
            s.reserve(n);
            for (std::uint64_t i = 0; i < n; ++i) {
                char32_t c = static_cast<char32_t>(be(at + 2 * i, 2));
                if (c >= 0xD800 && c < 0xDC00 && i + 1 < n) {
                    const char32_t d = static_cast<char32_t>(be(at + 2 * i + 2, 2));
                    if (d >= 0xDC00 && d < 0xE000) {
                        c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
                        ++i;
                    }
                }
                if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
                appendUTF8(s, c);
            }
            return Value(std::move(s));
        }
        case 0x8: {
            if (lo > 7 || !has(at, lo + 1u)) return bad("binary property list holds an invalid UID");
            return Value(UID{be(at, lo + 1u)});
        }
        case 0xA:
        case 0xC:
        case 0xD: {
            std::uint64_t n;
            if (!length(at, lo, n)) return bad("binary property list is truncated");
            const std::uint64_t refs = hi == 0xD ? 2 : 1;
            if (n > objectsEnd_ || !has(at, n * refs * refSize_)) return bad("binary property list is truncated");
            if (!spend(n * 16)) return bad("binary property list expands beyond the allowed size");
            state_[index] = 1;
            std::optional<Value> result;
            if (hi == 0xD) result = dictionary(at, n, depth);
            else result = array(at, n, depth);
            state_[index] = 0;
            return result;
        }
        default:
            return bad("binary property list holds an unsupported object");
        }
    }

    std::optional<Value> array(std::uint64_t at, std::uint64_t n, int depth) {
        ValueArray a;
        a.reserve(n);
        for (std::uint64_t i = 0; i < n; ++i) {
            auto v = object(be(at + i * refSize_, refSize_), depth + 1);
            if (!v) return std::nullopt;
            a.push_back(std::move(*v));
        }
        return Value(std::move(a));
    }

    std::optional<Value> dictionary(std::uint64_t at, std::uint64_t n, int depth) {
        ValueDictionary d;
        for (std::uint64_t i = 0; i < n; ++i) {
            auto k = object(be(at + i * refSize_, refSize_), depth + 1);
            if (!k) return std::nullopt;
            auto* key = k->asString();
            if (!key) return bad("binary property list has a dictionary key that is not a string");
            auto v = object(be(at + (n + i) * refSize_, refSize_), depth + 1);
            if (!v) return std::nullopt;
            d.emplace(std::move(*key), std::move(*v));
        }
        return Value(std::move(d));
    }

    std::string_view b_;
    std::uint8_t offsetSize_ = 0, refSize_ = 0;
    std::uint64_t count_ = 0, tableOffset_ = 0, objectsEnd_ = 0, budget_ = 0;
    std::vector<std::uint8_t> state_;  // 1 while an object's children are being read
    std::string error_;
};

// --- binary writer -------------------------------------------------------

class BinaryWriter {
public:
    std::optional<Data> write(const Value& root, std::string& error) {
        if (!flatten(root, 0, error)) return std::nullopt;
        const std::uint64_t count = objects_.size();
        refSize_ = count <= 0xFF ? 1 : count <= 0xFFFF ? 2 : count <= 0xFFFFFFFFull ? 4 : 8;

        out_.assign({'b', 'p', 'l', 'i', 's', 't', '0', '0'});
        std::vector<std::uint64_t> offsets;
        offsets.reserve(count);
        for (const auto& o : objects_) {
            offsets.push_back(out_.size());
            emit(o);
        }
        const std::uint64_t tableOffset = out_.size();
        const std::uint64_t maxOffset = offsets.empty() ? 0 : offsets.back();
        const int offsetSize = maxOffset <= 0xFF ? 1 : maxOffset <= 0xFFFF ? 2 : maxOffset <= 0xFFFFFFFFull ? 4 : 8;
        for (auto off : offsets) putBE(off, offsetSize);
        for (int i = 0; i < 6; ++i) out_.push_back(0);
        out_.push_back(static_cast<std::uint8_t>(offsetSize));
        out_.push_back(static_cast<std::uint8_t>(refSize_));
        putBE(count, 8);
        putBE(0, 8);
        putBE(tableOffset, 8);
        return std::move(out_);
    }

private:
    struct Flat {
        const Value* value = nullptr;
        const std::string* key = nullptr;  // a dictionary key (a string object)
        std::vector<std::uint64_t> children;
    };

    std::uint64_t addString(const std::string& s) {
        auto [it, inserted] = strings_.try_emplace(s, objects_.size());
        if (inserted) objects_.push_back(Flat{nullptr, &s, {}});
        return it->second;
    }

    std::optional<std::uint64_t> flatten(const Value& v, int depth, std::string& error) {
        if (depth > kMaxDepth) {
            error = "value is nested too deeply for a property list";
            return std::nullopt;
        }
        if (v.isNull()) {
            error = "a property list cannot hold a null value";
            return std::nullopt;
        }
        if (auto s = v.asString()) return addString(*s);
        const std::uint64_t index = objects_.size();
        objects_.push_back(Flat{&v, nullptr, {}});
        if (auto a = v.asArray()) {
            std::vector<std::uint64_t> kids;
            kids.reserve(a->size());
            for (const auto& e : *a) {
                auto k = flatten(e, depth + 1, error);
                if (!k) return std::nullopt;
                kids.push_back(*k);
            }
            objects_[index].children = std::move(kids);
        } else if (auto d = v.asDictionary()) {
            std::vector<std::uint64_t> kids(d->size() * 2);
            std::size_t i = 0;
            for (const auto& [key, value] : *d) {
                kids[i] = addString(key);
                auto k = flatten(value, depth + 1, error);
                if (!k) return std::nullopt;
                kids[d->size() + i] = *k;
                ++i;
            }
            objects_[index].children = std::move(kids);
        }
        return index;
    }

    void putBE(std::uint64_t v, int n) {
        for (int i = n - 1; i >= 0; --i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void marker(std::uint8_t hi, std::uint64_t n) {
        if (n < 15) {
            out_.push_back(static_cast<std::uint8_t>(hi << 4 | n));
        } else {
            out_.push_back(static_cast<std::uint8_t>(hi << 4 | 0xF));
            putInt(static_cast<std::int64_t>(n));
        }
    }
    void putInt(std::int64_t i) {
        const auto u = static_cast<std::uint64_t>(i);
        if (i >= 0 && u <= 0xFF) out_.push_back(0x10), putBE(u, 1);
        else if (i >= 0 && u <= 0xFFFF) out_.push_back(0x11), putBE(u, 2);
        else if (i >= 0 && u <= 0xFFFFFFFFull) out_.push_back(0x12), putBE(u, 4);
        else out_.push_back(0x13), putBE(u, 8);
    }
    void putString(const std::string& s) {
        bool ascii = true;
        for (unsigned char c : s) ascii = ascii && c < 0x80;
        if (ascii) {
            marker(0x5, s.size());
            out_.insert(out_.end(), s.begin(), s.end());
        } else {
            const auto u = utf16FromUTF8(s);
            marker(0x6, u.size());
            for (char16_t c : u) putBE(c, 2);
        }
    }

    void emit(const Flat& o) {
        if (o.key) return putString(*o.key);
        std::visit(
            [&](const auto& x) {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, bool>) {
                    out_.push_back(x ? 0x09 : 0x08);
                } else if constexpr (std::is_same_v<T, std::int64_t>) {
                    putInt(x);
                } else if constexpr (std::is_same_v<T, double>) {
                    out_.push_back(0x23);
                    putBE(std::bit_cast<std::uint64_t>(x), 8);
                } else if constexpr (std::is_same_v<T, Date>) {
                    out_.push_back(0x33);
                    putBE(std::bit_cast<std::uint64_t>(x.secondsSinceReferenceDate), 8);
                } else if constexpr (std::is_same_v<T, Data>) {
                    marker(0x4, x.size());
                    out_.insert(out_.end(), x.begin(), x.end());
                } else if constexpr (std::is_same_v<T, UID>) {
                    int n = 1;
                    while (n < 8 && (x.value >> (8 * n)) != 0) ++n;
                    out_.push_back(static_cast<std::uint8_t>(0x80 | (n - 1)));
                    putBE(x.value, n);
                } else if constexpr (std::is_same_v<T, ValueArray>) {
                    marker(0xA, o.children.size());
                    for (auto c : o.children) putBE(c, refSize_);
                } else if constexpr (std::is_same_v<T, ValueDictionary>) {
                    marker(0xD, o.children.size() / 2);
                    for (auto c : o.children) putBE(c, refSize_);
                }
            },
            o.value->storage());
    }

    std::vector<Flat> objects_;
    std::unordered_map<std::string_view, std::uint64_t> strings_;
    Data out_;
    int refSize_ = 1;
};

// --- XML through libplist -------------------------------------------------

struct PlistDeleter {
    void operator()(void* p) const { plist_free(static_cast<plist_t>(p)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

std::optional<Value> fromPlist(plist_t node, int depth, std::string& error) {
    if (depth > kMaxDepth) {
        error = "property list is nested too deeply";
        return std::nullopt;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        std::uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return Value(b != 0);
    }
    case PLIST_UINT: {
        std::uint64_t u = 0;
        plist_get_uint_val(node, &u);
        return Value(static_cast<std::int64_t>(u));
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return Value(d);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        std::uint64_t len = 0;
        const char* s = plist_get_string_ptr(node, &len);
        return Value(repairedUTF8(std::string_view(s ? s : "", s ? len : 0)));
    }
    case PLIST_DATA: {
        std::uint64_t len = 0;
        const char* p = plist_get_data_ptr(node, &len);
        const auto* u = reinterpret_cast<const std::uint8_t*>(p);
        return Value(p ? Data(u, u + len) : Data{});
    }
    case PLIST_DATE: {
        std::int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return Value(Date{sec + usec / 1e6});
    }
    case PLIST_UID: {
        std::uint64_t u = 0;
        plist_get_uid_val(node, &u);
        return Value(UID{u});
    }
    case PLIST_ARRAY: {
        ValueArray a;
        const std::uint32_t n = plist_array_get_size(node);
        a.reserve(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            auto v = fromPlist(plist_array_get_item(node, i), depth + 1, error);
            if (!v) return std::nullopt;
            a.push_back(std::move(*v));
        }
        return Value(std::move(a));
    }
    case PLIST_DICT: {
        ValueDictionary d;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        if (!it) return Value(std::move(d));
        bool ok = true;
        for (;;) {
            char* key = nullptr;
            plist_t val = nullptr;
            plist_dict_next_item(node, it, &key, &val);
            if (!val) {
                std::free(key);
                break;
            }
            auto v = fromPlist(val, depth + 1, error);
            if (!v) {
                std::free(key);
                ok = false;
                break;
            }
            d.emplace(repairedUTF8(key ? key : ""), std::move(*v));
            std::free(key);
        }
        std::free(it);
        if (!ok) return std::nullopt;
        // XML has no UID element; {CF$UID = n} stands for one.
        if (d.size() == 1 && d.begin()->first == "CF$UID" && d.begin()->second.isInteger() &&
            *d.begin()->second.asInteger() >= 0)
            return Value(UID{static_cast<std::uint64_t>(*d.begin()->second.asInteger())});
        return Value(std::move(d));
    }
    default:
        error = "property list holds a value of an unknown kind";
        return std::nullopt;
    }
}

plist_t toPlist(const Value& v, int depth, std::string& error) {
    if (depth > kMaxDepth) {
        error = "value is nested too deeply for a property list";
        return nullptr;
    }
    return std::visit(
        [&](const auto& x) -> plist_t {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                error = "a property list cannot hold a null value";
                return nullptr;
            } else if constexpr (std::is_same_v<T, bool>) {
                return plist_new_bool(x ? 1 : 0);
            } else if constexpr (std::is_same_v<T, std::int64_t>) {
                return plist_new_uint(static_cast<std::uint64_t>(x));
            } else if constexpr (std::is_same_v<T, double>) {
                return plist_new_real(x);
            } else if constexpr (std::is_same_v<T, std::string>) {
                return plist_new_string(x.c_str());
            } else if constexpr (std::is_same_v<T, Data>) {
                return plist_new_data(reinterpret_cast<const char*>(x.data()), x.size());
            } else if constexpr (std::is_same_v<T, Date>) {
                const double s = x.secondsSinceReferenceDate;
                if (!(s > -2147483648.0 && s < 2147483647.0)) {
                    error = "date is out of the range an XML property list can hold";
                    return nullptr;
                }
                double whole = std::floor(s);
                long usec = std::lround((s - whole) * 1e6);
                if (usec >= 1000000) whole += 1, usec = 0;
                return plist_new_date(static_cast<std::int32_t>(whole), static_cast<std::int32_t>(usec));
            } else if constexpr (std::is_same_v<T, UID>) {
                return plist_new_uid(x.value);
            } else if constexpr (std::is_same_v<T, ValueArray>) {
                PlistPtr a(plist_new_array());
                for (const auto& e : x) {
                    plist_t c = toPlist(e, depth + 1, error);
                    if (!c) return nullptr;
                    plist_array_append_item(static_cast<plist_t>(a.get()), c);
                }
                return static_cast<plist_t>(a.release());
            } else {
                PlistPtr d(plist_new_dict());
                for (const auto& [k, e] : x) {
                    plist_t c = toPlist(e, depth + 1, error);
                    if (!c) return nullptr;
                    plist_dict_set_item(static_cast<plist_t>(d.get()), k.c_str(), c);
                }
                return static_cast<plist_t>(d.release());
            }
        },
        v.storage());
}

// libplist's XML parser recurses once per level; refuse deep input before
// handing it over.
bool xmlNestingWithinLimit(std::string_view s) {
    int depth = 0;
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
        if (s[i] != '<') continue;
        if (s[i + 1] == '/') {
            if (depth > 0) --depth;
            continue;
        }
        if (s.compare(i + 1, 5, "array") == 0 || s.compare(i + 1, 4, "dict") == 0) {
            const auto close = s.find('>', i);
            if (close != std::string_view::npos && s[close - 1] == '/') continue;
            if (++depth > kMaxDepth) return false;
        }
    }
    return true;
}

}  // namespace

namespace PropertyList {

PropertyListResult read(std::string_view bytes) {
    PropertyListResult result;
    if (bytes.size() >= 6 && bytes.substr(0, 6) == "bplist") {
        result.format = PropertyListFormat::Binary;
        BinaryReader reader(bytes);
        result.value = reader.parse(result.error);
        return result;
    }
    result.format = PropertyListFormat::XML;
    if (bytes.empty()) {
        result.error = "property list is empty";
        return result;
    }
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
        result.error = "property list is too large";
        return result;
    }
    if (!xmlNestingWithinLimit(bytes)) {
        result.error = "property list is nested too deeply";
        return result;
    }
    plist_t raw = nullptr;
    plist_from_xml(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &raw);
    PlistPtr node(raw);
    if (!node) {
        result.error = "not a property list (neither binary nor valid XML)";
        return result;
    }
    result.value = fromPlist(raw, 0, result.error);
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
    std::optional<Data> out;
    if (format == PropertyListFormat::Binary) {
        out = BinaryWriter().write(value, message);
    } else {
        PlistPtr node(toPlist(value, 0, message));
        if (node) {
            char* xml = nullptr;
            std::uint32_t length = 0;
            plist_to_xml(static_cast<plist_t>(node.get()), &xml, &length);
            if (xml) {
                out = Data(reinterpret_cast<const std::uint8_t*>(xml), reinterpret_cast<const std::uint8_t*>(xml) + length);
                plist_to_xml_free(xml);
            } else {
                message = "the property list could not be written as XML";
            }
        }
    }
    if (!out && error) *error = message;
    return out;
}

}  // namespace PropertyList

}  // namespace platform
