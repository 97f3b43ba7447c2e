#pragma once
// Reading and writing property lists (binary and XML) as platform::Value.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/foundation/Value.h"

namespace platform {

enum class PropertyListFormat { Binary, XML };

// The outcome of reading a property list: a value, or a readable reason why
// there is none.
struct PropertyListResult {
    std::optional<Value> value;
    std::string error;  // empty on success
    PropertyListFormat format = PropertyListFormat::Binary;  // the format that was read

    explicit operator bool() const { return value.has_value(); }
};

namespace PropertyList {

// Parses binary ("bplist00") or XML input; the format is recognised from the
// bytes. Null values cannot be stored in a property list and never appear in
// the result.
PropertyListResult read(const Data& bytes);
PropertyListResult read(std::string_view bytes);

// Reads a whole file; a missing or unreadable file is an error naming it.
PropertyListResult readFile(const std::string& path);

// Serialises a value. A property list has no null: a null value, or a null
// inside an array or dictionary, makes the write fail with a reason in
// `error` (when given) and an empty optional. UIDs are written as UIDs in the
// binary format; the XML format keeps them as the usual {CF$UID = n} form.
// XML cannot carry every value: a text with control characters (a carriage
// return is fine), a date with a fraction of a second or outside the years
// 0000 to 9999 is refused with a reason rather than written changed.
std::optional<Data> write(const Value& value, PropertyListFormat format, std::string* error = nullptr);

}  // namespace PropertyList

// A binary property list written object by object, for data held in another
// shape than a Value (keyed archives write theirs straight from their own
// records). Objects are numbered in the order they are added; the first one
// added is the top. Equal strings become one object, at the place of the
// first. PropertyList::write goes through the same writer, so the bytes are
// the same as for a Value added in the order that write walks it: depth
// first, a dictionary's pairs in key order, each key just before its value.
class BinaryPropertyListWriter {
public:
    using Object = std::uint64_t;

    // The text is read again by finish(): it must stay alive until then.
    Object string(std::string_view text);
    Object boolean(bool b);
    Object integer(std::int64_t i);
    // Above 2^63 - 1; smaller values are written as integer() writes them.
    Object unsignedInteger(std::uint64_t u);
    Object real(double d);
    Object date(Date d);
    Object data(std::span<const std::uint8_t> bytes);
    Object uid(std::uint64_t value);
    // A container is numbered when added; its contents follow once they
    // have numbers of their own: an array's elements, or a dictionary's keys
    // and then its values (as many of each).
    Object array();
    Object dictionary();
    void setContents(Object container, std::span<const Object> contents);

    // The whole file.
    Data finish();

private:
    struct Entry {
        std::uint8_t container = 0;  // 0 for objects written at once, else the array or dictionary marker
        std::uint64_t start = 0;     // in payload_, or in contents_ for a container
        std::uint64_t length = 0;
    };
    Object scalar(std::size_t start);

    std::vector<Entry> entries_;
    Data payload_;
    std::vector<Object> contents_;
    std::unordered_map<std::string_view, Object> strings_;
};

// A binary property list read where it lies. open() checks the file as
// PropertyList::read does (every offset, reference, length and value;
// cycles, depth and what the file would expand to) but builds nothing;
// objects are then read one at a time when asked for, and dictionary keys
// are compared where they lie. For files that are turned straight into other
// objects, such as keyed archives. The view refers to the bytes, which must
// outlive it.
class BinaryPropertyList {
public:
    enum class Kind { Bool, Integer, Real, Date, Data, String, UID, Array, Dictionary };
    // An object of the file: its index in the file's object table. Only the
    // objects reached from top() through element() and find() were checked,
    // so only those may be asked about.
    using Object = std::uint64_t;

    // The view, or nullopt with the reason in `error` for any file that
    // PropertyList::read refuses.
    static std::optional<BinaryPropertyList> open(std::string_view bytes, std::string& error);

    Object top() const { return top_; }
    Kind kind(Object o) const;
    // Elements of an array (or set), pairs of a dictionary, bytes of data,
    // stored characters of a string; 0 for other kinds.
    std::uint64_t size(Object o) const;
    // The i-th element of an array (i < size).
    Object element(Object array, std::uint64_t i) const;
    // The key and the value of a dictionary's i-th pair (i < size).
    Object keyAt(Object dictionary, std::uint64_t i) const;
    Object valueAt(Object dictionary, std::uint64_t i) const;
    // The value under `key` (the last one when a key repeats, as a read
    // keeps it); nullopt when the key is absent or `dictionary` is none.
    std::optional<Object> find(Object dictionary, std::string_view key) const;
    // A string's text, as a read gives it; empty for other kinds.
    std::string string(Object o) const;
    // The text where it lies, for strings kept as UTF-8 (most are); nullopt
    // for strings that must be converted, and for other kinds.
    std::optional<std::string_view> textInPlace(Object o) const;
    // Whether a string reads as `text`.
    bool stringEquals(Object o, std::string_view text) const;
    // A UID's value; nullopt for other kinds.
    std::optional<std::uint64_t> uid(Object o) const;
    // The object and everything in it as a value, as a read builds it.
    Value value(Object o) const;

private:
    struct Header;
    class Checker;
    explicit BinaryPropertyList(std::string_view bytes) : bytes_(bytes) {}
    std::uint8_t byte(std::uint64_t at) const { return static_cast<std::uint8_t>(bytes_[at]); }
    std::uint64_t be(std::uint64_t at, std::uint64_t n) const;
    std::uint64_t reference(std::uint64_t at, std::uint64_t i) const { return be(at + i * refSize_, refSize_); }
    // Whether `n` bytes from `at` lie before the offset table.
    bool has(std::uint64_t at, std::uint64_t n) const { return at <= tableOffset_ && n <= tableOffset_ - at; }
    // Why a number, date, boolean or UID cannot be read; nullptr when it can.
    const char* scalarProblem(const Header& h) const;
    // An object's marker and where its payload starts, with its length or
    // count; only for checked objects.
    Header header(Object o) const;
    std::string decodedString(const Header& h) const;

    std::string_view bytes_;
    std::uint8_t offsetSize_ = 0, refSize_ = 0;
    std::uint64_t count_ = 0, top_ = 0, tableOffset_ = 0;
};

}  // namespace platform
