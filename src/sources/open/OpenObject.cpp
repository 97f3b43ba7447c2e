#include "sources/open/OpenObject.h"

#include <filesystem>
#include <system_error>

#include "app/AppDelegate.h"
#include "platform/appkit/Workspace.h"
#include "platform/foundation/SingleInstance.h"
#include "platform/foundation/URL.h"
#include "sources/FileHelpers.h"
#include "sources/access/SandboxFileAccess.h"
#include "sources/access/SecurityScopedURLManager.h"
#include "sources/urls/URLRegExParser.h"
#include "store/LocalizedStrings.h"
#include "store/Logging.h"
#include "store/ShowAlert.h"

namespace frelt {
namespace {

// The file URL of a path with symbolic links resolved; the path itself when
// that is not possible.
platform::URL resolvedFileURL(const std::string& path) {
    std::error_code error;
    const auto canonical = std::filesystem::canonical(path, error);
    return platform::URL::fileURL(error ? path : canonical.string());
}

std::vector<platform::URL> objectURLs(const OpenObject::Objects& objects) {
    std::vector<platform::URL> urls;
    if (!objects) return urls;
    for (const auto& object : *objects) {
        if (auto url = platform::URL::fromString(object)) urls.push_back(*url);
        else if (!object.empty()) urls.push_back(platform::URL::fileURL(object));
    }
    return urls;
}

platform::WorkspaceOpenConfiguration openConfiguration() {
    platform::WorkspaceOpenConfiguration configuration;
    configuration.activates = true;
    configuration.promptsUserIfNeeded = true;
    configuration.forPrinting = false;
    configuration.createsNewApplicationInstance = false;
    return configuration;
}

}  // namespace

std::shared_ptr<OpenObject> OpenObject::shared() {
    return platform::singleInstance<OpenObject>([] { return std::make_shared<OpenObject>(Private{}); });
}

void OpenObject::openURLString(const std::string& urlString, const Objects& objects) {
    log(LogCategory::open, LogLevel::Default, "Open URL: %{public}@", urlString);
    if (urlString.empty()) return;
    auto parsed = ParsedURL::make(urlString, objects);
    if (!parsed) {
        showAlert(L10n::openURLError.value(), urlString);
        return;
    }
    // None when the user cancelled a question: then nothing opens, silently.
    const auto resolved = parsed->urlRegExParser->resolvePlaceholders("\n");
    if (!resolved) return;
    const auto url = platform::URL::fromString(*resolved);
    if (!url) {
        showAlert(L10n::openURLError.value(), *resolved);
        return;
    }
    log(LogCategory::open, LogLevel::Default, "Parsed URL: %{public}@", *resolved);
    if (url->isFileURL()) {
        openFileURL(*url);
        return;
    }
    platform::Workspace::shared()->openURL(
        *url, openConfiguration(), [](std::shared_ptr<platform::RunningApplication>, std::optional<std::string> error) {
            if (error) log(LogCategory::open, LogLevel::Error, "open failed: %{public}@", *error);
        });
}

void OpenObject::openFileURL(const platform::URL& url, const Objects& objects) {
    if (!isReachable(url)) {
        log(LogCategory::open, LogLevel::Error, "open failed: [%{public}@] - Unreachable", url.absoluteString());
        return;
    }
    const auto access = SandboxFileAccess::shared()->hasAccess(url, Permissions::readAccess());
    if (!access.hasAccess) {
        log(LogCategory::open, LogLevel::Error, "open failed: [%{public}@] - Access not possible",
            url.absoluteString());
        return;
    }
    if (access.viaBookmark && !access.bookmarkData) {
        log(LogCategory::open, LogLevel::Error,
            "open failed: [%{public}@] - Access not possible (Bookmark needed but unavailable)", url.absoluteString());
        return;
    }
    // Held until the desktop reports the end of the opening.
    const std::string accessID =
        SecurityScopedURLManager::shared()->beginAccess(access.bookmarkData, UsedSecurityScopedURLSource::open);
    auto completion = [name = url.absoluteString(), accessID](std::shared_ptr<platform::RunningApplication>,
                                                              std::optional<std::string> error) {
        if (error)
            log(LogCategory::open, LogLevel::Error, "open failed: %{public}@", "[" + name + "] - " + *error);
        else
            log(LogCategory::open, LogLevel::Default, "open successful: [%{public}@]", name);
        SecurityScopedURLManager::shared()->endAccess(accessID);
    };
    const auto workspace = platform::Workspace::shared();
    if (objects && !objects->empty()) {
        std::vector<platform::URL> files;
        for (const auto& path : *objects) {
            const auto file = platform::URL::fileURL(path);
            if (isReachable(file)) files.push_back(file);
        }
        workspace->openURLs(files, url, openConfiguration(), completion);
        return;
    }
    workspace->openURL(url, openConfiguration(), completion);
}

bool OpenObject::openPath(const std::string& path, const Objects& objects) {
    if (path.empty()) return false;
    const platform::URL url = resolvedFileURL(path);
    if (!isReachable(url)) {
        log(LogCategory::open, LogLevel::Error, "open failed: [%{public}@] - Unreachable", path);
        return false;
    }
    const auto workspace = platform::Workspace::shared();
    switch (fileObjectKind(url)) {
        case FileObjectKind::application:
            workspace->openURLs(objectURLs(objects), url, openConfiguration(), nullptr);
            break;
        case FileObjectKind::folder: {
            const std::string browser = AppDelegate::shared()->config->alternateFolderBrowser;
            if (!browser.empty() && isExecutableFile(browser))
                workspace->openURLs({url}, platform::URL::fileURL(browser), openConfiguration(), nullptr);
            else
                workspace->selectFile(url.path(), url.path());
            break;
        }
        default:
            workspace->openURL(url, openConfiguration(), nullptr);
            break;
    }
    log(LogCategory::open, LogLevel::Default, "open successful: [%{public}@]", path);
    return true;
}

}  // namespace frelt
