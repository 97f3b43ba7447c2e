#pragma once
// Turning values into text for log messages and filling a format string with
// them. The format strings are the program's constant message texts:
//
//   "%{public}@", "%{private}@", "%@"  the next value as text (describe())
//   "%f", "%.3f"                       the next value as a double, as printf does
//   "%d", "%i", "%ld", "%lld", "%u"   the next value as an integer
//   "%%"                               a percent sign
//
// Values may be text, numbers (integers become their decimal text), bool,
// enumerations with a rawValue(), anything with a description() member,
// pointers, optionals and lists of those. Conversion happens only inside
// formatLogMessage(), so a message that is never written converts nothing.

#include <charconv>
#include <concepts>
#include <cstdint>
#include <filesystem>
#include <ranges>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace frelt {

namespace detail {

template <class T>
concept TextLike = std::is_convertible_v<const T&, std::string_view>;

template <class T>
concept HasDescription = requires(const T& v) {
    { v.description() } -> std::convertible_to<std::string>;
};

template <class T>
concept HasRawValue = std::is_enum_v<T> && requires(T v) {
    { rawValue(v) } -> std::convertible_to<std::string_view>;
};

template <class T>
concept PointerLike = !TextLike<T> && requires(const T& p) {
    static_cast<bool>(p);
    *p;
};

template <class T>
concept PairLike = requires(const T& p) {
    p.first;
    p.second;
};

std::string describeFloating(double value);

}  // namespace detail

// The text a value shows in a log message (and in a container's description).
template <class T>
std::string describe(const T& value) {
    if constexpr (detail::TextLike<T>) {
        if constexpr (std::is_pointer_v<std::decay_t<T>>) {
            if (value == nullptr) return "nil";
        }
        return std::string(std::string_view(value));
    } else if constexpr (std::is_same_v<T, std::filesystem::path>) {
        return value.string();
    } else if constexpr (std::is_same_v<T, bool>) {
        return value ? "true" : "false";
    } else if constexpr (std::is_same_v<T, char>) {
        return std::string(1, value);
    } else if constexpr (std::is_integral_v<T>) {
        char buf[32];
        auto res = std::to_chars(buf, buf + sizeof buf, value);
        return std::string(buf, res.ptr);
    } else if constexpr (std::is_floating_point_v<T>) {
        return detail::describeFloating(static_cast<double>(value));
    } else if constexpr (detail::HasDescription<T>) {
        return std::string(value.description());
    } else if constexpr (detail::HasRawValue<T>) {
        return std::string(std::string_view(rawValue(value)));
    } else if constexpr (std::is_enum_v<T>) {
        return describe(static_cast<std::underlying_type_t<T>>(value));
    } else if constexpr (detail::PointerLike<T>) {
        if (!value) return "nil";
        return describe(*value);
    } else if constexpr (detail::PairLike<T>) {
        return "(" + describe(value.first) + ", " + describe(value.second) + ")";
    } else if constexpr (std::ranges::input_range<const T>) {
        std::string out = "[";
        bool first = true;
        for (const auto& element : value) {
            if (!first) out += ", ";
            first = false;
            out += describe(element);
        }
        out += "]";
        return out;
    } else {
        static_assert(sizeof(T) == 0, "describe(): give the type a description() member");
    }
}

// One value of a log message, held by reference until the message is built.
class LogArgument {
public:
    template <class T>
    explicit LogArgument(const T& value) {
        if constexpr (std::is_same_v<T, bool>) {
            kind_ = Kind::boolean;
            signed_ = value ? 1 : 0;
        } else if constexpr (std::is_integral_v<T> && std::is_signed_v<T> && !std::is_same_v<T, char>) {
            kind_ = Kind::signedInteger;
            signed_ = static_cast<long long>(value);
        } else if constexpr (std::is_integral_v<T> && std::is_unsigned_v<T>) {
            kind_ = Kind::unsignedInteger;
            unsigned_ = static_cast<unsigned long long>(value);
        } else if constexpr (std::is_floating_point_v<T>) {
            kind_ = Kind::floating;
            floating_ = static_cast<double>(value);
        } else {
            kind_ = Kind::other;
            object_ = &value;
            describe_ = [](const void* v) { return describe(*static_cast<const T*>(v)); };
        }
    }

    // The value as "%@" shows it.
    std::string text() const;
    // The value as "%f" and "%d" read it; 0 for a value that is no number.
    double floating() const;
    long long integer() const;
    unsigned long long unsignedInteger() const;

private:
    enum class Kind { boolean, signedInteger, unsignedInteger, floating, other };
    Kind kind_ = Kind::other;
    long long signed_ = 0;
    unsigned long long unsigned_ = 0;
    double floating_ = 0;
    const void* object_ = nullptr;
    std::string (*describe_)(const void*) = nullptr;
};

// Fills `format` with `arguments`, in order. A placeholder without a value
// left shows as "(missing)"; values left over are ignored.
std::string formatLogMessage(std::string_view format, std::span<const LogArgument> arguments);

template <class... Args>
std::string formatLogMessage(std::string_view format, const Args&... args) {
    if constexpr (sizeof...(Args) == 0) {
        return formatLogMessage(format, std::span<const LogArgument>{});
    } else {
        const LogArgument list[] = {LogArgument(args)...};
        return formatLogMessage(format, std::span<const LogArgument>(list));
    }
}

}  // namespace frelt
