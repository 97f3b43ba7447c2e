#include "app/ServiceManager.h"

#include <vector>

#include "app/MenuManager.h"
#include "platform/appkit/Application.h"
#include "store/Logging.h"

namespace frelt {

ServiceManager::ServiceManager(std::string message) : errorMessage(std::move(message)) {
    registerAction(serviceAddFileMessage, [this](const std::shared_ptr<platform::Object>& sender) {
        if (const auto pasteboard = std::dynamic_pointer_cast<platform::Pasteboard>(sender))
            serviceAddFile(*pasteboard, {});
    });
}

void ServiceManager::serviceAddFile(const platform::Pasteboard& pasteboard, const std::string&) {
    logDefault(LogLevel::Default, "Got called from Finder-Service ...");
    const auto value = pasteboard.propertyListForType(platform::pasteboardtype::filenames);
    const auto* list = value ? value->asArray() : nullptr;
    if (!list) return;
    std::vector<std::string> paths;
    for (const auto& element : *list) {
        const auto* path = element.asString();
        if (!path) return;
        paths.push_back(*path);
    }
    logDefault(LogLevel::Default, "Finder-Service provided some content ...");
    passFilesToMainWindow(paths);
}

bool performServiceAddFile(const std::vector<std::string>& paths) {
    const auto provider = platform::Application::shared()->servicesProvider();
    if (!provider) return false;
    platform::ValueArray names;
    for (const auto& path : paths) names.emplace_back(path);
    const auto pasteboard = platform::Pasteboard::withUniqueName();
    pasteboard->setPropertyList(platform::Value(std::move(names)), platform::pasteboardtype::filenames);
    return provider->performAction(ServiceManager::serviceAddFileMessage, pasteboard);
}

}  // namespace frelt
