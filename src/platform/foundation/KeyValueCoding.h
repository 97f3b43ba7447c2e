#pragma once
// Key-value access to model objects by name, as predicates and sort
// descriptors use it. Model objects (entries, tags) implement valueForKey for
// the properties they expose; a list of texts is a Value array of strings.

#include <optional>
#include <string>

#include "platform/foundation/Value.h"

namespace platform {

class KeyValueCoding {
public:
    virtual ~KeyValueCoding() = default;

    // The value of a property, or nullopt for a key the object does not have.
    // A property that exists but holds nothing may answer a null Value.
    virtual std::optional<Value> valueForKey(const std::string& key) const = 0;

    // A dotted path: the first key is asked of the object, each further key
    // of the dictionary the previous step gave. A step that finds nothing (or
    // no dictionary to look into) ends the path with nullopt.
    std::optional<Value> valueForKeyPath(const std::string& keyPath) const;
};

// Follows a dotted key path into dictionary values; "" gives the value itself.
std::optional<Value> valueForKeyPath(const Value& value, const std::string& keyPath);

}  // namespace platform
