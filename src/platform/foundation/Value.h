#pragma once
// One value type for property lists, user defaults, key-value coding,
// predicates and notification user info.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace platform {

class Value;
using ValueArray = std::vector<Value>;
using ValueDictionary = std::map<std::string, Value>;
using Data = std::vector<std::uint8_t>;

// A point in time as seconds since 2001-01-01 00:00:00 UTC, the reference
// date the stored archives use.
struct Date {
    double secondsSinceReferenceDate = 0;
    static Date now();
    static Date fromUnixTime(double seconds) { return Date{seconds - 978307200.0}; }
    double unixTime() const { return secondsSinceReferenceDate + 978307200.0; }
    auto operator<=>(const Date&) const = default;
};

// A reference into a keyed archive's object table.
struct UID {
    std::uint64_t value = 0;
    auto operator<=>(const UID&) const = default;
};

class Value {
public:
    // Integers above the signed 64-bit range (up to 2^64 - 1) are held as
    // unsigned values, as property lists carry them; every other integer is
    // signed, so one number has one representation.
    using Storage = std::variant<std::monostate, bool, std::int64_t, double, std::string, Data, Date,
                                 ValueArray, ValueDictionary, UID, std::uint64_t>;

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool b) : storage_(b) {}
    Value(int i) : storage_(static_cast<std::int64_t>(i)) {}
    Value(long i) : storage_(static_cast<std::int64_t>(i)) {}
    Value(long long i) : storage_(static_cast<std::int64_t>(i)) {}
    Value(unsigned i) : storage_(static_cast<std::int64_t>(i)) {}
    Value(unsigned long i) : Value(static_cast<unsigned long long>(i)) {}
    Value(unsigned long long i) {
        if (i > static_cast<unsigned long long>(INT64_MAX)) storage_ = static_cast<std::uint64_t>(i);
        else storage_ = static_cast<std::int64_t>(i);
    }
    Value(double d) : storage_(d) {}
    Value(float f) : storage_(static_cast<double>(f)) {}
    Value(const char* s) : storage_(std::string(s)) {}
    Value(std::string s) : storage_(std::move(s)) {}
    Value(Data d) : storage_(std::move(d)) {}
    Value(Date d) : storage_(d) {}
    Value(ValueArray a) : storage_(std::move(a)) {}
    Value(ValueDictionary d) : storage_(std::move(d)) {}
    Value(UID u) : storage_(u) {}
    Value(const std::vector<std::string>& strings) {
        ValueArray a;
        a.reserve(strings.size());
        for (const auto& s : strings) a.emplace_back(s);
        storage_ = std::move(a);
    }

    bool isNull() const { return std::holds_alternative<std::monostate>(storage_); }
    bool isBool() const { return std::holds_alternative<bool>(storage_); }
    // An integer that fits a signed 64-bit integer; asInteger() always has it.
    bool isInteger() const { return std::holds_alternative<std::int64_t>(storage_); }
    // An integer above 2^63 - 1, held unsigned; asUnsignedInteger() has it.
    bool isUnsignedInteger() const { return std::holds_alternative<std::uint64_t>(storage_); }
    bool isReal() const { return std::holds_alternative<double>(storage_); }
    bool isNumber() const { return isInteger() || isUnsignedInteger() || isReal() || isBool(); }
    bool isString() const { return std::holds_alternative<std::string>(storage_); }
    bool isData() const { return std::holds_alternative<Data>(storage_); }
    bool isDate() const { return std::holds_alternative<Date>(storage_); }
    bool isArray() const { return std::holds_alternative<ValueArray>(storage_); }
    bool isDictionary() const { return std::holds_alternative<ValueDictionary>(storage_); }
    bool isUID() const { return std::holds_alternative<UID>(storage_); }

    // Typed reads: a value of another kind reads as absent.
    std::optional<bool> asBool() const;           // booleans and numbers
    // Integers, reals (truncated), booleans; absent when the value does not
    // fit a signed 64-bit integer, never wrapped.
    std::optional<std::int64_t> asInteger() const;
    // Integers from 0 to 2^64 - 1.
    std::optional<std::uint64_t> asUnsignedInteger() const;
    std::optional<double> asDouble() const;        // any number
    const std::string* asString() const { return std::get_if<std::string>(&storage_); }
    const Data* asData() const { return std::get_if<Data>(&storage_); }
    const Date* asDate() const { return std::get_if<Date>(&storage_); }
    const ValueArray* asArray() const { return std::get_if<ValueArray>(&storage_); }
    ValueArray* asArray() { return std::get_if<ValueArray>(&storage_); }
    const ValueDictionary* asDictionary() const { return std::get_if<ValueDictionary>(&storage_); }
    ValueDictionary* asDictionary() { return std::get_if<ValueDictionary>(&storage_); }
    const UID* asUID() const { return std::get_if<UID>(&storage_); }

    // Dictionary member, or a null value when absent or not a dictionary.
    const Value& operator[](const std::string& key) const;

    // Orders integers and booleans exactly across the signed and unsigned
    // ranges: -1, 0 or 1. Both must be integers or booleans.
    static int compareIntegers(const Value& a, const Value& b);

    const Storage& storage() const { return storage_; }
    bool operator==(const Value& other) const { return storage_ == other.storage_; }

    // A short readable form for log lines and test failures.
    std::string description() const;

private:
    Storage storage_;
};

}  // namespace platform
