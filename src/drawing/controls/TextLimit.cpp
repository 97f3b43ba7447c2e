#include "drawing/controls/TextLimit.h"

#include "platform/foundation/Text.h"

namespace frelt::textlimit {

std::size_t utf16Length(std::string_view text) {
    std::size_t units = 0;
    for (unsigned char c : text) {
        // Each code point counts at its lead byte: one unit, or two for the
        // four-byte forms that become surrogate pairs.
        if ((c & 0xC0) == 0x80) continue;
        units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

std::string prefixWithinUTF16Units(std::string_view text, std::size_t maxUnits) {
    if (utf16Length(text) <= maxUnits) return std::string(text);
    std::string prefix;
    std::size_t units = 0;
    for (const auto& cluster : platform::text::graphemeClusters(text)) {
        const std::size_t length = utf16Length(cluster);
        if (units + length > maxUnits) break;
        units += length;
        prefix += cluster;
    }
    return prefix;
}

}  // namespace frelt::textlimit
