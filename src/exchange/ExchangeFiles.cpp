#include "exchange/ExchangeFiles.h"

#include "platform/appkit/SavePanel.h"
#include "sources/FileHelpers.h"
#include "sources/access/SandboxFileAccess.h"
#include "store/Logging.h"

namespace frelt {

std::optional<platform::URL> chooseFileToSave(const std::string& extension) {
    auto panel = platform::SavePanel::make();
    panel->setCanCreateDirectories(true);
    panel->setAllowedFileTypes({extension});
    if (panel->runModal() != platform::modalresponse::ok || panel->url().isEmpty()) return std::nullopt;
    return panel->url();
}

void writeWhenPermitted(const platform::URL& url, const std::function<void()>& write) {
    if (!isReachable(url)) {
        write();
        return;
    }
    SandboxFileAccess::shared()->requestAccess(url, Permissions::writeAccess(), true, nullptr, true,
                                               [&](const SandboxFileAccess::Result& result) {
                                                   if (result.succeeded()) write();
                                               });
}

std::string joined(const std::vector<std::string>& parts, const std::string& separator) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += separator;
        out += parts[i];
    }
    return out;
}

void logExchange(const std::string& message) {
    log(LogCategory::importExport, LogLevel::Default, "%{public}@", message);
}

void logExchangeError(const std::string& message) {
    log(LogCategory::importExport, LogLevel::Error, "%{public}@", message);
}

}  // namespace frelt
