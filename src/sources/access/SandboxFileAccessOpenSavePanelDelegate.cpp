#include "sources/access/SandboxFileAccessOpenSavePanelDelegate.h"

#include "platform/appkit/Beep.h"
#include "store/LocalizedStrings.h"

namespace frelt {

std::string localizedDescription(SandboxDelegateError) {
    return localization::localizedByEnglishKey("Please allow the originally requested location");
}

SandboxFileAccessOpenSavePanelDelegate::SandboxFileAccessOpenSavePanelDelegate(const platform::URL& requested)
    : pathComponents_(componentsOf(requested)) {}

std::vector<std::string> SandboxFileAccessOpenSavePanelDelegate::componentsOf(const platform::URL& url) {
    std::vector<std::string> components;
    const std::string path = url.path();
    if (path.empty()) return components;
    if (path[0] == '/') components.emplace_back("/");
    std::size_t start = 0;
    while (start < path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        if (end > start) components.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return components;
}

bool SandboxFileAccessOpenSavePanelDelegate::isAllowedURL(const platform::URL& url) const {
    const auto candidate = componentsOf(url);
    if (candidate.size() > pathComponents_.size()) return false;
    for (std::size_t i = 0; i < candidate.size(); ++i)
        if (candidate[i] != pathComponents_[i]) return false;
    return true;
}

bool SandboxFileAccessOpenSavePanelDelegate::panelShouldEnableURL(platform::SavePanel&, const platform::URL& url) {
    return isAllowedURL(url);
}

bool SandboxFileAccessOpenSavePanelDelegate::panelValidateURL(platform::SavePanel&, const platform::URL& url,
                                                              std::string& error) {
    if (isAllowedURL(url)) return true;
    platform::beep();
    error = localizedDescription(SandboxDelegateError::triedToChooseWrongFile);
    return false;
}

}  // namespace frelt
