#include "platform/foundation/KeyValueCoding.h"

namespace platform {

namespace {
std::optional<Value> follow(Value current, const std::string& keyPath, std::size_t from) {
    while (from <= keyPath.size()) {
        const std::size_t dot = keyPath.find('.', from);
        const std::string key = keyPath.substr(from, dot == std::string::npos ? std::string::npos : dot - from);
        const auto* dictionary = current.asDictionary();
        if (!dictionary) return std::nullopt;
        auto it = dictionary->find(key);
        if (it == dictionary->end()) return std::nullopt;
        Value next = it->second;
        current = std::move(next);
        if (dot == std::string::npos) break;
        from = dot + 1;
    }
    return current;
}
}  // namespace

std::optional<Value> KeyValueCoding::valueForKeyPath(const std::string& keyPath) const {
    const std::size_t dot = keyPath.find('.');
    if (dot == std::string::npos) return valueForKey(keyPath);
    auto first = valueForKey(keyPath.substr(0, dot));
    if (!first) return std::nullopt;
    return follow(std::move(*first), keyPath, dot + 1);
}

std::optional<Value> valueForKeyPath(const Value& value, const std::string& keyPath) {
    if (keyPath.empty()) return value;
    return follow(value, keyPath, 0);
}

}  // namespace platform
