#include "sources/urls/URLInputDialog.h"

#include "store/Logging.h"

namespace frelt {

std::optional<std::string> showURLInputDialog(const std::string& urlTemplate, const std::string& question) {
    log(LogCategory::open, LogLevel::Error, "! The question \"%{public}@\" of %{public}@ cannot be asked", question,
        urlTemplate);
    return std::nullopt;
}

}  // namespace frelt
