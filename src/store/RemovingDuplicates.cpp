#include "store/RemovingDuplicates.h"

#include <unordered_set>

#include "platform/foundation/Text.h"

namespace frelt {

std::vector<std::string> removingDuplicates(const std::vector<std::string>& elements) {
    std::vector<std::string> result;
    result.reserve(elements.size());
    std::unordered_set<std::string> seen;
    for (const auto& element : elements)
        if (seen.insert(platform::text::nfc(element)).second) result.push_back(element);
    return result;
}

}  // namespace frelt
