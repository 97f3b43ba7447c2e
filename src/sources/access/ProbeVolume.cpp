#include "sources/access/ProbeVolume.h"

#include <filesystem>
#include <system_error>

#include "sources/FileHelpers.h"

namespace frelt {

bool probeVolumeOfFile(const platform::URL& url) {
    if (const auto volume = volumeURL(url)) {
        std::error_code ignored;
        (void)std::filesystem::status(volume->path(), ignored);
    }
    return false;
}

}  // namespace frelt
