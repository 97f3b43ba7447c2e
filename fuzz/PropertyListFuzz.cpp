// Feeds arbitrary bytes to the property-list reader (binary and XML): it must
// fail cleanly, or return a value that writes and reads back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/foundation/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto result = platform::PropertyList::read(platform::Data(data, data + size));
    if (!result) return 0;
    auto binary = platform::PropertyList::write(*result.value, platform::PropertyListFormat::Binary);
    if (!binary) std::abort();  // whatever was read can be written
    auto back = platform::PropertyList::read(*binary);
    if (!back) std::abort();
    // NaN never equals itself; everything else must survive unchanged.
    if (!(*back.value == *result.value) && result.value->description() != back.value->description()) std::abort();
    (void)platform::PropertyList::write(*result.value, platform::PropertyListFormat::XML);
    return 0;
}
