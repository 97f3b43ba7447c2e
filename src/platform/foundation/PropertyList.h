#pragma once
// Reading and writing property lists (binary and XML) as platform::Value.

#include <optional>
#include <string>
#include <string_view>

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

}  // namespace platform
