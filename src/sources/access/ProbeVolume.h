#pragma once

#include "platform/foundation/URL.h"

namespace frelt {

// Touches the root of the volume that holds `url` (reading its attributes),
// so that a sleeping or automounted volume is woken before the object is
// opened. The answer and any error are ignored; it always returns false.
bool probeVolumeOfFile(const platform::URL& url);

}  // namespace frelt
