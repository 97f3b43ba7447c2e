#include "store/LogFormat.h"

#include <cmath>
#include <cstdio>

namespace frelt {

namespace detail {

std::string describeFloating(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    std::string out(buf, res.ptr);
    // A whole number still reads as a floating-point value: "3.0", not "3".
    if (out.find_first_of(".e") == std::string::npos) out += ".0";
    return out;
}

}  // namespace detail

std::string LogArgument::text() const {
    switch (kind_) {
        case Kind::boolean: return signed_ ? "true" : "false";
        case Kind::signedInteger: return describe(signed_);
        case Kind::unsignedInteger: return describe(unsigned_);
        case Kind::floating: return detail::describeFloating(floating_);
        case Kind::other: return describe_(object_);
    }
    return {};
}

double LogArgument::floating() const {
    switch (kind_) {
        case Kind::boolean:
        case Kind::signedInteger: return static_cast<double>(signed_);
        case Kind::unsignedInteger: return static_cast<double>(unsigned_);
        case Kind::floating: return floating_;
        case Kind::other: return 0;
    }
    return 0;
}

long long LogArgument::integer() const {
    switch (kind_) {
        case Kind::boolean:
        case Kind::signedInteger: return signed_;
        case Kind::unsignedInteger: return static_cast<long long>(unsigned_);
        case Kind::floating:
            // Out-of-range conversion would be undefined; clamp instead.
            if (std::isnan(floating_)) return 0;
            if (floating_ >= 9.2e18) return INT64_MAX;
            if (floating_ <= -9.2e18) return INT64_MIN;
            return static_cast<long long>(floating_);
        case Kind::other: return 0;
    }
    return 0;
}

unsigned long long LogArgument::unsignedInteger() const {
    if (kind_ == Kind::unsignedInteger) return unsigned_;
    return static_cast<unsigned long long>(integer());
}

std::string formatLogMessage(std::string_view format, std::span<const LogArgument> arguments) {
    std::string out;
    out.reserve(format.size() + 16 * arguments.size());
    std::size_t next = 0;
    const LogArgument* current = nullptr;
    auto take = [&]() -> const LogArgument* {
        current = next < arguments.size() ? &arguments[next] : nullptr;
        ++next;
        return current;
    };

    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        // %[{modifiers}][.precision][length]conversion
        std::size_t j = i + 1;
        if (j < format.size() && format[j] == '{') {
            const auto close = format.find('}', j);
            if (close == std::string_view::npos) {
                out.append(format.substr(i));
                break;
            }
            j = close + 1;
        }
        int precision = -1;
        if (j < format.size() && format[j] == '.') {
            ++j;
            precision = 0;
            while (j < format.size() && format[j] >= '0' && format[j] <= '9' && precision < 100) {
                precision = precision * 10 + (format[j] - '0');
                ++j;
            }
        }
        while (j < format.size() && (format[j] == 'l' || format[j] == 'h' || format[j] == 'z' || format[j] == 'q')) ++j;
        if (j >= format.size()) {
            out.append(format.substr(i));
            break;
        }
        const char conversion = format[j];
        switch (conversion) {
            case '@':
            case 's':
                out += take() ? current->text() : "(missing)";
                break;
            case 'd':
            case 'i':
                out += take() ? describe(current->integer()) : "(missing)";
                break;
            case 'u':
                out += take() ? describe(current->unsignedInteger()) : "(missing)";
                break;
            case 'f':
            case 'F':
                if (take()) {
                    char buf[512];
                    std::snprintf(buf, sizeof buf, "%.*f", precision < 0 ? 6 : precision, current->floating());
                    out += buf;
                } else {
                    out += "(missing)";
                }
                break;
            default:
                // Not a placeholder this program uses: keep it as written.
                out.append(format.substr(i, j + 1 - i));
                break;
        }
        i = j + 1;
    }
    return out;
}

}  // namespace frelt
