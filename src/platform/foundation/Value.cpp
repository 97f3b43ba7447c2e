#include "platform/foundation/Value.h"

#include <chrono>
#include <cstdio>
#include <sstream>

namespace platform {

Date Date::now() {
    using namespace std::chrono;
    const double unix = duration<double>(system_clock::now().time_since_epoch()).count();
    return fromUnixTime(unix);
}

std::optional<bool> Value::asBool() const {
    if (auto b = std::get_if<bool>(&storage_)) return *b;
    if (auto i = std::get_if<std::int64_t>(&storage_)) return *i != 0;
    if (auto d = std::get_if<double>(&storage_)) return *d != 0.0;
    if (std::holds_alternative<std::uint64_t>(storage_)) return true;  // only values above 2^63 - 1
    return std::nullopt;
}

std::optional<std::int64_t> Value::asInteger() const {
    if (auto i = std::get_if<std::int64_t>(&storage_)) return *i;
    if (auto d = std::get_if<double>(&storage_)) {
        if (*d != *d || *d >= 9.2e18 || *d <= -9.2e18) return std::nullopt;
        return static_cast<std::int64_t>(*d);
    }
    if (auto b = std::get_if<bool>(&storage_)) return *b ? 1 : 0;
    return std::nullopt;
}

std::optional<std::uint64_t> Value::asUnsignedInteger() const {
    if (auto u = std::get_if<std::uint64_t>(&storage_)) return *u;
    if (auto i = std::get_if<std::int64_t>(&storage_); i && *i >= 0) return static_cast<std::uint64_t>(*i);
    return std::nullopt;
}

int Value::compareIntegers(const Value& a, const Value& b) {
    const auto x = a.asInteger(), y = b.asInteger();
    if (x && y) return *x < *y ? -1 : (*x > *y ? 1 : 0);
    // At least one lies above 2^63 - 1; a value without an unsigned form is negative.
    const auto ux = a.asUnsignedInteger(), uy = b.asUnsignedInteger();
    if (ux && uy) return *ux < *uy ? -1 : (*ux > *uy ? 1 : 0);
    return ux ? 1 : -1;
}

std::optional<double> Value::asDouble() const {
    if (auto d = std::get_if<double>(&storage_)) return *d;
    if (auto i = std::get_if<std::int64_t>(&storage_)) return static_cast<double>(*i);
    if (auto u = std::get_if<std::uint64_t>(&storage_)) return static_cast<double>(*u);
    if (auto b = std::get_if<bool>(&storage_)) return *b ? 1.0 : 0.0;
    return std::nullopt;
}

const Value& Value::operator[](const std::string& key) const {
    static const Value null;
    if (auto d = asDictionary()) {
        auto it = d->find(key);
        if (it != d->end()) return it->second;
    }
    return null;
}

namespace {
void describe(const Value& v, std::ostringstream& out) {
    std::visit(
        [&](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) out << "(null)";
            else if constexpr (std::is_same_v<T, bool>) out << (x ? "true" : "false");
            else if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, std::uint64_t>) out << x;
            else if constexpr (std::is_same_v<T, double>) out << x;
            else if constexpr (std::is_same_v<T, std::string>) out << x;
            else if constexpr (std::is_same_v<T, Data>) out << "{length = " << x.size() << " bytes}";
            else if constexpr (std::is_same_v<T, Date>) out << "Date(" << x.secondsSinceReferenceDate << ")";
            else if constexpr (std::is_same_v<T, UID>) out << "UID(" << x.value << ")";
            else if constexpr (std::is_same_v<T, ValueArray>) {
                out << "(";
                for (std::size_t i = 0; i < x.size(); ++i) {
                    if (i) out << ", ";
                    describe(x[i], out);
                }
                out << ")";
            } else {
                out << "{";
                bool first = true;
                for (const auto& [k, val] : x) {
                    if (!first) out << "; ";
                    first = false;
                    out << k << " = ";
                    describe(val, out);
                }
                out << "}";
            }
        },
        v.storage());
}
}  // namespace

std::string Value::description() const {
    std::ostringstream out;
    describe(*this, out);
    return out.str();
}

}  // namespace platform
