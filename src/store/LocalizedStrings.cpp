#include "store/LocalizedStrings.h"

#include <map>
#include <memory>
#include <mutex>

namespace frelt {

namespace {

struct Cache {
    std::mutex m;
    std::function<std::optional<std::string>(const std::string&)> lookup;
    // node-based: references handed out stay valid while new texts are added
    std::map<const LocalizedString*, std::unique_ptr<std::string>> values;
};

Cache& cache() {
    static auto* c = new Cache;
    return *c;
}

}  // namespace

const std::string& LocalizedString::value() const {
    auto& c = cache();
    std::lock_guard lock(c.m);
    auto it = c.values.find(this);
    if (it != c.values.end()) return *it->second;
    std::optional<std::string> translated;
    if (c.lookup) translated = c.lookup(key);
    auto text = std::make_unique<std::string>(translated ? *translated : std::string(english));
    return *c.values.emplace(this, std::move(text)).first->second;
}

std::string replacingPlaceholders(std::string text,
                                  const std::vector<std::pair<std::string, std::string>>& replacements) {
    for (const auto& [placeholder, value] : replacements) {
        if (placeholder.empty()) continue;
        std::string out;
        std::size_t pos = 0;
        for (std::size_t hit; (hit = text.find(placeholder, pos)) != std::string::npos; pos = hit + placeholder.size()) {
            out.append(text, pos, hit - pos);
            out += value;
        }
        out.append(text, pos, std::string::npos);
        text = std::move(out);
    }
    return text;
}

namespace localization {

void setTranslationLookup(std::function<std::optional<std::string>(const std::string&)> lookup) {
    auto& c = cache();
    std::lock_guard lock(c.m);
    c.lookup = std::move(lookup);
}

std::string localizedByEnglishKey(const std::string& english) {
    auto& c = cache();
    std::function<std::optional<std::string>(const std::string&)> lookup;
    {
        std::lock_guard lock(c.m);
        lookup = c.lookup;
    }
    if (lookup)
        if (auto t = lookup(english)) return *t;
    return english;
}

void resetCache() {
    auto& c = cache();
    std::lock_guard lock(c.m);
    c.values.clear();
}

}  // namespace localization

}  // namespace frelt
