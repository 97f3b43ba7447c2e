#pragma once
// What the program may do at a location: permission flags (Permissions) and
// the outcome of examining one location (AccessInfo). Callers of the access
// layer state the permissions they accept as a set; the layer reports the
// permissions it found as a set, and `allows` decides between the two.

#include <cstdint>
#include <initializer_list>
#include <optional>

#include "platform/foundation/URL.h"
#include "platform/foundation/Value.h"

namespace frelt {

class Permissions {
public:
    using RawValue = std::int64_t;

    constexpr Permissions() = default;
    constexpr explicit Permissions(RawValue rawValue) : rawValue_(rawValue) {}
    constexpr Permissions(std::initializer_list<Permissions> flags) {
        for (auto f : flags) rawValue_ |= f.rawValue_;
    }

    // A stored grant covers the location (found) / a grant is good enough (accepted).
    static constexpr Permissions bookmark() { return Permissions(1); }
    // The process may read the location.
    static constexpr Permissions readOnly() { return Permissions(2); }
    // The process may read and write the location.
    static constexpr Permissions readWrite() { return Permissions(4); }
    // What nearly every caller accepts: reading or writing, by plain
    // permission or through a grant.
    static constexpr Permissions readAccess() { return Permissions(3); }
    static constexpr Permissions writeAccess() { return Permissions(5); }

    constexpr RawValue rawValue() const { return rawValue_; }
    constexpr bool isEmpty() const { return rawValue_ == 0; }
    constexpr bool contains(Permissions p) const { return (rawValue_ & p.rawValue_) == p.rawValue_; }
    constexpr bool isSubset(Permissions of) const { return (rawValue_ & ~of.rawValue_) == 0; }
    constexpr bool isSuperset(Permissions of) const { return of.isSubset(*this); }
    constexpr void insert(Permissions p) { rawValue_ |= p.rawValue_; }
    constexpr void remove(Permissions p) { rawValue_ &= ~p.rawValue_; }

    constexpr bool canRead() const { return (rawValue_ & 3) != 0; }
    constexpr bool canWrite() const { return (rawValue_ & 5) != 0; }
    // Whether what was found satisfies what is acceptable: nothing is asked,
    // or the two share a flag.
    constexpr bool allows(Permissions acceptable) const {
        return acceptable.isEmpty() || (rawValue_ & acceptable.rawValue_) != 0;
    }

    friend constexpr Permissions operator|(Permissions a, Permissions b) {
        return Permissions(a.rawValue_ | b.rawValue_);
    }
    friend constexpr Permissions operator&(Permissions a, Permissions b) {
        return Permissions(a.rawValue_ & b.rawValue_);
    }
    friend constexpr Permissions operator^(Permissions a, Permissions b) {
        return Permissions(a.rawValue_ ^ b.rawValue_);
    }
    friend constexpr Permissions operator-(Permissions a, Permissions b) {
        return Permissions(a.rawValue_ & ~b.rawValue_);
    }
    friend constexpr bool operator==(Permissions a, Permissions b) = default;

private:
    RawValue rawValue_ = 0;
};

// The outcome of examining one location; made only by the access layer.
struct AccessInfo {
    // The location of the grant that covers the examined one (possibly an
    // enclosing folder); none when no grant covers it or the grant did not
    // resolve.
    std::optional<platform::URL> securityScopedURL;
    // The covering grant's data; present without a URL when the grant exists
    // but no longer resolves.
    std::optional<platform::Data> bookmarkData;
    // `bookmark` exactly when securityScopedURL is present; readOnly and
    // readWrite from the process's own rights.
    Permissions permissions;
};

// Declared for completeness of the access model; nothing uses them.
class Powerbox {};
enum class PowerboxAccessMode { readOnly, readWrite };

}  // namespace frelt
