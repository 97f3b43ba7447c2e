#pragma once
// Enumerations with string raw values: one table per enumeration maps each
// case to its raw value; parsing is exact and case-sensitive, and a string
// that is no raw value gives no case.
//
//   inline constexpr platform::RawValueTable<Kind, 2> kKinds{{{Kind::a, "a"}, {Kind::b, "b"}}};
//   kKinds.rawValue(Kind::a); kKinds.fromRawValue("b");

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace platform {

template <class E, std::size_t N>
struct RawValueTable {
    std::array<std::pair<E, const char*>, N> entries;

    constexpr const char* rawValue(E value) const {
        for (const auto& [e, raw] : entries)
            if (e == value) return raw;
        return "";
    }

    constexpr std::optional<E> fromRawValue(std::string_view raw) const {
        for (const auto& [e, r] : entries)
            if (raw == r) return e;
        return std::nullopt;
    }

    // All cases in declaration order.
    constexpr std::array<E, N> allCases() const {
        std::array<E, N> out{};
        for (std::size_t i = 0; i < N; ++i) out[i] = entries[i].first;
        return out;
    }
};

}  // namespace platform
