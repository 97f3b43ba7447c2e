#pragma once
// Length limits of the text fields. A limit counts UTF-16 code units (what
// stored names and comments were always measured in); a text over the limit
// is cut after its last whole character (grapheme cluster) that fits, so a
// cut never splits a surrogate pair, an emoji sequence or a letter from its
// combining marks.

#include <cstddef>
#include <string>
#include <string_view>

namespace frelt::textlimit {

// The length of UTF-8 `text` in UTF-16 code units.
std::size_t utf16Length(std::string_view text);

// The longest prefix of whole grapheme clusters no longer than `maxUnits`
// UTF-16 code units.
std::string prefixWithinUTF16Units(std::string_view text, std::size_t maxUnits);

}  // namespace frelt::textlimit
