#pragma once
// Keeps the permission panel on the requested location: only that location
// and the folders on its path up to "/" can be chosen, so the user may grant
// a wider folder than asked, but nothing beside or beneath it.

#include <string>
#include <vector>

#include "platform/appkit/SavePanel.h"
#include "platform/foundation/URL.h"

namespace frelt {

enum class SandboxDelegateError { triedToChooseWrongFile };

// "Please allow the originally requested location", localized.
std::string localizedDescription(SandboxDelegateError error);

class SandboxFileAccessOpenSavePanelDelegate : public platform::OpenSavePanelDelegate {
public:
    explicit SandboxFileAccessOpenSavePanelDelegate(const platform::URL& requested);

    // The requested location's components, "/" first.
    const std::vector<std::string>& pathComponents() const { return pathComponents_; }

    // The requested location itself or a folder that contains it.
    bool isAllowedURL(const platform::URL& url) const;

    bool panelShouldEnableURL(platform::SavePanel& panel, const platform::URL& url) override;
    // A refused choice beeps and hands back triedToChooseWrongFile's description.
    bool panelValidateURL(platform::SavePanel& panel, const platform::URL& url, std::string& error) override;

    // "/a/b/c" -> "/", "a", "b", "c"; the root alone is "/".
    static std::vector<std::string> componentsOf(const platform::URL& url);

private:
    std::vector<std::string> pathComponents_;
};

}  // namespace frelt
